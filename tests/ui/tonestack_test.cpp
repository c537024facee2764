// The "Tonalité" tab of the Atelier window: live recomputation, presets, invalid fields.

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

#include "core/atelier/tonestack.h"
#include "platform/numericlocale.h"
#include "tests/ui/uitest.h"
#include "ui/AtelierUnit.h"
#include "ui/Plot.h"

using valvora::testing::RecordingDialogs;
using valvora::testing::typeInto;
using valvora::ui::TAtelierForm;

class ToneStackTabTest : public valvora::testing::WindowTest<TAtelierForm> {
  Q_OBJECT

 private:
  template <typename T>
  T* get(const char* name) {
    return control<T>(name);
  }
  QString label(const char* name) { return get<QLabel>(name)->text(); }
  QString edit(const char* name) { return get<QLineEdit>(name)->text(); }
  valvora::ui::Plot* plot() { return get<valvora::ui::Plot>("plTsResponse"); }
  std::vector<double> curve() { return plot()->curves().at(0).data.y; }

 private slots:

  // Opened on the Bassman preset, every knob at 5.
  void firstCurve() {
    QCOMPARE(get<QComboBox>("cbTsPreset")->currentText(), QString("Fender Bassman 5F6-A"));
    QCOMPARE(label("lbTsTreble"), QString("5,0"));
    QCOMPARE(label("lbTsDb1k"), QString("-13,2 dB"));
    QCOMPARE(edit("edTsNotchF"), QString("880"));
    QCOMPARE(edit("edTsNotchDb"), QString("-13,3"));
    QCOMPARE(int(curve().size()), 300);
  }

  // "Exporter…" writes the response as the extension chosen says.
  void exportButton() {
    QTemporaryDir dir;
    const QString name = dir.filePath("reponse.svg");
    dialogs_.savedNames = {name};
    QTest::mouseClick(get<QPushButton>("btnTsExport"), Qt::LeftButton);
    QCOMPARE(dialogs_.saveRequests.size(), 1);
    QVERIFY(QFileInfo(name).size() > 1000);
  }

  // Keyboard on a knob: its value, the figures and the curve follow at once.
  void knobMoveRecomputes() {
    auto* bass = get<QSlider>("dlTsBass");
    const std::vector<double> before = curve();
    bass->setFocus();
    QTest::keyClick(bass, Qt::Key_End);
    QCOMPARE(label("lbTsBass"), QString("10,0"));
    QCOMPARE(label("lbTsDb20"), QString("-3,2 dB"));  // -6,5 dB at 5
    QVERIFY(curve() != before);
    QVERIFY(curve().front() > before.front());
  }

  // A wrong field is framed and named, boxes stay shut, and the last curve and figures stay
  // until it is right again; typing made the stack "Personnalisé".
  void curveKeptWhileAFieldIsInvalid_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("zero") << "edTsR4"
                          << "0" << QString::fromUtf8("R4 (pente) : entre 0,1 et 10 000 kΩ.");
    QTest::newRow("not a number") << "edTsC2"
                                  << "x2" << QString::fromUtf8("C2 : 'x2' n'est pas un nombre.");
    QTest::newRow("negative source")
        << "edTsRs"
        << "-1" << QString::fromUtf8("Rs (source) : entre 0 et 1000 kΩ.");
  }
  void curveKeptWhileAFieldIsInvalid() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    auto* edit = get<QLineEdit>(qPrintable(field));
    const QString good = edit->text();
    const std::vector<double> before = curve();
    const QString db1k = label("lbTsDb1k");
    edit->ensurePolished();
    const QFont font = edit->font();
    typeInto(edit, text);
    edit->ensurePolished();
    QCOMPARE(edit->font(), font);  // the frame changes the border only
    QCOMPARE(get<QComboBox>("cbTsPreset")->currentText(), QString::fromUtf8("Personnalisé"));
    QCOMPARE(label("lbTsError"), message);
    QVERIFY(!edit->styleSheet().isEmpty());
    // A knob move meanwhile changes nothing drawn.
    get<QSlider>("dlTsTreble")->setValue(90);
    QCOMPARE(label("lbTsTreble"), QString("9,0"));
    QCOMPARE(curve(), before);
    QCOMPARE(label("lbTsDb1k"), db1k);
    typeInto(edit, good);
    QCOMPARE(label("lbTsError"), QString());
    QVERIFY(edit->styleSheet().isEmpty());
    QVERIFY(curve() != before);
  }

  // A preset writes its values and tapers; hold keeps the old curve under the new one.
  void presetAndHeldCurve() {
    get<QComboBox>("cbTsTaperM")->setCurrentIndex(2);
    get<QPushButton>("btnTsHold")->click();
    QCOMPARE(plot()->heldCount(), 1);
    get<QComboBox>("cbTsPreset")->setCurrentText("Marshall JCM800 2203");
    QCOMPARE(edit("edTsR1"), QString("220"));
    QCOMPARE(edit("edTsC1"), QString("470"));
    QCOMPARE(get<QComboBox>("cbTsTaperM")->currentText(), QString::fromUtf8("Linéaire"));
    QCOMPARE(get<QComboBox>("cbTsPreset")->currentText(), QString("Marshall JCM800 2203"));
    QVERIFY(label("lbTsDb1k") != QString("-13,2 dB"));
    get<QPushButton>("btnTsClear")->click();
    QCOMPARE(plot()->heldCount(), 0);
  }

  // A circuit shows its own parts (units as its table says), knobs and presets only.
  void circuitShowsItsOwnControls_data() {
    QTest::addColumn<QString>("circuit");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("hidden");
    QTest::addColumn<QString>("c3Unit");
    QTest::newRow("5E3") << "Fender 5E3 Deluxe"
                         << "5E3" << QStringList{"edTsRINB",    "edTsC4",   "dlTsVolume",
                                                 "dlTsVolume2", "dlTsTone", "cbTsTaperVol2"}
                         << QStringList{"edTsR1", "edTsR4", "dlTsTreble", "dlTsMid", "cbTsTaperB"}
                         << "pF";
    QTest::newRow("Big Muff") << "Big Muff"
                              << "Big Muff Pi" << QStringList{"edTsRT", "dlTsTone", "cbTsTaperTone"}
                              << QStringList{"edTsC4", "edTsRB", "dlTsBass", "dlTsVolume"} << "nF";
    QTest::newRow("Hiwatt") << "Hiwatt DR103"
                            << "DR103" << QStringList{"edTsC5", "edTsRM", "dlTsMid", "dlTsTreble"}
                            << QStringList{"edTsCT", "dlTsTone"} << "nF";
  }
  void circuitShowsItsOwnControls() {
    QFETCH(QString, circuit);
    QFETCH(QString, preset);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, hidden);
    QFETCH(QString, c3Unit);
    get<QComboBox>("cbTsCircuit")->setCurrentText(circuit);
    QCOMPARE(get<QComboBox>("cbTsPreset")->currentText(), preset);
    for (const QString& name : shown)
      QVERIFY2(!get<QWidget>(qPrintable(name))->isHidden(), qPrintable(name));
    for (const QString& name : hidden)
      QVERIFY2(get<QWidget>(qPrintable(name))->isHidden(), qPrintable(name));
    QCOMPARE(label("lbTsC3Unit"), c3Unit);
    QCOMPARE(label("lbTsError"), QString());
    QCOMPARE(int(curve().size()), 300);
  }

  // Each circuit shows its own drawing, from the resources, whose texts name every one of its
  // parts (Rs and RL are the source's and the load's, drawn nowhere).
  void everyCircuitHasItsDrawing() {
    auto* circuits = get<QComboBox>("cbTsCircuit");
    auto* drawing = get<QLabel>("imTsCircuit");
    for (const valvora::atelier::ToneCircuit& c : valvora::atelier::kToneCircuits) {
      const QString name = QString::fromUtf8(c.drawing.data(), qsizetype(c.drawing.size()));
      circuits->setCurrentText(QString::fromUtf8(c.caption.data(), qsizetype(c.caption.size())));
      const QImage shown = drawing->pixmap().toImage();
      QVERIFY2(!shown.isNull(), qPrintable(name));
      const QImage resource(":/design/" + name + ".png");
      QVERIFY2(!resource.isNull(), qPrintable(name));
      QCOMPARE(shown.size(), resource.size());
      QFile svg("art/design/" + name + ".svg");
      QVERIFY2(svg.open(QIODevice::ReadOnly), qPrintable(name));
      const QString source = QString::fromUtf8(svg.readAll());
      for (const valvora::atelier::ToneStackField& field : c.fields) {
        const QString part =
            QString::fromUtf8(field.name.substr(4).data(), qsizetype(field.name.size() - 4));
        if (part == "Rs" || part == "RL") continue;
        QVERIFY2(source.contains(QStringLiteral(">%1</text>").arg(part)),
                 qPrintable(name + " " + part));
      }
    }
    circuits->setCurrentText(QString::fromUtf8("Circuit personnalisé"));
    QVERIFY(drawing->isHidden());
  }

  // Each circuit keeps what it was left at; a flat setting has no notch and no message.
  void circuitsKeepTheirValues() {
    auto* circuits = get<QComboBox>("cbTsCircuit");
    typeInto(get<QLineEdit>("edTsR1"), "300");
    get<QSlider>("dlTsTreble")->setValue(70);
    const QString db1k = label("lbTsDb1k");
    circuits->setCurrentText("Big Muff");
    QCOMPARE(edit("edTsRT"), QString("100"));
    QVERIFY(label("lbTsDb1k") != db1k);
    circuits->setCurrentIndex(0);
    QCOMPARE(edit("edTsR1"), QString("300"));
    QCOMPARE(get<QSlider>("dlTsTreble")->value(), 70);
    QCOMPARE(get<QComboBox>("cbTsPreset")->currentText(), QString::fromUtf8("Personnalisé"));
    QCOMPARE(label("lbTsDb1k"), db1k);

    get<QComboBox>("cbTsPreset")->setCurrentIndex(0);
    get<QSlider>("dlTsTreble")->setValue(100);
    get<QSlider>("dlTsMid")->setValue(0);
    get<QSlider>("dlTsBass")->setValue(0);
    QCOMPARE(edit("edTsNotchF"), QString());
    QCOMPARE(edit("edTsNotchDb"), QString());
    QCOMPARE(label("lbTsError"), QString());
  }

  // A sweep draws six curves of one knob, light to dark, named in the legend; the figures
  // stay those of the knobs as set.
  void sweepOfOneKnob() {
    const QString db1k = label("lbTsDb1k");
    get<QComboBox>("cbTsSweep")->setCurrentText("Graves");
    const auto& curves = plot()->curves();
    QCOMPARE(int(curves.size()), 6);
    const char* names[] = {"Graves 0", "Graves 2", "Graves 4", "Graves 6", "Graves 8", "Graves 10"};
    for (int i = 0; i < 6; ++i) {
      QCOMPARE(QString::fromStdString(curves[i].data.name), QString(names[i]));
      if (i > 0) QVERIFY(curves[i].colour.lightness() < curves[i - 1].colour.lightness());
    }
    QVERIFY(curves[5].data.y.front() > curves[0].data.y.front());
    QCOMPARE(label("lbTsDb1k"), db1k);
    get<QComboBox>("cbTsSweep")->setCurrentIndex(0);
    QCOMPARE(int(plot()->curves().size()), 1);
  }

  // The user's own circuit opens on the first one's netlist, with the same response; its
  // knobs are its pots; a faulty line keeps the last curve and names the line.
  void customCircuit() {
    const QString db1k = label("lbTsDb1k");
    get<QComboBox>("cbTsCircuit")->setCurrentText(QString::fromUtf8("Circuit personnalisé"));
    auto* netlist = get<QPlainTextEdit>("edTsNetlist");
    QVERIFY(!netlist->isHidden());
    QVERIFY(get<QLineEdit>("edTsR1")->isHidden());
    QVERIFY(!get<QLineEdit>("edTsRs")->isHidden());
    QVERIFY(get<QSlider>("dlTsTreble")->isHidden());
    QVERIFY(netlist->toPlainText().startsWith("R R4 in n1 56k\n"));
    QCOMPARE(label("lbTsDb1k"), db1k);
    QCOMPARE(label("lbTsError"), QString());
    QVERIFY(!get<QSlider>("dlTsK3")->isHidden());
    QVERIFY(get<QSlider>("dlTsK4")->isHidden());
    get<QSlider>("dlTsK1")->setValue(100);  // R1, the treble pot
    QVERIFY(label("lbTsDb1k") != db1k);
    const std::vector<double> before = curve();
    netlist->appendPlainText("R RX out x 4k7x");  // after the last line's newline: line 9
    QCOMPARE(label("lbTsError"), QString::fromUtf8("Ligne 9 : valeur illisible « 4k7x »."));
    QCOMPARE(curve(), before);
    netlist->appendPlainText("R RY x 0 1k");
    QCOMPARE(label("lbTsError"), QString::fromUtf8("Ligne 9 : valeur illisible « 4k7x »."));
    netlist->setPlainText(netlist->toPlainText().replace("4k7x", "4k7"));
    QCOMPARE(label("lbTsError"), QString());
    QVERIFY(curve() != before);
    get<QComboBox>("cbTsCircuit")->setCurrentIndex(0);
    QCOMPARE(label("lbTsDb1k"), db1k);
  }
};

VALVORA_UI_TEST_MAIN(ToneStackTabTest)

#include "tonestack_test.moc"
