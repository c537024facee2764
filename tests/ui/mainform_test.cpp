// The main window under the offscreen platform: defaults, typed examples, failures, the
// picture folder, the layout rule and the bottom bar.

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <new>

#include "tests/ui/uitest.h"
#include "ui/AlimUnit.h"
#include "ui/DecimalKeyFilter.h"
#include "ui/MainUnit.h"
#include "ui/PageControl.h"
#include "ui/SplashUnit.h"

using valvora::testing::typeInto;
using valvora::ui::TMainForm;

namespace {

const QString kSourceDir = QStringLiteral(VALVORA_SOURCE_DIR);

// A copy of the picture folder that a test may damage, made the current directory while it
// lives.
class DataCopy {
 public:
  DataCopy() {
    QDir(dir_.path()).mkdir("data");
    const QDir source(kSourceDir + "/data");
    for (const QString& name : source.entryList(QDir::Files))
      QFile::copy(source.filePath(name), dir_.path() + "/data/" + name);
    QDir::setCurrent(dir_.path());
  }
  ~DataCopy() { QDir::setCurrent(kSourceDir); }
  QString path(const QString& name) const { return dir_.path() + "/data/" + name; }
  void write(const QString& name, const QByteArray& content) const {
    QFile f(path(name));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
  }
  QString root() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
};

struct Group {
  const char* suffix;
  const char* button;
  int speakers;
};
const Group kGroups[] = {
    {"_2ser", "Button2", 2}, {"_2par", "Button3", 2}, {"_3ser", "Button6", 3},
    {"_3par", "Button7", 3}, {"_4ser", "Button4", 4}, {"_4par", "Button5", 4},
    {"_3HA", "Button14", 3}, {"_3HB", "Button15", 3}, {"_4HA", "Button16", 4},
    {"_4HB", "Button17", 4},
};

const Group& group(const QString& suffix) {
  for (const Group& g : kGroups)
    if (suffix == QLatin1String(g.suffix)) return g;
  qFatal("no group");
}

QString z(int i, const QString& s) {
  return QStringLiteral("cbHP") + QChar('a' + i) + s;
}
QString p(int i, const QString& s) {
  return QStringLiteral("edPHP") + QChar('a' + i) + s;
}

}  // namespace

class MainFormTest : public valvora::testing::UiTest {
  Q_OBJECT

 private:
  QWidget* field(const QString& name) { return control(name); }
  // Types the inputs of a group and clicks its button.
  void compute(const QString& suffix, const QString& amp, const QStringList& impedances) {
    const Group& g = group(suffix);
    typeInto(field("edAmp" + suffix), amp);
    for (int i = 0; i < impedances.size(); ++i) typeInto(field(z(i, suffix)), impedances[i]);
    click(g.button);
  }

 private slots:
  void pagesAndBottomBar() {
    const QStringList captions = {"2 HP",
                                  "3 HP",
                                  "3 HP S+P",
                                  "4 HP",
                                  "4 HP S+P",
                                  "Taux de Bias",
                                  "Atténuateur en L",
                                  "Atténuateur S+P",
                                  "Atténuateur en T",
                                  "Résistances",
                                  "Condensateur && Misc.",
                                  "Filtres && Alimentation"};
    const QStringList sheets = {"TabSheet1",  "TabSheet3", "TabSheet8",  "TabSheet2",
                                "TabSheet9",  "TabSheet6", "TabSheet10", "TabSheet7",
                                "TabSheet11", "TabSheet4", "TabSheet12", "TabSheet5"};
    valvora::ui::PageControl* pages = form_->pageControl();
    QCOMPARE(pages->objectName(), QString("PageControl"));
    QCOMPARE(pages->count(), 12);
    for (int i = 0; i < 12; ++i) {
      QCOMPARE(pages->tab(i)->text(), captions[i]);
      QCOMPARE(pages->page(i)->objectName(), sheets[i]);
    }
    QCOMPARE(pages->currentIndex(), 0);
    QCOMPARE(form_->windowTitle(), valvora::testing::kTitle);
    QVERIFY(form_->windowState() & Qt::WindowMaximized);
    QCOMPARE(control<QPushButton>("btnAbout")->text(), QString("A propos"));
    QCOMPARE(control<QPushButton>("btnHelp")->text(), QString("Aide"));
    QCOMPARE(control<QPushButton>("btnExit")->text(), QString("Fermer"));
    // Labels as the pages have always shown them.
    QCOMPARE(control<QLabel>("lb_edPHPb_2ser")->text(), QString("Puiissance HP B :"));
    QCOMPARE(control<QLabel>("lb_edPHPb_3ser")->text(), QString("Puissance HP B :"));
    QCOMPARE(control<QGroupBox>("GroupBox13")->title(), QString("Version B"));
    QCOMPARE(field("edAmp_4HB")->accessibleName(), QString("Puissance de l'ampli :"));
  }

  void defaultResults_data() {
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("results");  // total, then the powers
    QTest::newRow("2 HP série") << "_2ser" << QStringList{"16", "50,00", "50,00"};
    QTest::newRow("2 HP parallèle") << "_2par" << QStringList{"4,00", "50,00", "50,00"};
    QTest::newRow("3 HP série") << "_3ser" << QStringList{"24", "33,33", "33,33", "33,33"};
    QTest::newRow("3 HP parallèle") << "_3par" << QStringList{"2,67", "33,33", "33,33", "33,33"};
    QTest::newRow("4 HP série") << "_4ser"
                                << QStringList{"32,00", "25,00", "25,00", "25,00", "25,00"};
    QTest::newRow("4 HP parallèle")
        << "_4par" << QStringList{"2,00", "25,00", "25,00", "25,00", "25,00"};
    QTest::newRow("3 HP version A") << "_3HA" << QStringList{"12,00", "16,67", "16,67", "66,67"};
    QTest::newRow("3 HP version B") << "_3HB" << QStringList{"5,33", "16,67", "16,67", "66,67"};
    QTest::newRow("4 HP version A")
        << "_4HA" << QStringList{"8,00", "25,00", "25,00", "25,00", "25,00"};
    QTest::newRow("4 HP version B")
        << "_4HB" << QStringList{"8,00", "25,00", "25,00", "25,00", "25,00"};
  }
  void defaultResults() {
    QFETCH(QString, suffix);
    QFETCH(QStringList, results);
    const Group& g = group(suffix);
    QCOMPARE(text("edAmp" + suffix), QString("100"));
    for (int i = 0; i < g.speakers; ++i) {
      auto* list = control<QComboBox>(z(i, suffix));
      QCOMPARE(list->count(), 5);
      QCOMPARE(list->currentIndex(), 2);
      QCOMPARE(list->currentText(), QString("8"));
    }
    QCOMPARE(text("edHPtotale" + suffix), results[0]);
    for (int i = 0; i < g.speakers; ++i) QCOMPARE(text(p(i, suffix)), results[i + 1]);
  }

  void typedExamples_data() {
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("amp");
    QTest::addColumn<QStringList>("impedances");
    QTest::addColumn<QStringList>("results");
    QTest::newRow("2 HP série 4 et 8")
        << "_2ser"
        << "100" << QStringList{"4", "8"} << QStringList{"12", "33,33", "66,67"};
    QTest::newRow("2 HP parallèle 4 et 8")
        << "_2par"
        << "100" << QStringList{"4", "8"} << QStringList{"2,67", "66,67", "33,33"};
    QTest::newRow("3 HP série décimal") << "_3ser"
                                        << "100" << QStringList{"8,5", "8", "8,1"}
                                        << QStringList{"24,6", "34,55", "32,52", "32,93"};
    QTest::newRow("3 HP S+P A 8 8 16")
        << "_3HA"
        << "100" << QStringList{"8", "8", "16"} << QStringList{"20,00", "10,00", "10,00", "80,00"};
    QTest::newRow("3 HP S+P B 4 4 8")
        << "_3HB"
        << "100" << QStringList{"4", "4", "8"} << QStringList{"4,00", "25,00", "25,00", "50,00"};
    QTest::newRow("4 HP S+P A 4 4 16 16")
        << "_4HA"
        << "100" << QStringList{"4", "4", "16", "16"}
        << QStringList{"10,00", "10,00", "10,00", "40,00", "40,00"};
    QTest::newRow("4 HP S+P B 4 8 4 8") << "_4HB"
                                        << "100" << QStringList{"4", "8", "4", "8"}
                                        << QStringList{"5,33", "33,33", "16,67", "33,33", "16,67"};
    QTest::newRow("4 HP parallèle") << "_4par"
                                    << "50" << QStringList{"4", "8", "16", "16"}
                                    << QStringList{"2,00", "25,00", "12,50", "6,25", "6,25"};
  }
  void typedExamples() {
    QFETCH(QString, suffix);
    QFETCH(QString, amp);
    QFETCH(QStringList, impedances);
    QFETCH(QStringList, results);
    compute(suffix, amp, impedances);
    QCOMPARE(text("edHPtotale" + suffix), results[0]);
    for (int i = 0; i < impedances.size(); ++i) QCOMPARE(text(p(i, suffix)), results[i + 1]);
  }

  void failures_data() {
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("amp");
    QTest::addColumn<QStringList>("impedances");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("total");  // the total after the failure
    QTest::newRow("entier décimal")
        << "_2ser"
        << "100" << QStringList{"8,5", "8"} << "'8,5' n'est pas une valeur entière correcte."
        << "16";
    QTest::newRow("ampli décimal")
        << "_4HB"
        << "100,5" << QStringList{} << "'100,5' n'est pas une valeur entière correcte."
        << "8,00";
    QTest::newRow("point décimal") << "_3ser"
                                   << "100" << QStringList{"8.5"}
                                   << "'8.5' n'est pas une valeur en virgule flottante correcte."
                                   << "24";
    QTest::newRow("série nulle") << "_2ser"
                                 << "100" << QStringList{"0", "0"}
                                 << "Opération en virgule flottante incorrecte."
                                 << "0";
    QTest::newRow("parallèle nul")
        << "_2par"
        << "100" << QStringList{"0", "8"} << "Division par zéro en virgule flottante."
        << "4,00";
    QTest::newRow("version A nulle")
        << "_3HA"
        << "100" << QStringList{"0", "8", "8"} << "Division par zéro en virgule flottante."
        << "12,00";
  }
  // The error box shows the message with its final full stop; the fields the calculation had
  // not reached keep their previous texts.
  void failures() {
    QFETCH(QString, suffix);
    QFETCH(QString, amp);
    QFETCH(QStringList, impedances);
    QFETCH(QString, message);
    QFETCH(QString, total);
    const Group& g = group(suffix);
    QStringList before;
    for (int i = 0; i < g.speakers; ++i) before << text(p(i, suffix));
    compute(suffix, amp, impedances);
    QCOMPARE(dialogs_.errors, QStringList{message});
    QCOMPARE(dialogs_.captions, QStringList{valvora::testing::kTitle});
    dialogs_.clear();
    QCOMPARE(text("edHPtotale" + suffix), total);
    for (int i = 0; i < g.speakers; ++i) QCOMPARE(text(p(i, suffix)), before[i]);
  }

  void decimalKeyFilter() {
    // Every field the filter is meant for: the bias page's 6L6, 6V6, EL34 and EL84 inputs,
    // four attenuator powers, five fields of "Résistances" and seven capacitor fields. On the
    // loudspeaker pages a full stop stays a full stop.
    int found = 0;
    for (const char* name : valvora::ui::decimalKeyFields())
      found += form_->findChild<QLineEdit*>(QLatin1String(name)) != nullptr;
    QCOMPARE(found, 20 + 4 + 5 + 7);
    typeInto(field("cbHPa_3ser"), "8.5");
    QCOMPARE(text("cbHPa_3ser"), QString("8.5"));

    QLineEdit edit;
    valvora::ui::DecimalKeyFilter filter;
    edit.installEventFilter(&filter);
    QTest::keyClicks(&edit, "11.5");
    QTest::keyClick(&edit, Qt::Key_Period, Qt::KeypadModifier);
    QTest::keyClicks(&edit, ",2a-");
    QCOMPARE(edit.text(), QString("11,5,,2a-"));
  }

  void layoutRule_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("shown");
    QTest::addColumn<QPoint>("pages");
    QTest::addColumn<int>("barTop");
    // Below the designed size the window stops shrinking: the tabs and "Fermer" stay in it.
    QTest::newRow("600 x 500") << QSize(600, 500) << QSize(770, 600) << QPoint(13, 17) << 527;
    QTest::newRow("designed") << QSize(770, 600) << QSize(770, 600) << QPoint(13, 17) << 527;
    QTest::newRow("801 x 611") << QSize(801, 611) << QSize(801, 611) << QPoint(29, 23) << 533;
    QTest::newRow("1280 x 800") << QSize(1280, 800) << QSize(1280, 800) << QPoint(268, 117) << 627;
  }
  void layoutRule() {
    QFETCH(QSize, size);
    QFETCH(QSize, shown);
    QFETCH(QPoint, pages);
    QFETCH(int, barTop);
    form_->setWindowState(Qt::WindowNoState);
    form_->show();
    QCOMPARE(form_->minimumSize(), QSize(770, 600));
    form_->resize(size);
    QTRY_COMPARE(form_->size(), shown);
    QCOMPARE(form_->pageControl()->pos(), pages);
    auto* bar = control<QWidget>("PanBar");
    QCOMPARE(bar->pos(), QPoint(pages.x(), barTop));
  }

  void bottomBar() {
    form_->show();
    click("btnHelp");
    QCOMPARE(dialogs_.opened, QStringList{"Valvora.html"});
    click("btnExit");
    QVERIFY(!form_->isVisible());
  }

  void pictures() {
    for (const char* name : {"img2HPs", "img3HPvb", "img4HPp", "imgAttenuateurT", "imgSP"}) {
      auto* picture = control<QLabel>(name);
      QVERIFY2(!picture->pixmap().isNull(), name);
      QCOMPARE(picture->size(), picture->pixmap().size());
    }
  }

  // What is typed into an impedance list is what is computed: nothing completes it from the
  // items ("1" would become "16"); Return or Enter computes the group.
  void typedValuesAndEnter_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key");
    QTest::newRow("Return in the amplifier field") << "edAmp_2ser" << int(Qt::Key_Return);
    QTest::newRow("keypad Enter in a list") << "cbHPb_2ser" << int(Qt::Key_Enter);
  }
  void typedValuesAndEnter() {
    QFETCH(QString, name);
    QFETCH(int, key);
    // Completion acts only in a focused field of an active window, as the user types.
    form_->show();
    QApplication::setActiveWindow(form_.get());
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    field("cbHPa_2ser")->setFocus();
    QTRY_VERIFY(field("cbHPa_2ser")->hasFocus());
    typeInto(field("cbHPa_2ser"), "1");
    field("cbHPb_2ser")->setFocus();
    typeInto(field("cbHPb_2ser"), "3");
    typeInto(field("edAmp_2ser"), "40");
    QCOMPARE(text("cbHPa_2ser"), QString("1"));
    QCOMPARE(text("cbHPb_2ser"), QString("3"));
    QCOMPARE(text("edHPtotale_2ser"), QString("16"));  // not computed yet
    QWidget* target = field(name);
    if (auto* list = qobject_cast<QComboBox*>(target)) target = list->lineEdit();
    QTest::keyClick(target, Qt::Key(key));
    QCOMPARE(text("edHPtotale_2ser"), QString("4"));
    QCOMPARE(text("edPHPa_2ser"), QString("10,00"));
    QCOMPARE(text("edPHPb_2ser"), QString("30,00"));
    QCOMPARE(text("edHPtotale_2par"), QString("4,00"));  // the other group is left alone
  }

  // A result longer than its field shows its first figures, and the whole text is kept.
  void longResultsShowTheirBeginning() {
    form_->show();
    compute("_2ser", "2147483647", {"1", "2"});
    for (const char* name : {"edPHPa_2ser", "edPHPb_2ser"}) {
      auto* edit = control<QLineEdit>(name);
      QCOMPARE(edit->cursorPosition(), 0);
      QVERIFY(edit->fontMetrics().horizontalAdvance(edit->text()) > edit->width() - 8);
    }
    QCOMPARE(text("edPHPa_2ser"), QString("715827882,33"));
    QCOMPARE(text("edPHPb_2ser"), QString("1431655764,67"));
  }

  // The error box shows what was typed as typed: markup stays text, control characters
  // become visible symbols instead of cutting the message.
  void errorTextIsPlain() {
    QCOMPARE(valvora::ui::errorBox("c", "<b>8</b>")->textFormat(), Qt::PlainText);
    const struct {
      std::string message;
      QString shown;
    } cases[] = {
        {"'<b>8</b>' x", "'<b>8</b>' x."},
        {std::string("'8\0junk' x", 10), QString::fromUtf8("'8\u2400junk' x.")},
        {"a\tb\x1B\x7F!", QString::fromUtf8("a\u2409b\u241B\u2421!")},
    };
    for (const auto& c : cases) QCOMPARE(valvora::ui::errorText(c.message), c.shown);
    typeInto(field("edAmp_2ser"), "<b>8</b>");
    click("Button2");
    QCOMPARE(dialogs_.errors, QStringList{"'<b>8</b>' n'est pas une valeur entière correcte."});
    dialogs_.clear();
  }

  // An entry of the impedance list with a NUL in it reaches the message whole.
  void listEntryWithANul() {
    DataCopy data;
    data.write("itemlist.txt", QByteArray("4\n8\n8\0junk\n", 11));
    form_.reset(new TMainForm(nullptr));
    QCOMPARE(
        dialogs_.errors,
        QStringList{QString::fromUtf8("'8\u2400junk' n'est pas une valeur entière correcte.")});
    dialogs_.clear();
  }

  // Running out of memory in a handler is a message; the window goes on working.
  void outOfMemoryIsAMessage() {
    QVERIFY(!valvora::ui::guarded([] { throw std::bad_alloc(); }));
    QCOMPARE(dialogs_.errors,
             QStringList{QString::fromUtf8("Mémoire insuffisante pour terminer cette opération.")});
    dialogs_.clear();
    compute("_2ser", "100", {"4", "4"});
    QCOMPARE(text("edHPtotale_2ser"), QString("8"));
  }

  // An impedance list file of two lines: the third line selects nothing, the first
  // computation meets an empty text and the preparation stops there.
  void shortImpedanceList() {
    DataCopy data;
    data.write("itemlist.txt", "4\r\n8\r\n");
    form_.reset(new TMainForm(nullptr));
    QCOMPARE(dialogs_.errors, QStringList{"'' n'est pas une valeur entière correcte."});
    dialogs_.clear();
    auto* list = control<QComboBox>("cbHPa_4HB");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentText(), QString());
    QCOMPARE(text("edHPtotale_2ser"), QString());
    QVERIFY(!control<QLabel>("imgSP")->pixmap().isNull());
  }

  void missingPictureFolder() {
    QTemporaryDir empty;
    QDir::setCurrent(empty.path());
    form_.reset(new TMainForm(nullptr));
    TMainForm* form = form_.get();
    valvora::ui::TAlimForm alim;
    QDir::setCurrent(kSourceDir);
    const QString folder = QDir(empty.path()).canonicalPath();
    QCOMPARE(dialogs_.errors.size(), 2);
    QCOMPARE(dialogs_.errors[0], "Impossible d'ouvrir le fichier \"" + folder +
                                     "/data/itemlist.txt\". Le fichier spécifié est introuvable.");
    QVERIFY(dialogs_.errors[1].contains(folder + "/data/alim.jpg\""));
    dialogs_.clear();
    QCOMPARE(control<QComboBox>("cbHPa_2ser", form)->count(), 0);
    QCOMPARE(text("edHPtotale_2ser"), QString());
    QVERIFY(control<QLabel>("img2HPs", form)->pixmap().isNull());
  }

  void damagedPicture() {
    DataCopy data;
    data.write("3hybride-vA.jpg", QByteArray(300, 'x'));
    form_.reset(new TMainForm(nullptr));
    QCOMPARE(dialogs_.errors.size(), 1);
    QVERIFY2(dialogs_.errors[0].startsWith("Erreur JPEG #"), qPrintable(dialogs_.errors[0]));
    dialogs_.clear();
    QVERIFY(!control<QLabel>("img3HPp")->pixmap().isNull());
    QVERIFY(control<QLabel>("img3HPvb")->pixmap().isNull());
    QCOMPARE(text("edHPtotale_2ser"), QString());  // the computations never ran
  }

  void splashAndDiagram() {
    auto* splash = new valvora::ui::TSplashForm;
    QCOMPARE(control<QLabel>("Label2", splash)->text(), QString("Chargement en cours ..."));
    QVERIFY(!control<QLabel>("Image1", splash)->pixmap().isNull());
    QPointer<valvora::ui::TSplashForm> watch(splash);
    splash->show();
    form_.reset(new TMainForm(nullptr, splash));
    QCOMPARE(splash->progressBar()->value(), 100);
    form_->show();
    QVERIFY(!splash->isVisible());  // off the screen with the main window's first show
    QCoreApplication::processEvents();
    QVERIFY(watch.isNull());  // and released with the first events
    for (QWidget* w : QApplication::topLevelWidgets())
      QVERIFY(!qobject_cast<valvora::ui::TSplashForm*>(w));

    valvora::ui::TAlimForm alim;
    QCOMPARE(control<QLabel>("Image1", &alim)->size(), QSize(491, 300));
    QCOMPARE(control<QPushButton>("Button1", &alim)->text(), QString("Fermer"));
  }
};

VALVORA_UI_TEST_MAIN(MainFormTest)

#include "mainform_test.moc"
