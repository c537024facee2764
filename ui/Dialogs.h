#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string_view>

class QMessageBox;
class QDialog;
class QWidget;

namespace valvora::ui {

// The application title, caption of the main window and of every box.
inline constexpr const char* kApplicationTitle = "Valvora Suite 1.5";

// The caption of boxes: the application title once it is set, the program's default name
// before that (a failure while the splash is created).
QString boxCaption();
// Sets that title. Not Qt's application display name: on X11 Qt appends that to every
// window's title, and each window and box has a caption of its own.
void setApplicationTitle();

// Everything the program asks of the user or of the desktop goes through here, so that tests
// can answer without a modal loop. Pure: a test's fake answers every question itself and can
// never fall through to a real modal box. Boxes are shown over parent, the window that asks
// (nullptr: the active window).
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Error box: error icon, one "OK" button.
  virtual void error(QWidget* parent, const QString& caption, const QString& text) = 0;
  // The desktop's "open" on a document or address; its answer is not reported.
  virtual void openDocument(const QString& nameOrAddress) = 0;
  // A secondary window shown modally; returns when it closes.
  virtual void showModal(QDialog& window) = 0;

  // Confirmation box: caption "Confirmation", question icon, "&Oui" (default) and "&Non";
  // Escape and the close box answer Non. True for Oui.
  virtual bool confirm(QWidget* parent, const QString& text) = 0;
  // The same with a third button, "Annuler".
  enum class Answer { kOui, kNon, kAnnuler };
  virtual Answer confirmOrCancel(QWidget* parent, const QString& text) = 0;
  // Plain message box: no icon, one "OK" button.
  virtual void message(QWidget* parent, const QString& caption, const QString& text) = 0;
  // Save dialog offering initialName, with one filter; a name typed without an extension
  // gets defaultSuffix. The full name chosen, or the empty text when cancelled.
  struct SaveRequest {
    QString initialName;
    QString filter;  // "Description (*.ext)"
    QString defaultSuffix;
  };
  virtual QString saveFileName(QWidget* parent, const SaveRequest& request) = 0;
  // Open dialog for an existing file, with one filter ("Description (*.ext)"). The full name
  // chosen, or the empty text when cancelled.
  virtual QString openFileName(QWidget* parent, const QString& filter) = 0;
};

// The process-wide seam: the Qt implementation unless a scope installed another.
Dialogs& dialogs();

// Installs replacement for the life of this object; the one before comes back after it.
class ScopedDialogs {
 public:
  explicit ScopedDialogs(Dialogs& replacement);
  ~ScopedDialogs();
  ScopedDialogs(const ScopedDialogs&) = delete;
  ScopedDialogs& operator=(const ScopedDialogs&) = delete;

 private:
  Dialogs* previous_;
};

// The error box of the Qt implementation, ready to show: plain text, so that a typed
// "<b>8</b>" appears as typed.
std::unique_ptr<QMessageBox> errorBox(const QString& caption, const QString& text,
                                      QWidget* parent = nullptr);

// The confirmation box of the Qt implementation, ready to show: buttons "&Oui", "&Non" and,
// withCancel, "Annuler", named "Oui", "Non" and "Annuler".
std::unique_ptr<QMessageBox> confirmationBox(const QString& text, bool withCancel,
                                             QWidget* parent = nullptr);

// A failure message as the error box shows it: the final "." where it is due, and control
// characters (a NUL, a tab, an escape a file may carry) drawn as visible symbols rather than
// cutting or garbling the text.
QString errorText(std::string_view message);

// Shows a failure message (UTF-8) in the error box over window (nullptr: the active one).
// User-interface thread only: a worker sends its message back by a queued signal.
void showError(std::string_view message, QWidget* window = nullptr);

// The one place where failures are caught: runs an action of a handler or a start-up step,
// shows the error box if it fails, and tells whether it ran to the end. Running out of
// memory is such a failure too: the box says so and the program goes on. The box is shown
// over window (nullptr: the active one). User-interface thread only.
bool guarded(QWidget* window, const std::function<void()>& action);
inline bool guarded(const std::function<void()>& action) {
  return guarded(nullptr, action);
}
// The same for a handler that shows its failure itself, where a box would interrupt the
// user (a field checked at every keystroke): report gets the message instead of the box.
bool guarded(const std::function<void()>& action,
             const std::function<void(const QString&)>& report);

}  // namespace valvora::ui
