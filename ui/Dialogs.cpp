#include "ui/Dialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <new>

#include "core/numtext.h"
#include "platform/documents.h"

namespace valvora::ui {
namespace {

QWidget* over(QWidget* parent) {
  if (parent) return parent->window();
  return QApplication::activeWindow();
}

QString applicationTitle;

// Qt widens a box for its caption in the program's own font; the window manager draws it
// larger, often bold, beside the window's icon and buttons, and cuts it when it lacks room:
// the box gets the caption's width in a bold font a quarter larger, plus the title bar's
// icon and buttons.
void roomForCaption(QMessageBox& box) {
  constexpr int kTitleBarButtons = 160;
  QFont font = box.font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.25);
  const int width = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + kTitleBarButtons;
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

Dialogs::Answer ask(QWidget* parent, const QString& text, bool withCancel) {
  const std::unique_ptr<QMessageBox> box = confirmationBox(text, withCancel, over(parent));
  box->exec();
  const QAbstractButton* pressed = box->clickedButton();
  const QString name = pressed ? pressed->objectName() : QString();
  if (name == QLatin1String("Oui")) return Dialogs::Answer::kOui;
  return name == QLatin1String("Annuler") ? Dialogs::Answer::kAnnuler : Dialogs::Answer::kNon;
}

class QtDialogs : public Dialogs {
 public:
  void error(QWidget* parent, const QString& caption, const QString& text) override {
    errorBox(caption, text, over(parent))->exec();
  }
  void openDocument(const QString& nameOrAddress) override {
    const std::string name = nameOrAddress.toStdString();
    if (platform::openDocument(name)) return;
    // Say which file, so that the user can open it himself.
    const std::string file = platform::documentFile(name);
    const QString shown = QString::fromStdString(file.empty() ? name : file);
    errorBox(boxCaption(),
             QString::fromUtf8("Le bureau n'a pas pu ouvrir ce document : %1.").arg(shown),
             over(nullptr))
        ->exec();
  }
  void showModal(QDialog& window) override { window.exec(); }
  bool confirm(QWidget* parent, const QString& text) override {
    return ask(parent, text, false) == Answer::kOui;
  }
  Answer confirmOrCancel(QWidget* parent, const QString& text) override {
    return ask(parent, text, true);
  }
  void message(QWidget* parent, const QString& caption, const QString& text) override {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, over(parent));
    box.setTextFormat(Qt::PlainText);
    roomForCaption(box);
    box.exec();
  }
  QString saveFileName(QWidget* parent, const SaveRequest& request) override {
    QFileDialog dialog(over(parent));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog, so that the filter reads as given and the texts are the French ones
    // the program loads; the caller asks about replacing a file itself.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite |
                      QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
  }
  QString openFileName(QWidget* parent, const QString& filter) override {
    QFileDialog dialog(over(parent));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(filter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
  }
};

Dialogs* installed = nullptr;

constexpr std::string_view kOutOfMemory = "Mémoire insuffisante pour terminer cette opération";

// A box from another thread would break the window system's connection: a program fault,
// stopped at once in every build rather than left to crash later.
void assertUserInterfaceThread(const char* where) {
  const QCoreApplication* app = QCoreApplication::instance();
  if (app && QThread::currentThread() != app->thread())
    qFatal("%s called outside the user-interface thread", where);
}

}  // namespace

QString boxCaption() {
  return applicationTitle.isEmpty() ? QCoreApplication::applicationName() : applicationTitle;
}

void setApplicationTitle() {
  applicationTitle = QString::fromUtf8(kApplicationTitle);
}

Dialogs& dialogs() {
  static QtDialogs qt;
  return installed ? *installed : qt;
}

ScopedDialogs::ScopedDialogs(Dialogs& replacement) : previous_(installed) {
  installed = &replacement;
}

ScopedDialogs::~ScopedDialogs() {
  installed = previous_;
}

std::unique_ptr<QMessageBox> errorBox(const QString& caption, const QString& text,
                                      QWidget* parent) {
  auto box =
      std::make_unique<QMessageBox>(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
  box->setTextFormat(Qt::PlainText);
  roomForCaption(*box);
  return box;
}

std::unique_ptr<QMessageBox> confirmationBox(const QString& text, bool withCancel,
                                             QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(QMessageBox::Question, QStringLiteral("Confirmation"),
                                           text, QMessageBox::NoButton, parent);
  box->setTextFormat(Qt::PlainText);
  QPushButton* oui = box->addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
  oui->setObjectName("Oui");
  QPushButton* non = box->addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
  non->setObjectName("Non");
  if (withCancel)
    box->addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole)->setObjectName("Annuler");
  box->setDefaultButton(oui);
  // Escape and the close box: the box reports this button as pressed.
  box->setEscapeButton(non);
  roomForCaption(*box);
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

void showError(std::string_view message, QWidget* window) {
  assertUserInterfaceThread("showError");
  dialogs().error(window, boxCaption(), errorText(message));
}

bool guarded(QWidget* window, const std::function<void()>& action) {
  assertUserInterfaceThread("guarded");
  try {
    action();
    return true;
  } catch (const CalcError& e) {
    showError(e.message(), window);
  } catch (const std::bad_alloc&) {
    showError(kOutOfMemory, window);
  }
  return false;
}

bool guarded(const std::function<void()>& action,
             const std::function<void(const QString&)>& report) {
  assertUserInterfaceThread("guarded");
  try {
    action();
    return true;
  } catch (const CalcError& e) {
    report(errorText(e.message()));
  } catch (const std::bad_alloc&) {
    report(errorText(kOutOfMemory));
  }
  return false;
}

}  // namespace valvora::ui
