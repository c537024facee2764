#pragma once

#include <QStringList>

#include "ui/Dialogs.h"

namespace valvora::bench {

// Answers every box at once, keeping the error texts: a benchmark that met one fails.
class SilentDialogs : public ui::Dialogs {
 public:
  void error(QWidget*, const QString&, const QString& text) override { errors << text; }
  void openDocument(const QString&) override {}
  void showModal(QDialog&) override {}
  bool confirm(QWidget*, const QString&) override { return false; }
  Answer confirmOrCancel(QWidget*, const QString&) override { return Answer::kNon; }
  void message(QWidget*, const QString&, const QString&) override {}
  QString saveFileName(QWidget*, const SaveRequest&) override { return {}; }
  QString openFileName(QWidget*, const QString&) override { return {}; }
  QStringList errors;
};

}  // namespace valvora::bench
