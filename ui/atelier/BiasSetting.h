#pragma once

class QWidget;

namespace valvora::ui {
class CalculatorHost;
}

namespace valvora::ui::atelier {

// "Réglage du bias": the current to set for a target dissipation and what the meter must
// read by the amplifier's method, then the matching of two to four tubes.
void buildBiasSettingTab(QWidget* tab, CalculatorHost& host);

}  // namespace valvora::ui::atelier
