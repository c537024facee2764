#pragma once

#include "ui/atelier/TabContext.h"

class QWidget;

namespace valvora::ui::atelier {

// "Réglage du bias": the current to set for a target dissipation and what the meter must
// read by the amplifier's method, then the matching of two to four tubes.
void buildBiasSettingTab(QWidget* tab, const TabContext& context);

}  // namespace valvora::ui::atelier
