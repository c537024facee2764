#include "ui/Dialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <new>

#include "core/numtext.h"
#include "platform/documents.h"

namespace valvora::ui {
namespace {

class QtDialogs : public Dialogs {
 public:
  void error(const QString& caption, const QString& text) override {
    errorBox(caption, text)->exec();
  }
  void openDocument(const QString& nameOrAddress) override {
    platform::openDocument(nameOrAddress.toStdString());
  }
};

Dialogs* installed = nullptr;

constexpr std::string_view kOutOfMemory = "Mémoire insuffisante pour terminer cette opération";

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

std::unique_ptr<QMessageBox> errorBox(const QString& caption, const QString& text) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, caption, text, QMessageBox::Ok);
  box->setTextFormat(Qt::PlainText);
  return box;
}

QString errorText(std::string_view message) {
  QString text = QString::fromUtf8(errorBoxText(message));
  for (QChar& c : text) {
    // The Control Pictures block has a symbol for each of them: U+2400 + code, U+2421 for DEL.
    if (c.unicode() < 0x20)
      c = QChar(char16_t(0x2400 + c.unicode()));
    else if (c.unicode() == 0x7F)
      c = QChar(char16_t(0x2421));
  }
  return text;
}

void showError(std::string_view message) {
  dialogs().error(boxCaption(), errorText(message));
}

bool guarded(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const CalcError& e) {
    showError(e.message());
  } catch (const std::bad_alloc&) {
    showError(kOutOfMemory);
  }
  return false;
}

}  // namespace valvora::ui
