#pragma once

#include "ui/atelier/TabContext.h"

#include <QRect>

class QWidget;

namespace valvora::ui::atelier {

// "Valeurs normalisées": nearest values of an E series, and the 5- and 6-band colour code
// with its resistor drawing.
void buildStandardValuesTab(QWidget* tab, const TabContext& context);

// Where band i (0: first digit ... 5: temperature) lies on the resistor drawing, whose
// picture is the "Résistances" page's body: the first on the left end cap, the digits and the
// multiplier on the body, the tolerance apart from them, the temperature on the right cap.
QRect codeBandRect(int band);

}  // namespace valvora::ui::atelier
