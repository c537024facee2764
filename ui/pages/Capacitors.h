#pragma once

#include <vector>

#include "core/capacitors.h"
#include "ui/CalculatorHost.h"

#include <functional>

class QWidget;

namespace valvora::ui::pages {

// "Condensateur && Misc.": the capacitor code (GroupBox20), the unit conversion
// (GroupBox21), capacitors in parallel (GroupBox22) and in series (GroupBox23) and the
// potentiometer (GroupBox10).
void buildCapacitorPage(QWidget* page);

// "Filtres && Alimentation": the RC filters with their drawing Image2 (GroupBox25), the
// two-secondary supply with its mode buttons rbCourant and rbPuis (GroupBox26) and the filter
// choke and capacitor (GroupBox28).
void buildFilterPage(QWidget* page);

// The calculators of each page; the capacitor code keeps its last tolerance text in code.
std::vector<CalculatorRow> capacitorCalculators(CapacitorCodeState& code);
std::vector<CalculatorRow> filterCalculators(QWidget* page);

// The supply's two modes: in current mode the power edP is typed and the current edCN is
// computed, in power mode the other way round. Only the fields' states change.
enum class SupplyMode { Current, Power };
void applySupplyMode(QWidget* root, SupplyMode mode);

// Runs action when a mouse button is pressed on field (the capacitor code's first field).
void onMousePress(QWidget* field, std::function<void()> action);

}  // namespace valvora::ui::pages
