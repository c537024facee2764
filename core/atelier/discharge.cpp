#include "core/atelier/discharge.h"

#include <string>
#include <utility>
#include <vector>

#include "core/atelier/standardvalues.h"
#include "core/numtext.h"

namespace valvora::atelier {
namespace {

double readStored(const Fields& f, std::string_view control) {
  return store(readDefinedField(f, fieldNamed(kSafetyFields, control)));
}

// Results are gathered and written once the whole computation has succeeded.
using Results = std::vector<std::pair<std::string, std::string>>;
void writeAll(Fields& f, const Results& results) {
  for (const auto& [name, text] : results) f.write(name, text);
}

void require(bool holds, std::string_view message) {
  if (!holds) throw CalcError(std::string(message));
}

// A bleeder runs at no more than half its rating.
std::string advisedRating(double watts) {
  constexpr Real kRatings[] = {0.25L, 0.5L, 1, 2, 3, 5, 7, 10};
  const Real needed = multiply(watts, 2);
  for (Real r : kRatings)
    if (r >= needed) return formatGeneral(r);
  return "plus de 10";
}

struct Capacitor {
  double microfarads, v0, vs;
  // ln(V0 / Vs): the time constants it takes to fall from V0 to Vs.
  Real logRatio() const { return ln(divide(v0, vs)); }
};

Capacitor readCapacitor(const Fields& f, bool withBleeder) {
  const Capacitor c{readStored(f, "edDeC"), readStored(f, "edDeV0"), readStored(f, "edDeVs")};
  require(c.microfarads > 0, msg::kCapacitance);
  if (withBleeder) require(readStored(f, "edDeR") > 0, msg::kResistance);
  require(c.v0 > 0, msg::kStartVoltage);
  require(c.vs > 0 && c.vs < c.v0, msg::kSafeVoltage);
  return c;
}

}  // namespace

const std::array<FieldDef, 8> kSafetyFields = {{
    {"edDeC", "Capacité", "µF", "47", true, 0.001, 100000},
    {"edDeV0", "Tension de départ", "V", "450", true, 0, 1000},
    {"edDeVs", "Tension sans danger", "V", "60", true, 0, 1000},
    {"edDeR", "Résistance de décharge", "kΩ", "220", true, 0, 10000000},
    {"edDeTwant", "Temps voulu", "s", "10", true, 0, 3600},
    {"edOtZp", "Impédance primaire nominale", "Ω", "6600", true, 0, 100000},
    {"cbOtTap", "Prise utilisée", "Ω", "8", true, 0, 64},
    {"cbOtLoad", "Charge branchée", "Ω", "8", true, 0, 64},
}};

void Discharge(Fields& f) {
  const Capacitor c = readCapacitor(f, true);
  const double ohms = store(multiply(readStored(f, "edDeR"), 1000));
  const double tau = store(multiply(ohms, divide(c.microfarads, 1000000)));
  const double watts = store(divide(multiply(c.v0, c.v0), ohms));
  writeAll(f, {{"edDeTau", formatPattern("0.0", tau)},
               {"edDeTime", formatPattern("0.0", store(multiply(tau, c.logRatio())))},
               {"edDeI", formatPattern("0.00", store(multiply(divide(c.v0, ohms), 1000)))},
               {"edDeP", formatPattern("0.00", watts)},
               {"edDePr", advisedRating(watts)}});
}

void BleederFor(Fields& f) {
  const Capacitor c = readCapacitor(f, false);
  const double wanted = readStored(f, "edDeTwant");
  require(wanted > 0, msg::kWantedTime);
  const double farads = store(divide(c.microfarads, 1000000));
  const double kiloohms = store(divide(divide(wanted, multiply(farads, c.logRatio())), 1000));
  // Below the series' first member (a time that rounds the resistance away) no E12 value
  // is not above it.
  require(kiloohms >= 1e-12, msg::kBleederTooSmall);
  // Not above the computed value: the capacitors are down at least as fast as wanted.
  const Real e12 = standardBelow(ESeries::E12, kiloohms).value();
  const double watts = store(divide(multiply(c.v0, c.v0), multiply(e12, 1000)));
  writeAll(f, {{"edDeRcalc", formatPattern("0.0", kiloohms)},
               {"edDeRe12", formatGeneral(e12)},
               {"edDePe12", formatPattern("0.00", watts)},
               {"edDePr2", advisedRating(watts)}});
}

void OtLoad(Fields& f) {
  const double zp = readStored(f, "edOtZp");
  const double tap = readStored(f, "cbOtTap");
  const double load = readStored(f, "cbOtLoad");
  require(zp > 0, msg::kPrimary);
  require(tap > 0, msg::kTap);
  require(load >= 0, msg::kLoad);

  Results out;
  out.emplace_back("edOtRatio", formatPattern("0.00", store(squareRoot(divide(zp, tap)))));
  // No speaker: the primary sees an open circuit.
  out.emplace_back("edOtZa", load == 0
                                 ? std::string("infinie")
                                 : formatPattern("0", store(divide(multiply(zp, load), tap))));
  out.emplace_back("edOtMis", formatPattern("0.00", store(divide(load, tap))));
  // The bounds on the exact products (small multiples of doubles are exact in the extended
  // type), so that a load of exactly 0,8 or 1,25 times the tap takes its verdict whatever the
  // binary quotient.
  const Real l = load, t = tap;
  std::string_view verdict = msg::kFarTooHigh;
  if (load == 0)
    verdict = msg::kNoLoad;
  else if (2 * l < t)
    verdict = msg::kFarTooLow;
  else if (5 * l < 4 * t)
    verdict = msg::kLow;
  else if (4 * l <= 5 * t)
    verdict = msg::kMatched;
  else if (l <= 2 * t)
    verdict = msg::kHigh;
  out.emplace_back("lbOtVerdict", std::string(verdict));
  writeAll(f, out);
}

}  // namespace valvora::atelier
