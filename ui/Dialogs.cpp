#include "ui/Dialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>

#include "core/numtext.h"
#include "platform/documents.h"

namespace valvora::ui {
namespace {

class QtDialogs : public Dialogs {
 public:
  void error(const QString& caption, const QString& text) override {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box.exec();
  }
  void openDocument(const QString& nameOrAddress) override {
    platform::openDocument(nameOrAddress.toStdString());
  }
};

Dialogs* installed = nullptr;

}  // namespace

void Dialogs::showModal(QDialog& window) {
  window.exec();
}

QString boxCaption() {
  const QString title = QGuiApplication::applicationDisplayName();
  return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

Dialogs& dialogs() {
  static QtDialogs qt;
  return installed ? *installed : qt;
}

void installDialogs(Dialogs* replacement) {
  installed = replacement;
}

void showError(const QString& message) {
  dialogs().error(boxCaption(), QString::fromStdString(errorBoxText(message.toStdString())));
}

bool guarded(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const CalcError& e) {
    showError(QString::fromUtf8(e.what()));
    return false;
  }
}

}  // namespace valvora::ui
