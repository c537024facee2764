#pragma once

#include <QString>
#include <utility>
#include <vector>

namespace valvora::ui {

class PageControl;
class SheetControls;

// One tab of the printed sheet: its caption and its "label : value" rows, inputs and results.
struct PdfSection {
  QString caption;
  std::vector<std::pair<QString, QString>> rows;
};

// A section for each tab but the first (the sheet's head) that the user filled in: an input
// changed since the window opened, or a result shown.
std::vector<PdfSection> pdfSections(const PageControl& pages, const SheetControls& inputs);

// Writes the sheet as an A4 PDF: a header (amplifier, serial number, customer, date), the
// notes, a two-column table for each section, "Page n / N" at the foot of each page.
// CalcError naming the file when it cannot be written.
void writeSheetPdf(const QString& name, const PageControl& pages,
                   const std::vector<PdfSection>& sections);

}  // namespace valvora::ui
