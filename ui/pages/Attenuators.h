#pragma once

#include <vector>

#include "ui/CalculatorHost.h"

#include <array>

class QWidget;

namespace valvora::ui::pages {

// "caption field unit" on a page grid; a field without caption or unit leaves that cell empty.
struct Cell {
  const char* label = nullptr;  // Label154
  const char* caption = nullptr;
  const char* field = nullptr;  // edR1; nullptr for an empty cell
  const char* text = "";        // design text
  const char* unitLabel = nullptr;
  const char* unit = nullptr;
};

using Row = std::array<Cell, 3>;  // up to three cells side by side

struct AttenuatorPage {
  const char* sheet;           // TabSheet10
  std::array<Cell, 3> inputs;  // a field named cb... is an editable impedance list
  // Beside the picture: a heading over the second cells (the power column), then rows.
  const char* headLabel;
  const char* head;
  std::array<Row, 5> upper;
  int upperRows;
  const char* separator;  // the lowered line across the page, or nullptr
  // Under the picture, across the page.
  std::array<Row, 6> lower;
  int lowerRows;
  bool partsTable;  // the L pad's table of resistors in parallel
  const char* picture;
  const char* button;
  const char* calculator;  // attenuateur
  void (*run)(Fields&);
};

const std::array<AttenuatorPage, 3>& attenuatorPages();

// Builds one attenuator page: inputs and resistor values beside the circuit drawing, the
// "Calcul" button under it, then the currents and voltages (and the L pad's table).
void buildAttenuatorPage(QWidget* page, const AttenuatorPage& def);

// Each page's calculator, on its "Calcul" button.
std::vector<CalculatorRow> attenuatorCalculators();

}  // namespace valvora::ui::pages
