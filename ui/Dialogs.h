#pragma once

#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace valvora::ui {

// The application title, caption of the main window and of every box.
inline constexpr const char* kApplicationTitle = "Valvora Suite 1.5";

// The caption of boxes: the application title once it is set, the program's default name
// before that (a failure while the splash is created).
QString boxCaption();

// Everything the program asks of the user or of the desktop goes through here, so that tests
// can answer without a modal loop.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Error box: error icon, one "OK" button.
  virtual void error(const QString& caption, const QString& text) = 0;
  // The desktop's "open" on a document or address; its answer is not reported.
  virtual void openDocument(const QString& nameOrAddress) = 0;
  // A secondary window shown modally; returns when it closes.
  virtual void showModal(QDialog& window);
};

// The process-wide seam: the Qt implementation unless a test installed its own.
Dialogs& dialogs();
void installDialogs(Dialogs* replacement);  // nullptr restores the Qt implementation

// Shows a failure message in the error box (adding the final "." where it is due).
void showError(const QString& message);

// The one place where failures are caught: runs an action of a handler or a start-up step,
// shows the error box if it fails, and tells whether it ran to the end.
bool guarded(const std::function<void()>& action);

}  // namespace valvora::ui
