#pragma once

#include <vector>

#include "core/bias.h"
#include "ui/CalculatorHost.h"

class QWidget;

namespace valvora::ui::pages {

// The "Taux de Bias" page: the "Mesures" and "Résultats" grids with one column per tube type
// (KT66 and KT90 stand disabled and empty), the report progress label lbInfo and the button
// row btnDataSheet, btnCalcul, btnRecord, btnLoad, btnSchem, btnHTML.
void buildBiasPage(QWidget* page);

// The page's "Calcul", over the six tube records the window keeps.
std::vector<CalculatorRow> biasCalculators(BiasRecords& tubes);

}  // namespace valvora::ui::pages
