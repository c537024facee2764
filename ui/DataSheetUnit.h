#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "core/bias.h"
#include "platform/profile.h"

class QFrame;
class QPushButton;

namespace valvora::ui {

// The values of one reading of the settings file.
ProfileReader settingsReader(platform::ProfileSnapshot values);

// The settings file as the start-up reads it: once, for the main window and the data sheet
// window alike, so that both see the same version and a file that cannot be read is
// reported once, by the first window that reads it.
class SettingsAtStartUp {
 public:
  explicit SettingsAtStartUp(platform::ProfileFile file) : file_(std::move(file)) {}
  const platform::ProfileFile& file() const { return file_; }
  // The values, read on first use; that use meets the reading's failure (FileError), and
  // later ones get no values.
  const platform::ProfileSnapshot* values();

 private:
  platform::ProfileFile file_;
  bool read_ = false;
  std::optional<platform::ProfileSnapshot> values_;
};

// "Datasheet Tube": the data sheet limits of the tubes, read once from the settings file when
// the window is created and shown read-only. The 6L6GC column keeps its own texts.
class TDataSheet : public QDialog {
  Q_OBJECT
 public:
  explicit TDataSheet(QWidget* parent = nullptr,
                      platform::ProfileFile settings = platform::settingsFile());
  // The start-up's one reading, shared with the main window.
  TDataSheet(QWidget* parent, std::shared_ptr<SettingsAtStartUp> settings);
  // The limits from one plain file at that path.
  TDataSheet(QWidget* parent, const std::string& settingsPath)
      : TDataSheet(parent, platform::ProfileFile(settingsPath)) {}

  // Fills the ten fields of the file's sections; a value that does not convert stays shown
  // and stops the filling. Nothing when the start-up's reading failed and was reported.
  void LoadIni();

 private:
  std::shared_ptr<SettingsAtStartUp> settings_;
  QFrame* Panel1;
  QPushButton* Button1;
};

}  // namespace valvora::ui
