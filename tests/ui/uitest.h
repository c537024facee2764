#pragma once

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

#include "ui/Dialogs.h"

namespace valvora::testing {

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

}  // namespace valvora::testing
