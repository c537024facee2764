#pragma once

#include <string>

#include "core/fields.h"

namespace valvora {

// What the capacitor code keeps between runs: the tolerance text last shown. A letter that
// means nothing for the capacitance found leaves it as it was.
struct CapacitorCodeState {
  std::string tolerance;
};

// "Condensateur && Misc.": the three-character capacitor code (Edit3, ComboBox1, ComboBox2)
// into lb_pF, lb_nF, lb_uF and lb_tolerance. A multiplier digit outside the code (6, 7, or
// any number outside 0 to 9) computes nothing: the four labels are emptied.
void condonorm(Fields& f, CapacitorCodeState& state);

// One row after the other: edpF, ednF, edmicF each into pF, nF and µF.
void convert_condo(Fields& f);

// Two capacitors in parallel (edc_par) and in series (edc_ser), in the unit of their inputs.
void condo_par(Fields& f);
void condo_ser(Fields& f);

// Wiper voltage of a linear and a logarithmic track (fraction raised to pi) and the power
// dissipated in the whole track.
void potentiometre(Fields& f);

// "Filtres && Alimentation": cut-off frequency of the two RC filters.
void RCFilter(Fields& f);

// Two-secondary supply: the nominal current from the power (Courant) or the power from the
// current (Puissance), and the rectified voltage.
void Courant(Fields& f);
void Puissance(Fields& f);

// Filter choke and minimum capacitor, written into the captions lbInduc and lbCap.
void Transfo(Fields& f);

}  // namespace valvora
