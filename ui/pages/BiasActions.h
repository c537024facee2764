#pragma once

#include <QString>
#include <functional>
#include <string>

#include "core/bias.h"
#include "platform/profile.h"
#include "platform/session.h"

class QLabel;
class QPushButton;
class QWidget;

namespace valvora::ui::pages {

// "Enregistrer": the 42 measurement texts of the bias page into the settings file, all in
// one replacement of the file or none (CalcError "Impossible d'écrire dans <path>").
void saveMeasurements(const Fields& page, const platform::ProfileFile& settingsFile);

// "Charger": the 42 texts of one reading of the file back into their fields, in the same
// order, without computing. A missing key gives its field the empty text.
void loadMeasurements(Fields& page, const platform::ProfileSnapshot& settings);

// "Etat HTML": recomputes the page, asks for a file name (and before replacing a file),
// writes the report in Windows-1252 with CR LF line ends (replacing the file whole or not at
// all) and has the desktop open it. The
// button is disabled and the label lbInfo shown while it runs, restored however it ends.
class BiasReport {
 public:
  explicit BiasReport(QWidget* page);
  void run(const std::function<void()>& computeBias, const BiasRecords& records);

 private:
  void write(const std::function<void()>& computeBias, const BiasRecords& records);

  QPushButton* button_;
  QLabel* info_;
  QString lastName_ = QStringLiteral("report.html");  // the last name confirmed in the dialog
  platform::RegionalTime clock_;                      // the formats of the program's start
};

}  // namespace valvora::ui::pages
