#pragma once

#include <QDialog>
#include <string>

#include "core/bias.h"
#include "platform/profile.h"

class QFrame;
class QPushButton;

namespace valvora::ui {

// The values of one settings file, read one key at a time (the file is opened and released
// for each read).
ProfileReader settingsReader(platform::ProfileFile file);

// "Datasheet Tube": the data sheet limits of the tubes, read once from the settings file when
// the window is created and shown read-only. The 6L6GC column keeps its own texts.
class TDataSheet : public QDialog {
  Q_OBJECT
 public:
  explicit TDataSheet(QWidget* parent = nullptr,
                      platform::ProfileFile settings = platform::settingsFile());
  // The limits from one plain file at that path.
  TDataSheet(QWidget* parent, const std::string& settingsPath)
      : TDataSheet(parent, platform::ProfileFile(settingsPath)) {}

  // Fills the ten fields of the file's sections; a value that does not convert stays shown
  // and stops the filling.
  void LoadIni();

 private:
  platform::ProfileFile settingsFile_;
  QFrame* Panel1;
  QPushButton* Button1;
};

}  // namespace valvora::ui
