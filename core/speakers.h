#pragma once

#include "core/fields.h"

namespace valvora {

// Loudspeaker cabinets: total impedance seen by the amplifier and each speaker's share of its
// power. Each reads its group's fields (suffix _2ser, _3HA, ...) and writes results as it goes,
// so a failure leaves the fields it had not reached untouched.
void hp_2ser(Fields& f);
void hp_2par(Fields& f);
void hp_3ser(Fields& f);
void hp_3par(Fields& f);
void hp_4ser(Fields& f);
void hp_4par(Fields& f);

void hp_3HA(Fields& f);  // A parallel B, in series with C
void hp_3HB(Fields& f);  // A series B, in parallel with C
void hp_4HA(Fields& f);  // A parallel B, in series with C parallel D
void hp_4HB(Fields& f);  // A series C, in parallel with B series D

}  // namespace valvora
