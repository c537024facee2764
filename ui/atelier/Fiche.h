#pragma once

#include "ui/atelier/TabContext.h"

class QWidget;

namespace valvora::ui::atelier {

// The longest texts of the job sheet: the notes, and each other field.
inline constexpr int kFicheNotesLength = 10000;
inline constexpr int kFicheFieldLength = 200;

// "Fiche": the amplifier, its serial number, the customer, the date (today's on a new sheet)
// and the work done, that the sheet file and its PDF start with.
void buildFicheTab(QWidget* tab, const TabContext& context);

}  // namespace valvora::ui::atelier
