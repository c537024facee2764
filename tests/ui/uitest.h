#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/numericlocale.h"
#include "platform/profile.h"
#include "ui/Dialogs.h"
#include "ui/MainUnit.h"

namespace valvora::testing {

// The caption of the main window and of the boxes.
inline const QString kTitle = QString::fromUtf8(ui::kApplicationTitle);

// Answers every box without a modal loop and remembers what was asked.
class RecordingDialogs : public ui::Dialogs {
 public:
  void error(QWidget*, const QString& caption, const QString& text) override {
    captions << caption;
    errors << text;
  }
  void openDocument(const QString& nameOrAddress) override { opened << nameOrAddress; }
  void showModal(QDialog& window) override { shown << window.objectName(); }
  bool confirm(QWidget*, const QString& text) override { return answer(text) == Answer::kOui; }
  Answer confirmOrCancel(QWidget*, const QString& text) override { return answer(text); }
  void message(QWidget*, const QString& caption, const QString& text) override {
    messages << caption + " | " + text;
  }
  QString saveFileName(QWidget*, const SaveRequest& request) override {
    saveRequests << request.initialName + " | " + request.filter + " | " + request.defaultSuffix;
    if (whileAsking) whileAsking();
    return savedNames.isEmpty() ? QString() : savedNames.takeFirst();
  }
  QString openFileName(QWidget*, const QString& filter) override {
    openRequests << filter;
    return openNames.isEmpty() ? QString() : openNames.takeFirst();
  }
  void clear() {
    captions.clear();
    errors.clear();
    opened.clear();
    shown.clear();
    questions.clear();
    answers.clear();
    messages.clear();
    saveRequests.clear();
    savedNames.clear();
    openRequests.clear();
    openNames.clear();
    whileAsking = nullptr;
  }
  QStringList captions;
  QStringList errors;
  QStringList opened;
  QStringList shown;                  // secondary windows, by object name
  QStringList questions;              // confirmation texts, with and without "Annuler"
  QList<Answer> answers;              // given in turn; none left answers Non
  QStringList messages;               // "caption | text" of plain message boxes
  QStringList saveRequests;           // "initial name | filter | suffix" of each save dialog
  QStringList savedNames;             // chosen in turn; none left cancels the dialog
  QStringList openRequests;           // the filter of each open dialog
  QStringList openNames;              // chosen in turn; none left cancels the dialog
  std::function<void()> whileAsking;  // run inside the save dialog, to look at the window

 private:
  Answer answer(const QString& text) {
    questions << text;
    return answers.isEmpty() ? Answer::kNon : answers.takeFirst();
  }
};

// A real modal box would hang the run: close it and fail instead.
inline void failOnModalBoxes(QObject* owner) {
  auto* watchdog = new QTimer(owner);
  QObject::connect(watchdog, &QTimer::timeout, owner, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      modal->close();
      QFAIL("an unexpected modal box appeared");
    }
  });
  watchdog->start(200);
}

// Replaces the text of an edit field or of a list's edit box by typing it.
inline void typeInto(QWidget* field, const QString& text) {
  QLineEdit* edit = qobject_cast<QLineEdit*>(field);
  if (!edit) edit = qobject_cast<QComboBox*>(field)->lineEdit();
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

inline QString fieldText(QWidget* field) {
  if (auto* combo = qobject_cast<QComboBox*>(field)) return combo->currentText();
  return qobject_cast<QLineEdit*>(field)->text();
}

// What every window test program shares: the source folder as the current directory (it
// holds data/), the recording dialogs, the guard against modal boxes, a fresh window for each
// case in a home folder of its own (HOME and the XDG folders: recent files, the settings'
// user copy and its lock never reach the user's), and a case that leaves an error box
// unanswered fails. QtTest runs the inherited initTestCase, init and cleanup; a program that
// needs more declares its own and calls the protected steps.
class WindowTestBase : public QObject {
  Q_OBJECT

 protected:
  RecordingDialogs dialogs_;
  std::optional<ui::ScopedDialogs> dialogsScope_;

  void prepareRun() {
    QDir::setCurrent(QStringLiteral(VALVORA_SOURCE_DIR));
    dialogsScope_.emplace(dialogs_);
    failOnModalBoxes(this);
  }
  void openForm() {
    dialogs_.clear();
    home_ = homes_.filePath(QString::number(++cases_));
    QDir().mkpath(home_);
    qputenv("HOME", QFile::encodeName(home_));
    const std::pair<const char*, const char*> folders[] = {{"XDG_CONFIG_HOME", "/.config"},
                                                           {"XDG_DATA_HOME", "/.local/share"}};
    for (const auto& [name, folder] : folders)
      qputenv(name, QFile::encodeName(home_ + QLatin1String(folder)));
    makeWindow();
  }
  void closeForm() {
    dropWindow();
    standIns_.clear();
    QVERIFY2(dialogs_.errors.isEmpty(), qPrintable(dialogs_.errors.join(" | ")));
  }
  // The case's home folder.
  const QString& home() const { return home_; }

  // The window the controls are looked for in, made and dropped for each case.
  virtual QObject* window() const = 0;
  virtual void makeWindow() = 0;
  virtual void dropWindow() = 0;

  // The control of that name and type in `in` (the window by default). A missing one fails
  // the case with its name and gives a stand-in, so that the case ends without a crash.
  template <typename T = QWidget>
  T* control(const QString& name, const QObject* in = nullptr) {
    if (!in) in = window();
    if (T* found = in ? in->findChild<T*>(name) : nullptr) return found;
    QTest::qFail(qPrintable(QStringLiteral("no control %1").arg(name)), __FILE__, __LINE__);
    using Made =
        std::conditional_t<std::is_same_v<T, QWidget>, QLineEdit,
                           std::conditional_t<std::is_same_v<T, QAbstractButton>, QPushButton, T>>;
    auto made = std::make_unique<Made>();
    T* standIn = made.get();
    standIns_.push_back(std::move(made));
    return standIn;
  }
  // The text of a label, a button, an edit field or a list's edit box.
  QString text(const QString& name, const QObject* in = nullptr) {
    QWidget* w = control(name, in);
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    return fieldText(w);
  }
  // Each control's text, every one that differs named.
  void expectTexts(const QList<std::pair<const char*, QString>>& expected) {
    for (const auto& [name, value] : expected) {
      const QString shown = text(name);
      QVERIFY2(shown == value, qPrintable(QStringLiteral("%1: « %2 », expected « %3 »")
                                              .arg(QLatin1String(name), shown, value)));
    }
  }
  void click(const QString& name, const QObject* in = nullptr) {
    QTest::mouseClick(control<QAbstractButton>(name, in), Qt::LeftButton);
  }
  QStringList takeErrors() {
    const QStringList e = dialogs_.errors;
    dialogs_.clear();
    return e;
  }

 private slots:
  void initTestCase() { prepareRun(); }
  void init() { openForm(); }
  void cleanup() { closeForm(); }

 private:
  std::vector<std::unique_ptr<QWidget>> standIns_;
  QTemporaryDir homes_;
  int cases_ = 0;
  QString home_;
};

// A test of another window than the main one: window_, made by newWindow for each case.
template <typename Window>
class WindowTest : public WindowTestBase {
 protected:
  std::unique_ptr<Window> window_;

  // The case's own settings: the shipped file until a first write copies it into home().
  platform::ProfileFile settings() const {
    return platform::ProfileFile((home() + "/valvora.ini").toStdString(), platform::settingsPath());
  }
  virtual std::unique_ptr<Window> newWindow() {
    if constexpr (std::is_constructible_v<Window, QWidget*, platform::ProfileFile>)
      return std::make_unique<Window>(nullptr, settings());
    else
      return std::make_unique<Window>();
  }
  QObject* window() const override { return window_.get(); }
  void makeWindow() override { window_ = newWindow(); }
  void dropWindow() override { window_.reset(); }
};

// The main window's tests: form_, made by newForm for each case.
class UiTest : public WindowTestBase {
 protected:
  std::unique_ptr<ui::TMainForm> form_;

  // The main window of each case; a program that needs another settings file says so here.
  virtual std::unique_ptr<ui::TMainForm> newForm() {
    return std::make_unique<ui::TMainForm>(nullptr);
  }
  QObject* window() const override { return form_.get(); }
  void makeWindow() override { form_ = newForm(); }
  void dropWindow() override { form_.reset(); }
};

}  // namespace valvora::testing

// One main() for every UI test program: the offscreen platform unless another is asked for.
#define VALVORA_UI_TEST_MAIN(TestClass)                                                          \
  int main(int argc, char** argv) {                                                              \
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen"); \
    QApplication app(argc, argv);                                                                \
    valvora::platform::keepDecimalPoint();                                                       \
    valvora::ui::setApplicationTitle();                                                          \
    TestClass test;                                                                              \
    return QTest::qExec(&test, argc, argv);                                                      \
  }
