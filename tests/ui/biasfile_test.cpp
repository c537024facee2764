// The bias page's measurements in the settings file ("Enregistrer", "Charger") and its HTML
// report ("Etat HTML"), with every box answered by the test.

#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/bias.h"
#include "core/biasreport.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/session.h"
#include "platform/writefile.h"
#include "tests/platform/as_user.h"
#include "tests/ui/uitest.h"
#include "ui/DataSheetUnit.h"
#include "ui/MainUnit.h"

using valvora::platform::testing::As;
using valvora::platform::testing::inChild;
using valvora::testing::typeInto;
using valvora::ui::Dialogs;
using valvora::ui::TMainForm;

namespace {

const QString kSourceDir = QStringLiteral(VALVORA_SOURCE_DIR);
const QString kSaved = valvora::testing::kTitle + " | Opération effectuée avec succès.";
const QString kAskSave = "Etes vous sur d'enregistrer les modifications ?";
const QString kAskLoad = "Etes vous sur de remplacer les données ?";

QByteArray bytesOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  f.write(bytes);
}

// How often the system saw a file of that name opened in the folder (inotify).
class Openings {
 public:
  Openings(const QString& folder, const QString& name)
      : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), name_(name.toStdString()) {
    if (fd_ < 0 || ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), IN_OPEN) < 0)
      qFatal("no inotify");
  }
  ~Openings() { ::close(fd_); }
  int take() {
    int count = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;) {
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (event->len > 0 && name_ == event->name) ++count;
        at += ssize_t(sizeof(inotify_event) + event->len);
      }
    }
    return count;
  }

 private:
  int fd_;
  std::string name_;
};

QList<QByteArray> linesOf(const QByteArray& bytes) {
  QList<QByteArray> lines = bytes.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

}  // namespace

class BiasFileTest : public valvora::testing::UiTest {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QByteArray shipped_;

  QString settings() const { return dir_.path() + "/valvora.ini"; }
  std::unique_ptr<TMainForm> newForm() override {
    writeBytes(settings(), shipped_);
    return std::make_unique<TMainForm>(nullptr, nullptr, settings().toStdString());
  }
  QLineEdit* edit(const QString& name) { return control<QLineEdit>(name); }
  QPushButton* htmlButton() { return control<QPushButton>("btnHTML"); }
  QLabel* info() { return control<QLabel>("lbInfo"); }
  // What the boxes showed, for a child process to hand back.
  std::string seen() {
    return (dialogs_.errors + QStringList{"-"} + dialogs_.messages).join("\n").toStdString();
  }

 private slots:
  void initTestCase() {
    prepareRun();
    shipped_ = bytesOf(kSourceDir + "/app/valvora.ini");
    // Open to the unprivileged user, so that only the modes the cases set refuse.
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadOther | QFile::ExeOther);
  }
  void cleanup() {
    closeForm();
    for (const QString& name : QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden))
      QFile::remove(dir_.path() + "/" + name);
    for (const QString& name : QDir(dir_.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
      QFile::setPermissions(dir_.path() + "/" + name,
                            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      QDir(dir_.path() + "/" + name).removeRecursively();
    }
  }

  // The default texts, a fixed date, time and user: the report written out by hand.
  void reportOfTheDefaultTexts() {
    const QByteArray golden = bytesOf(kSourceDir + "/tests/ui/data/bias_report.html");
    const valvora::ReportStamp stamp{"06/12/2026", "22:41:43", "atelier"};
    const std::string report = valvora::platform::toWindows1252(
        valvora::biasReportText(form_->tubes(), valvora::ui::kApplicationTitle, stamp));
    QCOMPARE(QByteArray::fromStdString(report), golden);
    QCOMPARE(golden.count("\r\n"), 156);
    QCOMPARE(golden.count('\n'), 156);
    QCOMPARE(golden.count('\r'), 156);
    QVERIFY(golden.endsWith("</body></html>\r\n"));

    // The user name is the one text that is escaped; a name outside the code page is marked.
    const valvora::ReportStamp odd{"d", "t", "<b>A&B \"x\" Łukasz"};
    const QList<QByteArray> lines =
        linesOf(QByteArray::fromStdString(valvora::platform::toWindows1252(
            valvora::biasReportText(form_->tubes(), valvora::ui::kApplicationTitle, odd))));
    QCOMPARE(lines.size(), 156);
    QCOMPARE(lines[11],
             QByteArray("Fichier g\xE9n\xE9r\xE9 par <i>") + valvora::ui::kApplicationTitle +
                 QByteArray("</i> le d \xE0 t par "
                            "l'utilisateur &lt;b&gt;A&amp;B &quot;x&quot; ?ukasz</TD></TR></TABLE>"
                            "\r"));
  }

  void saveThenLoadGivesTheTextsBack() {
    const QString forty = "1234567890123456789012345678901234567890";
    typeInto(edit("ed6V6anode"), forty);
    typeInto(edit("edKT88VborneR19"), "-4,5E2");
    typeInto(edit("edEL34VC9"), "");
    dialogs_.answers = {Dialogs::Answer::kOui};
    click("btnRecord");
    QCOMPARE(dialogs_.questions, QStringList{kAskSave});
    QCOMPARE(dialogs_.messages, QStringList{kSaved});

    // The data sheet sections and comments stay as they were, the new sections follow.
    const QByteArray saved = bytesOf(settings());
    QVERIFY(saved.startsWith(shipped_));
    const QByteArray added = saved.mid(shipped_.size());
    QVERIFY(
        added.startsWith("[6L6]\r\nAnode=235\r\nCathode=11,5\r\nGrille=233\r\nC9=242\r\n"
                         "R19=70\r\nR20=164\r\nImpedance=3,3571\r\n[6V6]\r\nAnode=123456789012"
                         "345678901234567890\r\n"));
    QStringList sections;
    for (const QByteArray& line : linesOf(added))
      if (line.startsWith('[')) sections << QString::fromLatin1(line.trimmed());
    QCOMPARE(sections, QStringList({"[6L6]", "[6V6]", "[EL34]", "[EL84]", "[KT88]", "[6L6GC]"}));
    QCOMPARE(linesOf(added).size(), 48);
    QVERIFY(added.contains("\r\nC9=\r\n"));

    const QString impedance = text("ed6L6gcImp");
    for (const char* name : {"ed6V6anode", "edKT88VborneR19", "ed6L6gcImp", "ed6L6disanode"})
      edit(name)->setText("0");
    typeInto(edit("edEL34VC9"), "7");
    dialogs_.clear();
    dialogs_.answers = {Dialogs::Answer::kOui};
    click("btnLoad");
    QCOMPARE(dialogs_.questions, QStringList{kAskLoad});
    QCOMPARE(dialogs_.messages, QStringList{kSaved});
    QCOMPARE(text("ed6V6anode"), forty.left(30));
    QCOMPARE(text("edKT88VborneR19"), QString("-4,5E2"));
    QCOMPARE(text("edEL34VC9"), QString());
    QCOMPARE(text("ed6L6gcImp"), impedance);
    QCOMPARE(text("ed6L6disanode"), QString("0"));  // not in the file, and nothing recomputed
  }

  // One reading of the file for the whole page, and a load shows one save: never the keys of
  // two saves of another program that writes meanwhile.
  void loadReadsOneVersionOfTheFile() {
    const valvora::platform::ProfileFile file(settings().toStdString());
    std::vector<valvora::platform::ProfileFile::Entry> entries;
    for (const valvora::MeasurementKey& k : valvora::measurementKeys())
      entries.push_back({k.section, k.key, "0"});
    file.write(entries);
    Openings openings(dir_.path(), "valvora.ini");
    dialogs_.answers = {Dialogs::Answer::kOui};
    click("btnLoad");
    QCOMPARE(openings.take(), 1);

    // Another program saves in a loop, each save one number in all 42 keys, with a pause
    // between saves as a program's saves have (a tight loop holds the lock nearly always).
    const pid_t writer = ::fork();
    if (writer == 0) {
      try {
        for (int save = 1;; ++save) {
          for (auto& entry : entries) entry.value = std::to_string(save);
          file.write(entries);
          ::usleep(2000);
        }
      } catch (...) {
      }
      _exit(1);
    }
    QSet<QString> saves;
    QString mixed;
    for (int load = 0; load < 200 && mixed.isEmpty(); ++load) {
      dialogs_.clear();
      dialogs_.answers = {Dialogs::Answer::kOui};
      click("btnLoad");
      QSet<QString> texts;
      for (const valvora::MeasurementKey& k : valvora::measurementKeys())
        texts << text(QString::fromStdString(k.field));
      if (texts.size() != 1) mixed = QStringList(texts.values()).join(" ");
      saves.unite(texts);
    }
    int status = 0;
    const bool running = ::waitpid(writer, &status, WNOHANG) == 0;
    ::kill(writer, SIGKILL);
    ::waitpid(writer, nullptr, 0);
    QVERIFY2(mixed.isEmpty(), qPrintable("one load showed " + mixed));
    QVERIFY(running);
    QVERIFY2(saves.size() > 2, "the other program's saves never reached a load");
  }

  // The start-up reads the file once for both windows, and a file that cannot be read is
  // reported once; values that do not convert are still reported by each window.
  void startUpReadsTheSettingsOnce_data() {
    QTest::addColumn<QByteArray>("content");  // "<folder>": valvora.ini is a folder
    QTest::addColumn<int>("messages");
    QTest::addColumn<QString>("message");
    QTest::newRow("fichier livré") << shipped_ << 0 << QString();
    QTest::newRow("dossier") << QByteArray("<folder>") << 1
                             << QString::fromStdString(valvora::platform::cannotOpenMessage(
                                    settings().toStdString(), EISDIR)) +
                                    ".";
    QTest::newRow("sans les limites") << QByteArray("; vide\r\n") << 2
                                      << "'' n'est pas une valeur en virgule flottante correcte.";
  }
  void startUpReadsTheSettingsOnce() {
    QFETCH(QByteArray, content);
    QFETCH(int, messages);
    QFETCH(QString, message);
    form_.reset();
    QFile::remove(settings());
    if (content == "<folder>")
      QDir(dir_.path()).mkdir("valvora.ini");
    else
      writeBytes(settings(), content);
    Openings openings(dir_.path(), "valvora.ini");
    const auto startUp = std::make_shared<valvora::ui::SettingsAtStartUp>(
        valvora::platform::ProfileFile(settings().toStdString()));
    form_ = std::make_unique<TMainForm>(nullptr, nullptr, startUp);
    const valvora::ui::TDataSheet dataSheet(nullptr, startUp);
    QCOMPARE(openings.take(), 1);
    QCOMPARE(dialogs_.errors, QStringList(messages, message));
    dialogs_.clear();
    QDir(dir_.path()).rmdir("valvora.ini");
  }

  void saveIntoAFolderWithoutTheFile() {
    QFile::remove(settings());
    dialogs_.answers = {Dialogs::Answer::kOui};
    click("btnRecord");
    QCOMPARE(dialogs_.messages, QStringList{kSaved});
    const QList<QByteArray> lines = linesOf(bytesOf(settings()));
    QCOMPARE(lines.size(), 48);
    QCOMPARE(lines[0], QByteArray("[6L6]\r"));
    QCOMPARE(lines[40], QByteArray("[6L6GC]\r"));
    QCOMPARE(lines[47], QByteArray("Impedance=2,5051\r"));
  }

  void answeringNonChangesNothing() {
    typeInto(edit("ed6L6anode"), "300");
    click("btnRecord");  // no answer given: Non
    QCOMPARE(bytesOf(settings()), shipped_);
    click("btnLoad");
    QCOMPARE(text("ed6L6anode"), QString("300"));
    QCOMPARE(dialogs_.questions, QStringList({kAskSave, kAskLoad}));
    QCOMPARE(dialogs_.messages, QStringList());
  }

  // Loading a file without the measurement sections: empty fields, the success box.
  void loadingWithoutTheSections() {
    dialogs_.answers = {Dialogs::Answer::kOui};
    click("btnLoad");
    QCOMPARE(dialogs_.messages, QStringList{kSaved});
    QCOMPARE(text("ed6L6anode"), QString());
    QCOMPARE(text("edKT88Imp"), QString());
  }

  void failedSavesKeepTheOldFile_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<bool>("asNobody");
    QTest::addColumn<int>("sizeLimit");  // 0: none
    QTest::newRow("fichier en lecture seule") << "a" << 0444 << 0755 << true << 0;
    QTest::newRow("dossier en lecture seule") << "b" << 0644 << 0555 << true << 0;
    QTest::newRow("disque plein") << "c" << 0644 << 0755 << false << int(shipped_.size()) + 40;
  }
  void failedSavesKeepTheOldFile() {
    QFETCH(QString, folder);
    QFETCH(int, fileMode);
    QFETCH(int, folderMode);
    QFETCH(bool, asNobody);
    QFETCH(int, sizeLimit);
    const std::string path = (dir_.path() + "/" + folder + "/valvora.ini").toStdString();
    std::filesystem::create_directories(dir_.path().toStdString() + "/" + folder.toStdString());
    writeBytes(QString::fromStdString(path), shipped_);
    form_ = std::make_unique<TMainForm>(nullptr, nullptr, path);
    const std::string folderPath = std::filesystem::path(path).parent_path().string();
    // Owned by the unprivileged user, so that only the mode bits refuse.
    if (::geteuid() == 0)
      for (const std::string& p : {path, folderPath})
        QVERIFY(::chown(p.c_str(), 65534, 65534) == 0);
    ::chmod(path.c_str(), mode_t(fileMode));
    ::chmod(folderPath.c_str(), mode_t(folderMode));
    const std::string result = inChild(
        asNobody ? As::kNobody : As::kSelf,
        [&] {
          dialogs_.answers = {Dialogs::Answer::kOui};
          click("btnRecord");
          return seen();
        },
        sizeLimit == 0 ? RLIM_INFINITY : rlim_t(sizeLimit));
    ::chmod(folderPath.c_str(), 0755);
    QCOMPARE(QString::fromStdString(result),
             QString::fromStdString("Impossible d'écrire dans " + path + ".\n-"));
    QCOMPARE(bytesOf(QString::fromStdString(path)), shipped_);
    QCOMPARE(QDir(QString::fromStdString(folderPath)).entryList(QDir::Files | QDir::Hidden),
             QStringList({"valvora.ini"}) +
                 (folderMode == 0755 ? QStringList{"valvora.ini.lock"} : QStringList{}));
  }

  void reportWrittenAndOpened() {
    const QString name = dir_.path() + "/état.html";
    dialogs_.savedNames = {name, name};
    bool busy = false;
    dialogs_.whileAsking = [&] { busy = !htmlButton()->isEnabled() && !info()->isHidden(); };
    form_->show();
    typeInto(edit("ed6V6anode"), "300");  // recomputed before the report is written
    click("btnHTML");
    QVERIFY(busy);
    QVERIFY(htmlButton()->isEnabled());
    QVERIFY(info()->isHidden());
    QCOMPARE(dialogs_.saveRequests,
             QStringList{"report.html | Fichiers HTML (*.html, *.htm) (*.html) | html"});
    QCOMPARE(dialogs_.opened, QStringList{name});
    QCOMPARE(text("ed6V6Imp"), QString("5,7692"));

    const QList<QByteArray> lines = linesOf(bytesOf(name));
    const QList<QByteArray> golden =
        linesOf(bytesOf(kSourceDir + "/tests/ui/data/bias_report.html"));
    QCOMPARE(lines.size(), 156);
    for (int i = 0; i < 156; ++i) {
      if (i == 11 || i == 31 || i == 97 || i == 125 || i == 136 || i == 147) continue;
      QCOMPARE(lines[i], golden[i]);
    }
    QCOMPARE(lines[31], QByteArray("\t\t<TD WIDTH=9%>300</TD>\r"));
    const std::string user = valvora::escapeHtml(valvora::platform::logonUserName());
    QVERIFY(lines[11].startsWith(QByteArray("Fichier g\xE9n\xE9r\xE9 par <i>") +
                                 valvora::ui::kApplicationTitle + "</i> le "));
    QVERIFY(lines[11].endsWith(QByteArray::fromStdString(" par l'utilisateur " + user) +
                               "</TD></TR></TABLE>\r"));

    // The second report offers the name chosen first, and asks before replacing it.
    dialogs_.answers = {Dialogs::Answer::kOui};
    writeBytes(name, "old");
    click("btnHTML");
    QCOMPARE(dialogs_.saveRequests.last().section(" | ", 0, 0), name);
    QCOMPARE(dialogs_.questions, QStringList{"Remplacer le fichier " + name});
    QCOMPARE(linesOf(bytesOf(name)).size(), 156);
  }

  void reportNotWritten_data() {
    QTest::addColumn<QString>("chosen");  // empty: the dialog is cancelled
    QTest::addColumn<int>("answer");      // to the replacement question, if asked
    QTest::addColumn<bool>("asNobody");
    QTest::addColumn<QString>("message");
    QTest::newRow("annulé") << QString() << 0 << false << QString();
    QTest::newRow("remplacer : Non")
        << "old.html" << int(Dialogs::Answer::kNon) << false << QString();
    QTest::newRow("remplacer : Annuler")
        << "old.html" << int(Dialogs::Answer::kAnnuler) << false << QString();
    QTest::newRow("dossier absent") << "absent/r.html" << 0 << false << "Fichier introuvable.";
    QTest::newRow("dossier en lecture seule")
        << "ro/r.html" << 0 << true << "Accès au fichier refusé.";
    QTest::newRow("mesure incorrecte")
        << "bad" << 0 << false << "'x' n'est pas une valeur en virgule flottante correcte.";
  }
  void reportNotWritten() {
    QFETCH(QString, chosen);
    QFETCH(int, answer);
    QFETCH(bool, asNobody);
    QFETCH(QString, message);
    writeBytes(dir_.path() + "/old.html", "old");
    QDir(dir_.path()).mkdir("ro");
    QFile::setPermissions(dir_.path() + "/ro",
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    if (chosen == "bad") typeInto(edit("edEL84grille2"), "x");
    if (!chosen.isEmpty()) dialogs_.savedNames = {dir_.path() + "/" + chosen};
    dialogs_.answers = {Dialogs::Answer(answer)};
    form_->show();
    const std::string seen = inChild(asNobody ? As::kNobody : As::kSelf, [&] {
      click("btnHTML");
      const bool restored = htmlButton()->isEnabled() && info()->isHidden();
      return (dialogs_.errors.join("|") + (restored ? "" : " (not restored)") + "|" +
              QString::number(dialogs_.opened.size()) + "|" +
              QString::number(dialogs_.saveRequests.size()))
          .toStdString();
    });
    QCOMPARE(QString::fromStdString(seen), message + "|0|" + (chosen == "bad" ? "0" : "1"));
    QCOMPARE(bytesOf(dir_.path() + "/old.html"), QByteArray("old"));
    QCOMPARE(QDir(dir_.path() + "/ro").entryList(QDir::Files), QStringList());
  }
};

VALVORA_UI_TEST_MAIN(BiasFileTest)

#include "biasfile_test.moc"
