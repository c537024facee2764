// The About window and the main window's keyboard use, under the offscreen platform.

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <memory>

#include "core/about.h"
#include "platform/sysinfo.h"
#include "tests/ui/uitest.h"
#include "ui/AboutUnit.h"
#include "ui/MainUnit.h"
#include "ui/PageControl.h"

using valvora::ui::PageControl;
using valvora::ui::TAboutBox;
using valvora::ui::TMainForm;

namespace {

const QString kSourceDir = QStringLiteral(VALVORA_SOURCE_DIR);

// Gives the two counts of a 2793,46 MHz processor at once, and counts the reads.
struct FakeClock {
  int reads = 0;
  valvora::platform::CycleClock clock() {
    return {[this] { return std::uint64_t(5000) + (reads++ % 2) * std::uint64_t(1396730000); },
            [](std::chrono::milliseconds) {}};
  }
};

}  // namespace

class AboutTest : public valvora::testing::UiTest {
  Q_OBJECT

 private:
  PageControl* pages() { return form_->pageControl(); }

  // The main window shown and active, so that its keys reach it.
  void activate() {
    form_->setWindowState(Qt::WindowNoState);
    form_->show();
    QApplication::setActiveWindow(form_.get());
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
  }

 private slots:
  void aboutWindow() {
    FakeClock counts;
    TAboutBox about(nullptr, counts.clock());
    QCOMPARE(about.windowTitle(), QString("A propos ..."));
    QCOMPARE(about.size(), QSize(358, 328));
    QCOMPARE(about.minimumSize(), about.maximumSize());
    QCOMPARE(control<QLabel>("ProductName", &about)->text(), valvora::testing::kTitle);
    QCOMPARE(control<QFrame>("BvlTitle", &about)->width(),
             control<QLabel>("ProductName", &about)->width());

    const QStringList captions = {
        "Vitesse CPU :", "Système d'exploitation :", "Mémoire disponible :", "Mémoire utilisée :"};
    const char* names[] = {"LbCpu", "LbOs", "PMA", "MemUse"};
    for (int i = 0; i < 4; ++i) QCOMPARE(control<QLabel>(names[i], &about)->text(), captions[i]);

    QCOMPARE(control<QLabel>("LbCpuSpeed", &about)->text(), QString("2793,46 MHz"));
    QCOMPARE(control<QLabel>("LbOsValue", &about)->text(),
             QString::fromStdString(valvora::platform::systemName()));
    const valvora::platform::MemoryStatus memory = valvora::platform::memoryStatus();
    QCOMPARE(control<QLabel>("LbMemAv", &about)->text(),
             QString::fromStdString(valvora::memoryTotalText(
                 memory.totalBytes, valvora::platform::userThousandsSeparator())));
    QVERIFY(QRegularExpression("^\\d{1,3} %$")
                .match(control<QLabel>("LbMemUse", &about)->text())
                .hasMatch());

    auto* picture = control<QLabel>("Image1", &about);
    QCOMPARE(picture->pixmap().size(), QSize(189, 61));
    QCOMPARE(control<QLabel>("ProgramIcon", &about)->pixmap().size(), QSize(32, 32));
    QVERIFY(!valvora::ui::applicationIcon().isNull());
    QCOMPARE(control<QPushButton>("Button1", &about)->text(), QString("Fermer"));
    QCOMPARE(control<QPushButton>("Label2", &about)->text(), QString("Licence d'utilisation"));
  }

  // The links open their addresses and the licence, by mouse and by key; the licence is
  // shipped where the program looks for it.
  void links() {
    FakeClock counts;
    TAboutBox about(nullptr, counts.clock());
    for (const char* name : {"LinkLabel1", "LinkLabel2", "Label2"})
      QTest::mouseClick(control<QPushButton>(name, &about), Qt::LeftButton);
    QTest::keyClick(control<QPushButton>("Label2", &about), Qt::Key_Space);
    QCOMPARE(dialogs_.opened, (QStringList{"https://valvora.example.org/",
                                           "https://valvora.example.org/telechargement/",
                                           "licence.txt", "licence.txt"}));
    for (const char* name : {"LinkLabel1", "LinkLabel2"}) {
      auto* link = control<QPushButton>(name, &about);
      QVERIFY(link->toolTip().startsWith("https://valvora.example.org/"));
      QCOMPARE(link->focusPolicy(), Qt::StrongFocus);
      QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    }
    QFile licence(QDir(kSourceDir).filePath("licence.txt"));
    QVERIFY(licence.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(licence.readAll()).contains("sans aucune garantie"));
  }

  // "A propos" shows the window created at start-up; every showing has the figures measured
  // then, without measuring again.
  void showingTwice() {
    FakeClock counts;
    TAboutBox about(nullptr, counts.clock());
    form_->setAboutBox(&about);
    form_->show();
    const QString speed = control<QLabel>("LbCpuSpeed", &about)->text();
    const QString memory = control<QLabel>("LbMemAv", &about)->text();
    for (int i = 0; i < 2; ++i) {
      QTest::mouseClick(control<QPushButton>("btnAbout"), Qt::LeftButton);
      about.show();
      QApplication::processEvents();
      QCOMPARE(control<QLabel>("LbCpuSpeed", &about)->text(), speed);
      QCOMPARE(control<QLabel>("LbMemAv", &about)->text(), memory);
      QTest::mouseClick(control<QPushButton>("Button1", &about), Qt::LeftButton);
      QVERIFY(!about.isVisible());
    }
    QCOMPARE(dialogs_.shown, (QStringList{"AboutBox", "AboutBox"}));
    QCOMPARE(counts.reads, 2);
  }

  // Building the About window leaves the windows already built as they were (a change of
  // the program's style, for one, would polish them again in other fonts).
  void mainWindowLooksTheSameAfterIt() {
    form_->setWindowState(Qt::WindowNoState);
    form_->show();
    form_->resize(770, 600);
    QApplication::processEvents();
    const QImage before = form_->grab().toImage();
    FakeClock counts;
    TAboutBox about(nullptr, counts.clock());
    QApplication::processEvents();
    QCOMPARE(form_->grab().toImage(), before);
  }

  void noticeCentredWhenShown() {
    FakeClock counts;
    TAboutBox about(nullptr, counts.clock());
    auto* notice = control<QFrame>("Panel1", &about);
    notice->move(0, notice->y());
    about.show();
    QCOMPARE(notice->x(), (about.width() - notice->width()) / 2);
    about.hide();
  }

  void pageKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    const int ctrl = Qt::ControlModifier;
    const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    for (int from : {0, 11}) {
      const char* where = from == 0 ? "from the first page" : "from the last page";
      const int next = (from + 1) % 12;
      const int previous = (from + 11) % 12;
      QTest::addRow("Ctrl+Tab %s", where) << int(Qt::Key_Tab) << ctrl << from << next;
      QTest::addRow("Ctrl+PageDown %s", where) << int(Qt::Key_PageDown) << ctrl << from << next;
      QTest::addRow("Ctrl+Shift+Tab %s", where)
          << int(Qt::Key_Backtab) << ctrlShift << from << previous;
      QTest::addRow("Ctrl+Shift+Tab unshifted %s", where)
          << int(Qt::Key_Tab) << ctrlShift << from << previous;
      QTest::addRow("Ctrl+PageUp %s", where) << int(Qt::Key_PageUp) << ctrl << from << previous;
    }
  }
  // From wherever the focus is in the window: a field, a list, or the tab itself, whose
  // focus then follows to the new tab.
  void pageKeys() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, from);
    QFETCH(int, to);
    activate();
    const auto press = [&](QWidget* target) {
      QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    };
    pages()->setCurrentIndex(from);
    auto* edit = pages()->page(from)->findChild<QLineEdit*>();
    if (edit) {
      edit->setFocus();
      QTRY_VERIFY(edit->hasFocus());
      const QString before = edit->text();
      press(edit);
      QCOMPARE(pages()->currentIndex(), to);
      QCOMPARE(edit->text(), before);
    }
    pages()->setCurrentIndex(from);
    if (auto* list = control<QComboBox>("cbHPa_2ser"); list && from == 0) {
      list->setFocus();
      QTRY_VERIFY(list->hasFocus());
      const QString before = list->currentText();
      press(QApplication::focusWidget());
      QCOMPARE(pages()->currentIndex(), to);
      QCOMPARE(list->currentText(), before);
      pages()->setCurrentIndex(from);
    }
    QAbstractButton* tab = pages()->tab(from);
    tab->setFocus();
    QTRY_VERIFY(tab->hasFocus());
    press(tab);
    QCOMPARE(pages()->currentIndex(), to);
    QVERIFY(pages()->tab(to)->hasFocus());
    QVERIFY(pages()->tab(to)->isChecked());
  }

  void arrowsOnTabs() {
    activate();
    pages()->tab(0)->setFocus();
    QTRY_VERIFY(pages()->tab(0)->hasFocus());
    const struct {
      Qt::Key key;
      int index;
    } steps[] = {
        {Qt::Key_Right, 1},  {Qt::Key_Right, 2}, {Qt::Key_Down, 3},
        {Qt::Key_Left, 2},   {Qt::Key_Up, 1},    {Qt::Key_End, 11},
        {Qt::Key_Right, 11}, {Qt::Key_Home, 0},  {Qt::Key_Left, 0},
    };
    for (const auto& s : steps) {
      QTest::keyClick(QApplication::focusWidget(), s.key);
      QCOMPARE(pages()->currentIndex(), s.index);
      QVERIFY(pages()->tab(s.index)->hasFocus());
    }
  }

  // Only the current tab is in the Tab order; from it, Tab reaches every field and button
  // of its page and of the bottom bar, and comes back round.
  void tabOrderReachesEverything_data() {
    QTest::addColumn<int>("page");
    QTest::newRow("2 HP") << 0;
    QTest::newRow("Taux de Bias") << 5;
  }
  void tabOrderReachesEverything() {
    QFETCH(int, page);
    activate();
    pages()->setCurrentIndex(page);
    QAbstractButton* tab = pages()->tab(page);
    tab->setFocus();
    QTRY_VERIFY(tab->hasFocus());
    QSet<QWidget*> reached;
    for (int i = 0; i < 400 && !(i > 0 && QApplication::focusWidget() == tab); ++i) {
      reached.insert(QApplication::focusWidget());
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget(), tab);
    for (int i = 0; i < pages()->count(); ++i)
      QCOMPARE(reached.contains(pages()->tab(i)), i == page);
    QList<QWidget*> expected;
    for (QWidget* w : pages()->page(page)->findChildren<QWidget*>())
      if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPushButton*>(w)) expected << w;
    for (const char* name : {"btnAbout", "btnHelp", "btnExit"}) expected << control<QWidget>(name);
    QVERIFY(expected.size() > 3);
    for (QWidget* w : expected) {
      // A list's edit box takes the focus for its list.
      QWidget* owner = qobject_cast<QComboBox*>(w->parentWidget()) ? w->parentWidget() : w;
      if (!w->isVisibleTo(form_.get()) || !w->isEnabled()) continue;
      QVERIFY2(reached.contains(w) || reached.contains(owner), qPrintable(w->objectName()));
    }
  }

  void tabsForScreenReaders() {
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(pages());
    QVERIFY(list);
    QCOMPARE(list->role(), QAccessible::PageTabList);
    const struct {
      int index;
      const char* name;
    } cases[] = {{0, "2 HP"}, {5, "Taux de Bias"}, {10, "Condensateur & Misc."}};
    for (const auto& c : cases) {
      QAccessibleInterface* tab = QAccessible::queryAccessibleInterface(pages()->tab(c.index));
      QVERIFY(tab);
      QCOMPARE(tab->role(), QAccessible::PageTab);
      QCOMPARE(tab->text(QAccessible::Name), QString::fromUtf8(c.name));
      QCOMPARE(bool(tab->state().selected), c.index == 0);
    }
    QAccessibleInterface* fifth = QAccessible::queryAccessibleInterface(pages()->tab(5));
    fifth->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(pages()->currentIndex(), 5);
  }
};

VALVORA_UI_TEST_MAIN(AboutTest)

#include "about_test.moc"
