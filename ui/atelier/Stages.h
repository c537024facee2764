#pragma once

#include "ui/atelier/TabContext.h"

class QWidget;

namespace valvora::ui::atelier {

// "Étages à lampes": a common-cathode triode stage and a cathode follower, their operating
// points and figures, the stage drawn on the tube's plate curves; recomputed at every change.
void buildStagesTab(QWidget* tab, const TabContext& context);

}  // namespace valvora::ui::atelier
