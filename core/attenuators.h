#pragma once

#include "core/fields.h"

namespace valvora {

// Loudspeaker attenuators between an amplifier and one loudspeaker of impedance Z. Each reads
// Z, then the amplifier power, then the wanted power or attenuation, and writes each result
// as soon as it is computed, so a failure leaves the fields it had not reached untouched.

// L pad: R1 in series with the line, R2 across the loudspeaker; then, for the four counts
// edRx4 ... edRx1, the value and power of each of that many equal resistors in parallel.
void attenuateur(Fields& f);

// Series-parallel pad: R1 and R2 equal and in parallel in the line, R3 across the loudspeaker.
void attenuateur_sp(Fields& f);

// Four-resistor pad for an attenuation in decibels (negative for a loss): R3 and R4 take the
// loudspeaker impedance, R1 and R2 follow from the voltage ratio 10^(-A/20).
void attenuateur_t(Fields& f);

}  // namespace valvora
