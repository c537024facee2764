#pragma once

#include "ui/atelier/TabContext.h"

class QWidget;

namespace valvora::ui::atelier {

// "Alimentation HT": the transformer, rectifier and filter simulated by ngspice off the
// user-interface thread, its figures, data sheet checks and plot.
void buildSupplyTab(QWidget* tab, const TabContext& context);

}  // namespace valvora::ui::atelier
