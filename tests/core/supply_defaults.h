#pragma once

#include "tests/core/fieldmap.h"

namespace valvora::testing {

// The texts the "Alimentation HT" tab opens with.
inline FieldMap supplyDefaults() {
  return {{"edPsVac", "350"},
          {"edPsRs", "100"},
          {"cbPsHz", "50"},
          {"cbPsRect", "GZ34 / 5AR4"},
          {"edPsC1", "32"},
          {"cbPsLink2", "Self"},
          {"edPsL2", "5"},
          {"edPsR2", "100"},
          {"edPsC2", "32"},
          {"cbPsLink3", "Résistance"},
          {"edPsR3", "1000"},
          {"edPsC3", "22"},
          {"cbPsLink4", "Résistance"},
          {"edPsR4", "10000"},
          {"edPsC4", "22"},
          {"edPsI1", "0"},
          {"edPsI2", "120"},
          {"edPsI3", "10"},
          {"edPsI4", "5"},
          {"edPsCv1", "500"},
          {"edPsCv2", "500"},
          {"edPsCv3", "450"},
          {"edPsCv4", "450"},
          {"edPsIf1", ""},
          {"edPsIf2", ""},
          {"edPsIf3", ""},
          {"edPsIf4", ""},
          {"edPsT", "20"},
          {"edPsRsoft", ""},
          {"edPsTsoft", "1"},
          {"edPsTsb", ""}};
}

}  // namespace valvora::testing
