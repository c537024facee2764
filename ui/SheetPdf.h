#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace valvora::ui {

class PageControl;
class Plot;
class SheetControls;

// One tab of the printed sheet: its caption, its "label : value" rows (inputs and results),
// the warnings and verdicts it shows, and its plots that hold curves.
struct PdfSection {
  QString caption;
  std::vector<std::pair<QString, QString>> rows;
  QStringList warnings = {};  // printed in red
  QStringList verdicts = {};
  std::vector<const Plot*> plots = {};
};

// A section for each tab but the first (the sheet's head) that the user filled in: an input
// changed since the window opened, or a result shown. Its rows are its visible controls; its
// warnings and verdicts the lines of its labels named "lb…Warn" and "lb…Verdict".
std::vector<PdfSection> pdfSections(const PageControl& pages, const SheetControls& inputs);

// Writes the sheet as an A4 PDF: a header (amplifier, serial number, customer, date), the
// notes, for each section a two-column table, its warnings and its plots drawn as vectors,
// "Page n / N" at the foot of each page.
// CalcError naming the file when it cannot be written.
void writeSheetPdf(const QString& name, const PageControl& pages,
                   const std::vector<PdfSection>& sections);

}  // namespace valvora::ui
