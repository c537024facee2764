#include "core/bias.h"

#include "core/numtext.h"

namespace valvora {
namespace {

struct Column {
  Tube tube;
  std::string_view prefix;    // ed6L6anode, ed6L6gcanode ...
  std::string_view section;   // of the settings file
  std::string_view measures;  // the section of the column's measurements
};

// The order of computation and of the data sheet reading (not the order on screen).
constexpr Column kColumns[] = {
    {Tube::T6L6, "6L6", "6L6DataSheet", "6L6"},
    {Tube::T6V6, "6V6", "6V6DataSheet", "6V6"},
    {Tube::EL34, "EL34", "EL34DataSheet", "EL34"},
    {Tube::EL84, "EL84", "EL84DataSheet", "EL84"},
    {Tube::KT88, "KT88", "KT88DataSheet", "KT88"},
    {Tube::T6L6GC, "6L6gc", "6L6GCDataSheet", "6L6GC"},
};

// The keys of a measurement section, named after the circuit's old part numbers, and the
// page rows they hold.
struct MeasurementRow {
  std::string_view key;
  std::string_view row;
};
constexpr MeasurementRow kMeasurementRows[] = {
    {"Anode", "anode"},   {"Cathode", "cathode"}, {"Grille", "grille2"}, {"C9", "VC9"},
    {"R19", "VborneR19"}, {"R20", "ResCatR20"},   {"Impedance", "Imp"},
};

std::string field(std::string_view prefix, std::string_view row) {
  std::string n = "ed";
  n += prefix;
  n += row;
  return n;
}

void biasColumn(Fields& f, std::string_view p, TMesureLampe& t) {
  t.anode = store(readReal(f.text(field(p, "anode"))));
  t.cathode = store(readReal(f.text(field(p, "cathode"))));
  t.grille2 = store(readReal(f.text(field(p, "grille2"))));
  t.VC9 = store(readReal(f.text(field(p, "VC9"))));
  t.VborneR19 = store(readReal(f.text(field(p, "VborneR19"))));

  // Cathode current in amperes; it and the grid-2 current are kept as doubles like every
  // figure of the page, which decides the last digit of the dissipations.
  const double i = store(divide(t.VborneR19, 1000));
  t.ResCatR20 = store(divide(t.cathode, i));
  f.write(field(p, "ResCatR20"), formatPattern("0", t.ResCatR20));
  t.Imp = store(divide(divide(t.anode, i), 1000));
  f.write(field(p, "Imp"), formatPattern("0.0000", t.Imp));

  // Grid-2 current: the drop from C2 to grid 2 over 2200 ohms.
  const double ig2 = store(divide(subtract(t.VC9, t.grille2), 2200));
  const double ia = store(subtract(i, ig2));
  t.disanode = store(multiply(subtract(t.anode, t.cathode), ia));
  f.write(field(p, "disanode"), formatPattern("0.0000", t.disanode));
  t.disgrille = store(multiply(ig2, subtract(t.grille2, t.cathode)));
  f.write(field(p, "disgrille"), formatPattern("0.0000", t.disgrille));
  t.txbias = store(multiply(divide(t.disanode, t.PaMax), 100));
  f.write(field(p, "txbias"), formatPattern("0.0000", t.txbias));
}

}  // namespace

const std::vector<MeasurementKey>& measurementKeys() {
  static const std::vector<MeasurementKey> keys = [] {
    std::vector<MeasurementKey> all;
    for (const Column& c : kColumns) {
      for (const MeasurementRow& r : kMeasurementRows)
        all.push_back({std::string(c.measures), std::string(r.key), field(c.prefix, r.row)});
    }
    return all;
  }();
  return keys;
}

void Bias(Fields& f, BiasRecords& records) {
  for (const Column& c : kColumns) biasColumn(f, c.prefix, records[c.tube]);
}

void DataSheetLoadIni(const ProfileReader& read, BiasRecords& records) {
  for (const Column& c : kColumns) {
    records[c.tube].PaMax = store(readReal(read(c.section, "Pa")));
    // Read and checked like Pa, though no computation uses it.
    readReal(read(c.section, "Pg2"));
  }
}

void DataSheetFill(const ProfileReader& read, Fields& window) {
  // The window's 6L6GC column keeps its own texts.
  for (const Column& c : kColumns) {
    if (c.tube == Tube::T6L6GC) continue;
    for (std::string_view key : {std::string_view("Pa"), std::string_view("Pg2")}) {
      const std::string value = read(c.section, key);
      window.write(field(c.prefix, key), value);
      readReal(value);
    }
  }
}

}  // namespace valvora
