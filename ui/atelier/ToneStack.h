#pragma once

#include "ui/atelier/TabContext.h"

class QWidget;

namespace valvora::ui::atelier {

// "Tonalité": the response of the three-knob tone stack with the source's resistance and
// the load, redrawn live as a knob, a field or a list changes.
void buildToneStackTab(QWidget* tab, const TabContext& context);

}  // namespace valvora::ui::atelier
