#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QDialog;
class QLineEdit;
class QWidget;

namespace valvora::ui {

class PageControl;

// The job sheet file: every input of every tab of the workshop window as typed or picked,
// not its results (computed again on opening). UTF-8 text, one section a tab, one
// "name=value" line a control.
inline constexpr char kSheetFirstLine[] = "; Valvora fiche 1";
inline constexpr std::size_t kSheetFileLimit = std::size_t{1} << 20;
inline constexpr char kSheetSuffix[] = "vfiche";
inline constexpr char kSheetFilter[] = "Fiche Valvora (*.vfiche)";

// The section of a tab's sheet name ("tsAsBias" → "Bias"); a tab that has no name of its own
// in the file is given its sheet name less the "ts".
QString sheetSection(const QString& sheetName);

// A value on one line that reads back the same: "\" "=" "[", line breaks, tabs and a leading
// space are written with a "\".
QString escapeSheetValue(const QString& value);
QString unescapeSheetValue(const QString& text);

// The name of a control as the user reads it: its label's text less " :", else its own
// text or accessible name, else its object name.
QString controlLabel(const QWidget* control);

// "Ce fichier n'est pas une fiche Valvora : <name>."
QString notASheetMessage(const QString& name);

// The content of a sheet file, or CalcError: a file that is no regular file, is larger than
// kSheetFileLimit or does not start with kSheetFirstLine is not a sheet; one that cannot be
// read has the file message.
std::string readSheetFile(const QString& name);

// The input controls of the window's pages, found by walking them: each named line edit that
// is not read-only, list, check box, radio button, slider and plain text edit. A control a
// tab adds is kept without a word here.
class SheetControls {
 public:
  struct Control {
    QString section;
    QWidget* widget;
    QString initial;  // its value when the window opened
  };
  explicit SheetControls(const PageControl& pages);

  const std::vector<Control>& controls() const { return controls_; }
  // The file's content for the controls as they are now.
  std::string text() const;
  // Every control back to its value when the window opened.
  void reset();
  // The results (named read-only line edits) of a tab whose inputs are as when the window
  // opened back to their text then; those of another tab emptied, never left from other
  // inputs, until its "Calcul".
  void resetResults();
  // Whether an input or a result differs from what it was when the window opened.
  bool changed(const QWidget* control) const;
  // Resets, then takes the values of content (without its first line checked): unknown
  // sections and keys are left aside; a control that cannot take its value keeps its first
  // value, and its label is among those returned. Lists and switches are set before texts,
  // since a choice may fill fields.
  QStringList load(std::string_view content);
  // Calls changed whenever a control's value changes.
  void watch(QObject* context, const std::function<void()>& changed) const;

  // A control's value as written, and its setting from a value read (false when it cannot
  // take it).
  static QString value(const QWidget* control);
  static bool setValue(QWidget* control, const QString& value);

 private:
  std::vector<Control> controls_;
  struct Result {
    QString section;
    QLineEdit* edit;
    QString initial;
  };
  std::vector<Result> results_;
};

// The last sheets opened or saved, newest first, in the user's own settings folder
// (<config home>/valvora/recent.ini, apart from the bias settings file).
namespace recentSheets {
inline constexpr int kCount = 5;
QString file();
QStringList names();
// name first, once, the oldest past kCount dropped.
void add(const QString& name);
}  // namespace recentSheets

// The file commands of the workshop window: open, save, save as; the caption naming the file
// with " *" while there are changes; the question about unsaved changes.
class SheetCommands : public QObject {
  Q_OBJECT
 public:
  SheetCommands(QDialog& window, const PageControl& pages);

  const QString& fileName() const { return fileName_; }
  bool modified() const { return modified_; }

  // "Ouvrir…": the question about changes, the open dialog, then the file.
  void open();
  // Opens that sheet (asking about changes first); false when it was not opened.
  bool openFile(const QString& name);
  // "Enregistrer" and "Enregistrer sous…"; false when nothing was written.
  bool save();
  bool saveAs();
  // "PDF…": the sheet printed to a file, then shown by the desktop's viewer.
  bool pdf();
  // Whether the window may drop its sheet: no changes, or the user saved or dropped them.
  bool mayDiscard();

 private:
  bool load(const QString& name);
  void write(const QString& name);
  void setModified(bool modified);
  void showCaption();
  QString defaultName(const char* suffix) const;
  // The name chosen in the save dialog, its replacing agreed; empty when dropped.
  QString askName(const char* filter, const char* suffix);
  QDialog& window_;
  const PageControl& pages_;
  SheetControls controls_;
  QString fileName_;
  bool modified_ = false;
  bool loading_ = false;
};

}  // namespace valvora::ui
