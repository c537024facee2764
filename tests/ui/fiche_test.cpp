// The job sheet: its tab, its file read back into every input control found by walking the
// window, the files refused, and the question about unsaved changes.

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <optional>

#include "tests/ui/uitest.h"
#include "ui/AtelierUnit.h"
#include "ui/MainUnit.h"
#include "ui/PageControl.h"
#include "ui/Sheet.h"

using valvora::testing::RecordingDialogs;
using valvora::ui::Dialogs;
using valvora::ui::SheetControls;
using valvora::ui::TAtelierForm;

namespace {

// Letters that a file format could trip over: its separators, escapes, spaces, other scripts.
const QString kLetters = QStringLiteral("ab9 =[]\\;é€ΩжЖ日本語🎸");

QString randomText(QRandomGenerator& random, int length, bool lines) {
  QString text;
  for (int i = 0; i < length; ++i) {
    if (lines && random.bounded(8) == 0) {
      text += QLatin1Char('\n');
      continue;
    }
    const QString letters = kLetters;
    // One "letter" may be two UTF-16 units (the guitar): take whole code points.
    const QList<uint> points = letters.toUcs4();
    text += QString::fromUcs4(
        reinterpret_cast<const char32_t*>(&points[random.bounded(int(points.size()))]), 1);
  }
  if (random.bounded(2)) text.prepend(QLatin1Char(' '));
  return text;
}

void writeFile(const QString& name, const QByteArray& content) {
  QFile file(name);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(content);
}

QByteArray readAll(const QString& name) {
  QFile file(name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class FicheTest : public valvora::testing::WindowTest<TAtelierForm> {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;

  QString path(const char* name) const { return folder_->filePath(QString::fromUtf8(name)); }
  std::string sheetText() const { return SheetControls(*window_->pageControl()).text(); }
  QLineEdit* edit(const char* name) { return window_->findChild<QLineEdit*>(name); }
  void saveAs(const QString& name) {
    dialogs_.savedNames << name;
    QTest::mouseClick(window_->findChild<QPushButton*>("btnAtSaveAs"), Qt::LeftButton);
  }
  void open(const QString& name) {
    dialogs_.openNames << name;
    QTest::mouseClick(window_->findChild<QToolButton*>("btnAtOpen"), Qt::LeftButton);
  }

 private slots:
  // The case's own home holds the recent sheets; the sheets go to a folder of their own.
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    openForm();
  }

  void ficheTab() {
    auto* pages = window_->pageControl();
    QCOMPARE(pages->page(0)->objectName(), QString("tsFiche"));
    QCOMPARE(pages->tab(0)->text(), QString("Fiche"));
    QCOMPARE(edit("edFiDate")->text(), QDate::currentDate().toString("dd/MM/yyyy"));
    for (const char* name : {"edFiAmp", "edFiSerie", "edFiClient", "edFiDate"})
      QCOMPARE(edit(name)->maxLength(), 200);
    auto* notes = window_->findChild<QPlainTextEdit*>("edFiNotes");
    notes->setPlainText(QString(10001, QLatin1Char('x')));
    QCOMPARE(notes->toPlainText().size(), 10000);
  }

  // Every input of every tab, random values in, saved, a new window, opened: all as they were.
  void roundTrip() {
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    const SheetControls sheet(*window_->pageControl());
    QVERIFY(sheet.controls().size() > 40);
    // Lists and switches first: a choice may fill fields, as the sheet's reading does.
    for (const auto& c : sheet.controls()) {
      if (auto* list = qobject_cast<QComboBox*>(c.widget)) {
        if (list->isEditable())
          list->setEditText(randomText(random, 6, false));
        else
          list->setCurrentIndex(random.bounded(list->count()));
      } else if (auto* radio = qobject_cast<QRadioButton*>(c.widget)) {
        if (random.bounded(2)) radio->setChecked(true);
      } else if (auto* box = qobject_cast<QCheckBox*>(c.widget)) {
        box->setChecked(random.bounded(2));
      } else if (auto* slider = qobject_cast<QAbstractSlider*>(c.widget)) {
        slider->setValue(random.bounded(slider->minimum(), slider->maximum() + 1));
      }
    }
    for (const auto& c : sheet.controls()) {
      if (auto* line = qobject_cast<QLineEdit*>(c.widget))
        line->setText(randomText(random, 1 + random.bounded(12), false));
      else if (auto* notes = qobject_cast<QPlainTextEdit*>(c.widget))
        notes->setPlainText(randomText(random, 300, true));
    }
    QStringList before;
    for (const auto& c : sheet.controls()) before << SheetControls::value(c.widget);

    saveAs(path("a.vfiche"));
    QVERIFY2(dialogs_.saveRequests.value(0).endsWith(" | Fiche Valvora (*.vfiche) | vfiche"),
             qPrintable(dialogs_.saveRequests.value(0)));
    QCOMPARE(window_->windowTitle(), QString("Atelier — a.vfiche"));
    QVERIFY(readAll(path("a.vfiche")).startsWith("; Valvora fiche 1\n"));

    window_ = std::make_unique<TAtelierForm>();
    open(path("a.vfiche"));
    QCOMPARE(window_->windowTitle(), QString("Atelier — a.vfiche"));
    const SheetControls reopened(*window_->pageControl());
    QCOMPARE(reopened.controls().size(), sheet.controls().size());
    QStringList differ;
    for (std::size_t i = 0; i < reopened.controls().size(); ++i) {
      const QWidget* w = reopened.controls()[i].widget;
      if (SheetControls::value(w) != before.value(qsizetype(i)))
        differ << w->objectName() + ": " + SheetControls::value(w) + " ≠ " +
                      before.value(qsizetype(i));
    }
    QVERIFY2(differ.isEmpty(), qPrintable(QString("seed %1: %2").arg(seed).arg(differ.join("; "))));
    QVERIFY(dialogs_.messages.isEmpty());
  }

  // A save killed at any moment leaves the old sheet or the new one, whole, and nothing
  // beside it once the next save has run.
  void killedDuringSave() {
    const QString name = path("a.vfiche");
    window_->findChild<QPlainTextEdit*>("edFiNotes")->setPlainText(QString(10000, QChar(0x416)));
    for (const char* field : {"edFiSerie", "edFiClient"}) edit(field)->setText(QString(200, 'x'));
    QByteArray saved[2];
    for (int k : {0, 1}) {
      edit("edFiAmp")->setText(QString::number(k));
      saveAs(name);
      saved[k] = readAll(name);
    }
    QRandomGenerator random(QRandomGenerator::global()->generate());
    bool changed = false;
    for (int kill = 0; kill < 50; ++kill) {
      const QByteArray before = readAll(name);
      const pid_t child = ::fork();
      if (child == 0) {
        for (int round = 0;; ++round) {
          edit("edFiAmp")->setText(QString::number(round % 2));
          window_->sheet().save();
        }
      }
      ::usleep(random.bounded(30000));
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
      const QByteArray content = readAll(name);
      QVERIFY2(content == saved[0] || content == saved[1], qPrintable(QString::number(kill)));
      changed = changed || content != before;
      QStringList beside =
          QDir(folder_->path())
              .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
      beside.removeOne("a.vfiche");
      QVERIFY2(beside.size() <= 1, qPrintable(beside.join(' ')));  // the killed save's own
    }
    QVERIFY(changed);
    open(name);
    QVERIFY(edit("edFiAmp")->text() == "0" || edit("edFiAmp")->text() == "1");
    QVERIFY(window_->sheet().save());
    QCOMPARE(QDir(folder_->path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList{"a.vfiche"});
  }

  // Files that are no sheet: refused with the message naming them, nothing changed.
  void refusals_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("notASheet");
    QTest::newRow("folder") << "folder" << true;
    QTest::newRow("fifo") << "fifo" << true;
    QTest::newRow("device") << "device" << true;
    QTest::newRow("over 1 MiB") << "large" << true;
    QTest::newRow("other first line") << "; Valvora fiche 10\n" << true;
    QTest::newRow("no first line") << "[Fiche]\nedFiAmp=x\n" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("missing") << "missing" << false;
  }
  void refusals() {
    QFETCH(QString, kind);
    QFETCH(bool, notASheet);
    saveAs(path("kept.vfiche"));
    edit("edFiAmp")->setText("Ampli en cours");
    const std::string content = sheetText();
    const QString title = window_->windowTitle();

    QString name = path("other.vfiche");
    if (kind == "folder")
      QVERIFY(QDir(folder_->path()).mkdir("other.vfiche"));
    else if (kind == "fifo")
      QCOMPARE(::mkfifo(QFile::encodeName(name).constData(), 0600), 0);
    else if (kind == "device")
      name = "/dev/zero";
    else if (kind == "large")
      writeFile(name, "; Valvora fiche 1\n" + QByteArray(1 << 20, ';'));
    else if (kind != "missing")
      writeFile(name, kind.toUtf8());

    dialogs_.answers << Dialogs::Answer::kNon;  // the changes: dropped
    open(name);
    const QStringList errors = dialogs_.errors;
    dialogs_.errors.clear();
    QCOMPARE(errors.size(), 1);
    if (notASheet)
      QCOMPARE(errors[0], QString("Ce fichier n'est pas une fiche Valvora : %1.").arg(name));
    else
      QVERIFY2(errors[0].startsWith("Impossible d'ouvrir"), qPrintable(errors[0]));
    QCOMPARE(sheetText(), content);
    QCOMPARE(window_->windowTitle(), title);
  }

  // The printed sheet: its head, the notes, a figure of each filled tab, its verdicts and
  // warnings, its plots as vectors (texts, no image), the page numbers.
  void pdf() {
    const QString reader = QStandardPaths::findExecutable("pdftotext");
    const QString images = QStandardPaths::findExecutable("pdfimages");
    if (reader.isEmpty() || images.isEmpty())
      QSKIP("pdftotext or pdfimages is missing (scripts/setup installs them)");
    edit("edFiAmp")->setText("Ampli Жёлтый Ω");
    edit("edFiClient")->setText("Mme Żółć");
    QStringList notes;
    for (int i = 1; i <= 120; ++i) notes << QString("Ligne de travaux %1").arg(i);
    window_->findChild<QPlainTextEdit*>("edFiNotes")->setPlainText(notes.join('\n'));
    edit("edDeC")->setText("100");
    QTest::mouseClick(window_->findChild<QPushButton*>("btnDeCalc"), Qt::LeftButton);
    edit("edAsM1")->setText("38,5");
    edit("edAsM2")->setText("41,2");
    QTest::mouseClick(window_->findChild<QPushButton*>("btnAsMatch"), Qt::LeftButton);
    QWidget* tonePage = window_->findChild<QWidget*>("tsTonalite");
    for (QAbstractSlider* knob : tonePage->findChildren<QAbstractSlider*>())
      if (knob->isVisibleTo(tonePage) && knob->isEnabled()) {
        knob->setValue(knob->value() / 2 + 7);
        break;
      }
    edit("edEtB")->setText("99999");  // out of its range: the stages tab's warning
    const auto label = [&](const char* name) {
      return window_->findChild<QLabel*>(name)->text().section('\n', 0, 0);
    };
    const QString expected[] = {"Ampli Жёлтый Ω",
                                "Mme Żółć",
                                "Ligne de travaux 120",
                                "Sécurité & transfo",
                                "Constante de temps",
                                edit("edDeTau")->text(),  // a result
                                label("lbAsVerdict"),
                                label("lbEtWarn"),
                                "Fréquence (Hz)",
                                "1 kHz",
                                "Niveau (dB)"};  // the tone's plot
    QVERIFY(!expected[5].isEmpty() && !expected[6].isEmpty() && !expected[7].isEmpty());

    dialogs_.savedNames << path("fiche.pdf");
    QTest::mouseClick(window_->findChild<QPushButton*>("btnAtPdf"), Qt::LeftButton);
    QCOMPARE(dialogs_.opened, QStringList{path("fiche.pdf")});
    QVERIFY(dialogs_.saveRequests.value(0).startsWith("Ampli Жёлтый Ω "));
    QProcess run;
    run.start(reader, {"-enc", "UTF-8", path("fiche.pdf"), "-"});
    QVERIFY(run.waitForFinished(10000));
    const QString text = QString::fromUtf8(run.readAllStandardOutput());
    const qsizetype pages = text.count(QChar('\f'));
    QVERIFY2(pages >= 2, qPrintable(text.left(300)));
    for (const QString& e : expected) QVERIFY2(text.contains(e), qPrintable(e));
    for (int page : {1, int(pages)})
      QVERIFY2(text.contains(QString("Page %1 / %2").arg(page).arg(pages)), qPrintable(text));
    // A tab left as it opened is not printed.
    QVERIFY(!text.contains("Valeurs normalisées"));
    // The plots are drawn, not pasted as pictures: the list has its two heading lines only.
    run.start(images, {"-list", path("fiche.pdf")});
    QVERIFY(run.waitForFinished(10000));
    QCOMPARE(QString::fromUtf8(run.readAllStandardOutput()).trimmed().count('\n'), 1);

    // A FIFO named as the PDF is refused at once, not waited on for a reader.
    const QString fifo = path("tube.pdf");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    dialogs_.savedNames << fifo;
    dialogs_.answers << RecordingDialogs::Answer::kOui;  // replace it
    QTest::mouseClick(window_->findChild<QPushButton*>("btnAtPdf"), Qt::LeftButton);
    QCOMPARE(dialogs_.errors, QStringList{"Impossible d'écrire dans " + fifo + "."});
    dialogs_.errors.clear();
  }

  // Values a control cannot take leave it at its default; one box names them.
  void valuesNotTaken() {
    const SheetControls sheet(*window_->pageControl());
    const SheetControls::Control* slider = nullptr;
    const SheetControls::Control* list = nullptr;
    const SheetControls::Control* box = nullptr;
    for (const auto& c : sheet.controls()) {
      auto* l = qobject_cast<QComboBox*>(c.widget);
      if (!slider && qobject_cast<QAbstractSlider*>(c.widget)) slider = &c;
      if (!list && l && !l->isEditable()) list = &c;
      if (!box && qobject_cast<QCheckBox*>(c.widget)) box = &c;
    }
    QVERIFY(slider && list && box);
    const auto line = [](const SheetControls::Control* c, const char* value) {
      return "[" + c->section.toUtf8() + "]\n" + c->widget->objectName().toUtf8() + "=" + value +
             "\n";
    };
    const std::string before = sheetText();
    writeFile(path("b.vfiche"), "; Valvora fiche 1\n[Inconnue]\nx=1\n[Fiche]\nedFiInconnu=2\n" +
                                    line(slider, "100000") + line(list, "Pas dans la liste") +
                                    line(box, "oui") + "[Fiche]\nedFiClient=M. Dupont\n");
    open(path("b.vfiche"));
    QCOMPARE(edit("edFiClient")->text(), QString("M. Dupont"));
    edit("edFiClient")->setText(QString());
    QCOMPARE(sheetText(), before);
    QCOMPARE(dialogs_.messages.size(), 1);
    for (const auto* c : {slider, list, box})
      QVERIFY2(dialogs_.messages[0].contains("\n" + valvora::ui::controlLabel(c->widget)),
               qPrintable(dialogs_.messages[0]));
  }

  // The question about unsaved changes, on closing and on opening another sheet.
  void unsavedChanges_data() {
    QTest::addColumn<bool>("onClose");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("goesOn");  // the window closed, or the other sheet opened
    for (bool onClose : {true, false}) {
      const char* when = onClose ? "close" : "open";
      QTest::addRow("%s Oui", when) << onClose << int(Dialogs::Answer::kOui) << true << true;
      QTest::addRow("%s Non", when) << onClose << int(Dialogs::Answer::kNon) << false << true;
      QTest::addRow("%s Annuler", when)
          << onClose << int(Dialogs::Answer::kAnnuler) << false << false;
    }
  }
  void unsavedChanges() {
    QFETCH(bool, onClose);
    QFETCH(int, answer);
    QFETCH(bool, saved);
    QFETCH(bool, goesOn);
    edit("edFiAmp")->setText("Autre");
    saveAs(path("other.vfiche"));
    edit("edFiAmp")->setText("Premier");
    saveAs(path("a.vfiche"));
    window_->show();
    window_->close();
    QVERIFY(!window_->isVisible());
    QVERIFY(dialogs_.questions.isEmpty());  // nothing changed since the saving

    window_->show();
    edit("edFiAmp")->setText("Modifié");
    QCOMPARE(window_->windowTitle(), QString("Atelier — a.vfiche *"));
    dialogs_.answers << Dialogs::Answer(answer);
    if (onClose) {
      window_->close();
      QCOMPARE(window_->isVisible(), !goesOn);
    } else {
      open(path("other.vfiche"));
      QCOMPARE(edit("edFiAmp")->text(), QString(goesOn ? "Autre" : "Modifié"));
      QCOMPARE(dialogs_.openRequests.size(), goesOn ? 1 : 0);
    }
    QCOMPARE(dialogs_.questions, QStringList{"Enregistrer les modifications de la fiche ?"});
    QCOMPARE(readAll(path("a.vfiche")).contains("edFiAmp=Modifié"), saved);
  }

  // The recent sheets under "Ouvrir…": newest first, each once, five at most; one opens.
  void recentSheets_data() {
    QTest::addColumn<QStringList>("steps");  // "s" saved as, "o" opened, then the file
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("none") << QStringList{} << QStringList{};
    QTest::newRow("saved, opened, once each")
        << QStringList{"s a", "s b", "o a"} << QStringList{"a", "b"};
    QTest::newRow("five at most") << QStringList{"s 1", "s 2", "s 3", "s 4", "s 5", "s 6"}
                                  << QStringList{"6", "5", "4", "3", "2"};
  }
  void recentSheets() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, listed);
    for (const QString& step : steps) {
      const QString name = path(qPrintable(step.mid(2) + ".vfiche"));
      if (step.startsWith('s')) {
        edit("edFiAmp")->setText(step.mid(2));
        saveAs(name);
      } else {
        open(name);
      }
    }
    window_->findChild<QLineEdit*>("edFiAmp")->setText(QString());
    window_->sheet().save();  // saved again: still listed once
    QMenu* menu = window_->findChild<QToolButton*>("btnAtOpen")->menu();
    emit menu->aboutToShow();
    QStringList texts;
    for (const QAction* action : menu->actions()) texts << action->text();
    QStringList expected;
    for (const QString& name : listed) expected << path(qPrintable(name + ".vfiche"));
    if (expected.isEmpty()) expected << "Aucune fiche récente";
    QCOMPARE(texts, expected);
    QCOMPARE(QFile::exists(home() + "/.config/valvora/recent.ini"), !listed.isEmpty());
    QVERIFY(!QFile::exists(home() + "/.config/valvora/valvora.ini"));
    if (listed.isEmpty()) return;
    menu->actions().last()->trigger();
    QCOMPARE(edit("edFiAmp")->text(), listed.last());
  }

  // Quitting, with a sheet opened as from the desktop and then changed.
  void quitWithChanges_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("quits");
    QTest::newRow("Oui") << int(Dialogs::Answer::kOui) << true << true;
    QTest::newRow("Non") << int(Dialogs::Answer::kNon) << false << true;
    QTest::newRow("Annuler") << int(Dialogs::Answer::kAnnuler) << false << false;
  }
  void quitWithChanges() {
    QFETCH(int, answer);
    QFETCH(bool, saved);
    QFETCH(bool, quits);
    writeFile(path("a.vfiche"), "; Valvora fiche 1\n[Fiche]\nedFiAmp=Premier\n");
    valvora::ui::TMainForm form(nullptr);
    form.show();
    QVERIFY(form.openSheet(path("a.vfiche")));
    TAtelierForm* atelier = form.atelier();
    QVERIFY(atelier->isVisible());
    QCOMPARE(atelier->windowTitle(), QString("Atelier — a.vfiche"));
    auto* amp = atelier->findChild<QLineEdit*>("edFiAmp");
    QCOMPARE(amp->text(), QString("Premier"));
    amp->setText("Modifié");
    dialogs_.answers << Dialogs::Answer(answer);
    form.close();
    QCOMPARE(form.isVisible(), !quits);
    QCOMPARE(dialogs_.questions, QStringList{"Enregistrer les modifications de la fiche ?"});
    QCOMPARE(readAll(path("a.vfiche")).contains("edFiAmp=Modifié"), saved);
  }
};

VALVORA_UI_TEST_MAIN(FicheTest)
#include "fiche_test.moc"
