#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/fields.h"

namespace valvora {

// One power tube type of the bias page: what was last measured, the anode dissipation limit
// of its data sheet and what was last computed. Every figure is kept as a double.
struct TMesureLampe {
  double anode = 0;      // V
  double cathode = 0;    // V
  double grille2 = 0;    // V
  double PaMax = 0;      // W, from the data sheet
  double VC9 = 0;        // V at node C2
  double VborneR19 = 0;  // mV across R4
  double ResCatR20 = 0;  // ohms
  double Imp = 0;        // kilo-ohms
  double disanode = 0;   // W
  double disgrille = 0;  // W
  double txbias = 0;     // percent of PaMax
};

// The live tube types; KT66 and KT90 stand on the page as placeholders without a record.
enum class Tube { T6L6, T6V6, EL34, T6L6GC, EL84, KT88 };

// The six records, owned by the main window and refreshed by Bias.
struct BiasRecords {
  std::array<TMesureLampe, 6> tubes{};
  TMesureLampe& operator[](Tube t) { return tubes[static_cast<std::size_t>(t)]; }
  const TMesureLampe& operator[](Tube t) const { return tubes[static_cast<std::size_t>(t)]; }
};

// Computes every live column of the page in the order 6L6, 6V6, EL34, EL84, KT88, 6L6GC,
// writing each result as soon as it exists; a failure leaves later fields and columns as
// they were.
void Bias(Fields& f, BiasRecords& records);

// A value of the settings file: (section, key) -> text, empty when missing.
using ProfileReader = std::function<std::string(std::string_view section, std::string_view key)>;

// Reads "Pa" then "Pg2" of each data sheet section and sets the tubes' PaMax. A value that
// does not convert (a missing one reads as the empty text) stops the reading there; tubes
// read before it keep their limit.
void DataSheetLoadIni(const ProfileReader& read, BiasRecords& records);

// Fills the data sheet window's fields (ed6L6Pa ... edKT88Pg2) with the texts as read, each
// then checked with the real reading: a bad value stays shown and stops the filling.
void DataSheetFill(const ProfileReader& read, Fields& window);

// One key of the bias measurements in the settings file and the page field whose text it
// holds.
struct MeasurementKey {
  std::string section;  // "6L6" ... "6L6GC"
  std::string key;      // "Anode", "Cathode", "Grille", "C9", "R19", "R20", "Impedance"
  std::string field;    // ed6L6anode ...
};

// The 42 keys in the order that saving writes and loading reads them: sections 6L6, 6V6,
// EL34, EL84, KT88, 6L6GC, seven keys each.
const std::vector<MeasurementKey>& measurementKeys();

}  // namespace valvora
