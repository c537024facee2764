#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/bias.h"
#include "core/fielddef.h"
#include "core/fields.h"

namespace valvora::atelier {

// How the amplifier lets the current be read: a 1 ohm resistor in the cathode, the meter
// across one half of the output transformer's primary, the voltage drop along that half,
// or the cathode resistor that several tubes share.
enum class BiasMethod { OneOhm, Shunt, Drop, Shared };

// The tubes of the assistant's list; "Autre" has no data sheet section.
inline constexpr const char* kBiasTubes[] = {"6L6",  "6V6",  "EL34", "6L6GC",
                                             "EL84", "KT88", "Autre"};

// The anode limit of the tube's data sheet section, read as the bias page reads it, as the
// "0.00" text the assistant shows; the empty text for a tube without a section. A value
// that is not a number fails, naming the tube: « Pa de la EL34 : 'abc' n'est pas un nombre. »
std::string dataSheetAnodeLimit(const ProfileReader& read, std::string_view tube);

// The inputs of the tab, in its order: the builder makes them from here.
extern const std::array<FieldDef, 14> kBiasFields;

// The anode current in mA that dissipates target % of pa watts at vak volts from plate to
// cathode.
long double targetAnodeCurrent(long double pa, long double target, long double vak);

// The target: from edAsPa, edAsVa, edAsVk, edAsIg2 and cbAsTarget to edAsP, edAsIa, edAsIk,
// then what the meter must read (edAsRead, its unit in lbAsUnit) by the method, and a note
// on what that reading includes (lbAsNote). On a shared cathode resistor the cathode voltage
// follows from the current: edAsVk is not read but written. Nothing is written on a failure.
void BiasTarget(Fields& f, BiasMethod method);

// Matching: the readings of up to four tubes (edAsM1 ... edAsM4, empty ones skipped) against
// their mean, each tube's deviation, the spread between the strongest and the weakest and
// the verdict of that spread against the tolerance edAsTol. Nothing is written on a failure.
void BiasMatch(Fields& f);

}  // namespace valvora::atelier
