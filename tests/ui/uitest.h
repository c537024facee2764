#pragma once

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include "ui/Dialogs.h"

namespace valvora::testing {

// Answers every box without a modal loop and remembers what was asked.
class RecordingDialogs : public ui::Dialogs {
 public:
  void error(const QString& caption, const QString& text) override {
    captions << caption;
    errors << text;
  }
  void openDocument(const QString& nameOrAddress) override { opened << nameOrAddress; }
  void showModal(QDialog& window) override { shown << window.objectName(); }
  void clear() {
    captions.clear();
    errors.clear();
    opened.clear();
    shown.clear();
  }
  QStringList captions;
  QStringList errors;
  QStringList opened;
  QStringList shown;  // secondary windows, by object name
};

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
