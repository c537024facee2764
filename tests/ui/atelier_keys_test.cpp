// The workshop's keyboard over every tab found in the window: the Tab chain, the Alt+letter
// mnemonics, and results too narrow for their text.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSet>
#include <QTest>

#include "tests/ui/uitest.h"
#include "ui/AtelierKeys.h"
#include "ui/AtelierUnit.h"
#include "ui/PageControl.h"

using valvora::ui::TAtelierForm;

namespace {

bool isCommand(const QWidget* w) {
  return qobject_cast<const QAbstractButton*>(w) && !qobject_cast<const QRadioButton*>(w) &&
         !qobject_cast<const QCheckBox*>(w);
}
bool isResult(const QWidget* w) {
  auto* e = qobject_cast<const QLineEdit*>(w);
  return e && e->isReadOnly() && !qobject_cast<const QComboBox*>(e->parentWidget());
}
// The control a focused part belongs to (a list for its edit box).
QWidget* ownerOf(QWidget* w) {
  if (w && qobject_cast<QComboBox*>(w->parentWidget())) return w->parentWidget();
  return w;
}

}  // namespace

// One window for the whole program: the cases only look at it.
class AtelierKeysTest : public valvora::testing::WindowTest<TAtelierForm> {
  Q_OBJECT

  valvora::ui::PageControl& pages() { return *window_->pageControl(); }
  void showPage(int i) {
    pages().setCurrentIndex(i);
    QApplication::processEvents();
  }

 private slots:
  void initTestCase() {
    prepareRun();
    openForm();
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }
  void init() {}
  void cleanup() {}
  void cleanupTestCase() { closeForm(); }

  // From the tab: the page's fields (every one it shows), then its buttons, then the bottom
  // row; never a result, never a control of another page.
  void tabGoesThroughFieldsThenButtons() {
    for (int i = 0; i < pages().count(); ++i) {
      showPage(i);
      QWidget* page = pages().page(i);
      const QString tab = pages().tab(i)->text();
      pages().tab(i)->setFocus();
      QList<QWidget*> cycle;  // round the window, back to the tab
      do {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        cycle << ownerOf(QApplication::focusWidget());
      } while (cycle.size() < 300 && cycle.last() != pages().tab(i));
      QVERIFY2(!cycle.isEmpty() && cycle.takeLast() == pages().tab(i), qPrintable(tab));
      QStringList bottom;
      while (!cycle.isEmpty() && !page->isAncestorOf(cycle.last()))
        bottom.prepend(cycle.takeLast()->objectName());
      QCOMPARE(bottom, QStringList({"btnAtOpen", "btnAtSave", "btnAtSaveAs", "btnAtPdf",
                                    "btnAtelierHelp", "btnAtelierClose"}));
      QSet<QWidget*> visited;
      bool inButtons = false;
      for (QWidget* at : cycle) {
        const QString where = tab + " / " + at->objectName();
        QVERIFY2(page->isAncestorOf(at), qPrintable(where + ": not on the page"));
        QVERIFY2(!isResult(at), qPrintable(where + ": a result in the Tab chain"));
        if (isCommand(at))
          inButtons = true;
        else
          QVERIFY2(!inButtons, qPrintable(where + ": a field after the buttons"));
        QVERIFY2(!visited.contains(at), qPrintable(where + ": visited twice"));
        visited.insert(at);
      }
      for (QWidget* w : page->findChildren<QWidget*>()) {
        const bool field = (qobject_cast<QLineEdit*>(w) && !isResult(w) &&
                            !qobject_cast<QComboBox*>(w->parentWidget())) ||
                           qobject_cast<QComboBox*>(w);
        if (field && w->isVisible() && w->isEnabled())
          QVERIFY2(visited.contains(w), qPrintable(tab + " / " + w->objectName() + " unreached"));
      }
    }
  }

  // Every field's label has a letter of its own in its tab, and Alt+letter reaches the field.
  void mnemonicsAreUniqueAndReachTheirField() {
    for (int i = 0; i < pages().count(); ++i) {
      showPage(i);
      const QString tab = pages().tab(i)->text();
      QSet<QChar> taken;
      for (QAbstractButton* b : window_->findChildren<QAbstractButton*>())
        if (const QChar c = valvora::ui::mnemonicLetter(b->text()); !c.isNull() && b->isVisible()) {
          QVERIFY2(!taken.contains(c), qPrintable(tab + " / " + b->objectName()));
          taken.insert(c);
        }
      QList<QLabel*> without;
      for (QLabel* label : pages().page(i)->findChildren<QLabel*>()) {
        QWidget* buddy = label->buddy();
        if (!buddy || isResult(buddy) || !label->isVisible() || !buddy->isVisible()) continue;
        const QString where = tab + " / " + label->objectName() + " « " + label->text() + " »";
        const QChar letter = valvora::ui::mnemonicLetter(label->text());
        if (letter.isNull()) {
          without << label;
          continue;
        }
        QVERIFY2(!taken.contains(letter), qPrintable(where + ": letter taken"));
        taken.insert(letter);
        if (!buddy->isEnabled()) continue;
        pages().tab(i)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), letter.toLatin1(), Qt::AltModifier);
        QVERIFY2(ownerOf(QApplication::focusWidget()) == buddy, qPrintable(where));
      }
      // Only a caption all of whose letters serve others goes without.
      for (QLabel* label : without)
        for (QChar c : label->text())
          if (c.unicode() < 128 && c.isLetterOrNumber())
            QVERIFY2(taken.contains(c.toLower()), qPrintable(tab + " « " + label->text() + " »"));
    }
  }

  // A result too long for its field keeps its whole text in reach, in its tooltip.
  void longResultsShowTheirTextInTheTooltip() {
    const QString longText = QStringLiteral("4,4327866451234567890123E299");
    for (int i = 0; i < pages().count(); ++i) {
      showPage(i);
      for (QLineEdit* edit : pages().page(i)->findChildren<QLineEdit*>()) {
        if (!isResult(edit) || !edit->isVisible()) continue;
        const QString where = pages().tab(i)->text() + " / " + edit->objectName();
        const QString own = edit->text();
        edit->setText(longText);
        QVERIFY2(edit->toolTip() == longText, qPrintable(where));
        QVERIFY(!edit->grab().isNull());  // painted elided
        edit->setText(QStringLiteral("1"));
        QVERIFY2(edit->toolTip() != QStringLiteral("1"), qPrintable(where));
        edit->setText(own);
      }
    }
  }
};

VALVORA_UI_TEST_MAIN(AtelierKeysTest)

#include "atelier_keys_test.moc"
