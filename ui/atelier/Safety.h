#pragma once

class QWidget;

namespace valvora::ui {
class CalculatorHost;
}

namespace valvora::ui::atelier {

// "Sécurité & transfo": the filter capacitors' discharge and bleeder, and the load the output
// transformer's tap sees.
void buildSafetyTab(QWidget* tab, CalculatorHost& host);

}  // namespace valvora::ui::atelier
