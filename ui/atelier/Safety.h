#pragma once

#include "ui/atelier/TabContext.h"

class QWidget;

namespace valvora::ui::atelier {

// "Sécurité & transfo": the filter capacitors' discharge and bleeder, and the load the output
// transformer's tap sees.
void buildSafetyTab(QWidget* tab, const TabContext& context);

}  // namespace valvora::ui::atelier
