#pragma once

class QWidget;

namespace valvora::ui {
class CalculatorHost;
}

namespace valvora::ui::atelier {

// "Tonalité": the response of the three-knob tone stack with the source's resistance and
// the load, redrawn live as a knob, a field or a list changes.
void buildToneStackTab(QWidget* tab, CalculatorHost& host);

}  // namespace valvora::ui::atelier
