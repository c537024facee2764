#include "core/atelier/biassetting.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "core/failure.h"
#include "core/numtext.h"

namespace valvora::atelier {
namespace {

struct DataSheetSection {
  std::string_view tube;
  std::string_view section;
};
// The same sections as the bias page's data sheet reading.
constexpr DataSheetSection kSections[] = {
    {"6L6", "6L6DataSheet"},     {"6V6", "6V6DataSheet"},   {"EL34", "EL34DataSheet"},
    {"6L6GC", "6L6GCDataSheet"}, {"EL84", "EL84DataSheet"}, {"KT88", "KT88DataSheet"},
};

[[noreturn]] void fail(const char* message) {
  throw CalcError(message);
}

// One decimal and always a sign: "-" only when the text of a negative value is not all zeros.
std::string signedTenths(Real value) {
  const std::string magnitude = formatPattern("0.0", value < 0 ? -value : value);
  const bool zero = magnitude.find_first_not_of("0,") == std::string::npos;
  return (value < 0 && !zero ? "-" : "+") + magnitude;
}

}  // namespace

std::string dataSheetAnodeLimit(const ProfileReader& read, std::string_view tube) {
  for (const DataSheetSection& s : kSections)
    if (s.tube == tube) {
      const std::string text = read(s.section, "Pa");
      const std::optional<Real> pa = tryReadReal(text);
      if (!pa)
        throw CalcError("Pa de la " + std::string(tube) + " : '" + quotedText(text) +
                        "' n'est pas un nombre.");
      return formatPattern("0.00", *pa);
    }
  return {};
}

long double targetAnodeCurrent(long double pa, long double target, long double vak) {
  return multiply(divide(divide(multiply(pa, target), 100), vak), 1000);
}

namespace {

// Results are gathered and written once the whole computation has succeeded, so that a
// failure leaves no mixture of new and old figures.
using Results = std::vector<std::pair<std::string, std::string>>;
void writeAll(Fields& f, const Results& results) {
  for (const auto& [name, text] : results) f.write(name, text);
}

Real field(const Fields& f, std::string_view name) {
  return readDefinedField(f, fieldNamed(kBiasFields, name));
}

// Pa x target = Ia x (Va - N Rk (Ia + Ig2)), in A, V and ohms: the smaller root of
// N Rk Ia² + (N Rk Ig2 - Va) Ia + P = 0, the current at which the cathode has not yet
// eaten the anode's voltage.
Real sharedAnodeCurrent(Real p, Real va, Real nrk, Real ig2) {
  const Real b = subtract(multiply(nrk, ig2), va);
  const Real discriminant = subtract(multiply(b, b), multiply(multiply(4, nrk), p));
  if (b >= 0 || discriminant < 0)
    fail("Cible impossible avec cette résistance de cathode : la tension d'anode ne suffit pas.");
  // 2c / (-b + √Δ): the small root without the cancellation of -b - √Δ.
  return divide(multiply(2, p), add(-b, squareRoot(discriminant)));
}

}  // namespace

const std::array<FieldDef, 14> kBiasFields = {{
    {"edAsPa", "Dissipation anode max", "W", "", true, 0, 200},
    {"edAsVa", "Tension anode", "V", "450", true, 0, 1500},
    {"edAsVk", "Tension cathode", "V", "0", true, 0, 500},
    {"edAsIg2", "Courant grille 2", "mA", "0", true, 0, 100},
    {"cbAsTarget", "Cible", "% de Pa max", "70", true, 0, 100},
    {"edAsRp", "Résistance du demi-primaire", "Ω", "41", true, 0, 1000},
    {"edAsRm", "Résistance de l'appareil de mesure", "Ω", "5", true, 0, 10000},
    {"edAsRk", "Résistance de cathode commune", "Ω", "220", true, 0, 10000},
    // Checked as a whole number by the calculation, with its own message.
    {"edAsN", "Nombre de lampes sur cette résistance", "", "2", true, 0, 0},
    {"edAsM1", "Lampe 1", "", "", true, 0, 10000},
    {"edAsM2", "Lampe 2", "", "", true, 0, 10000},
    {"edAsM3", "Lampe 3", "", "", true, 0, 10000},
    {"edAsM4", "Lampe 4", "", "", true, 0, 10000},
    {"edAsTol", "Tolérance", "%", "5", true, 0, 100},
}};

void BiasTarget(Fields& f, BiasMethod method) {
  const bool shared = method == BiasMethod::Shared;
  const Real pa = field(f, "edAsPa");
  const Real va = field(f, "edAsVa");
  const Real ig2 = field(f, "edAsIg2");
  const Real target = field(f, "cbAsTarget");
  if (pa <= 0) fail("La dissipation maximale doit être positive.");
  if (target <= 0 || target > 100) fail("La cible doit être comprise entre 0 et 100 %.");

  Results out;
  const Real p = divide(multiply(pa, target), 100);
  out.emplace_back("edAsP", formatPattern("0.00", p));
  Real ia = 0;
  Real rk = 0;
  Real n = 0;
  if (shared) {
    rk = field(f, "edAsRk");
    n = field(f, "edAsN");
    if (rk <= 0) fail("La résistance de cathode doit être positive.");
    if (n < 1 || n > 8 || n != truncate(n))
      fail("Le nombre de lampes doit être compris entre 1 et 8.");
    if (va <= 0) fail("La tension d'anode doit être positive.");
    ia = multiply(sharedAnodeCurrent(p, va, multiply(n, rk), divide(ig2, 1000)), 1000);
  } else {
    const Real vak = subtract(va, field(f, "edAsVk"));
    if (vak <= 0) fail("La tension d'anode doit dépasser la tension de cathode.");
    // Plate to cathode: the cathode's own voltage takes no part in the anode's dissipation.
    ia = targetAnodeCurrent(pa, target, vak);
  }
  out.emplace_back("edAsIa", formatPattern("0.0", ia));
  const Real ik = add(ia, ig2);
  out.emplace_back("edAsIk", formatPattern("0.0", ik));

  switch (method) {
    case BiasMethod::OneOhm:
      out.emplace_back("edAsRead", formatPattern("0.0", ik));
      out.emplace_back("lbAsUnit", "mV");
      out.emplace_back("lbAsNote",
                       "Sur 1 Ω, 1 mV vaut 1 mA de courant de cathode : courant d'anode et "
                       "courant de grille 2 ensemble.");
      break;
    case BiasMethod::Shunt: {
      const Real rp = field(f, "edAsRp");
      const Real rm = field(f, "edAsRm");
      if (rp <= 0) fail("La résistance du demi-primaire doit être positive.");
      const Real total = add(rp, rm);
      out.emplace_back("edAsRead", formatPattern("0.0", divide(multiply(ia, rp), total)));
      out.emplace_back("lbAsUnit", "mA");
      out.emplace_back("lbAsNote", "L'appareil court-circuite le demi-primaire et lit " +
                                       formatPattern("0.0", multiply(divide(rm, total), 100)) +
                                       " % de moins que le courant d'anode réel.");
      break;
    }
    case BiasMethod::Drop: {
      const Real rp = field(f, "edAsRp");
      if (rp <= 0) fail("La résistance du demi-primaire doit être positive.");
      out.emplace_back("edAsRead", formatPattern("0.000", divide(multiply(ia, rp), 1000)));
      out.emplace_back("lbAsUnit", "V");
      out.emplace_back("lbAsNote",
                       "Chute de tension du seul courant d'anode : le courant de grille 2 ne "
                       "passe pas par le primaire.");
      break;
    }
    case BiasMethod::Shared: {
      const std::string vk = formatPattern("0.00", divide(multiply(multiply(n, ik), rk), 1000));
      out.emplace_back("edAsRead", vk);
      out.emplace_back("edAsVk", vk);
      out.emplace_back("lbAsUnit", "V");
      out.emplace_back("lbAsNote", "Courant de cathode des " + formatInteger(std::int64_t(n)) +
                                       " lampes ensemble : la tension ne dit pas si elles sont "
                                       "appairées.");
      break;
    }
  }
  writeAll(f, out);
}

void BiasMatch(Fields& f) {
  constexpr std::array<const char*, 4> kReadings = {"edAsM1", "edAsM2", "edAsM3", "edAsM4"};
  constexpr std::array<const char*, 4> kDeviations = {"edAsD1", "edAsD2", "edAsD3", "edAsD4"};
  std::array<std::optional<Real>, 4> readings;
  int count = 0;
  for (std::size_t i = 0; i < kReadings.size(); ++i) {
    const std::optional<Real> r =
        readOptionalDefinedField(f, fieldNamed(kBiasFields, kReadings[i]));
    if (!r) continue;
    if (*r <= 0)
      throw CalcError("La mesure de la lampe " + formatInteger(std::int64_t(i) + 1) +
                      " doit être positive.");
    readings[i] = r;
    ++count;
  }
  if (count < 2) fail("Entrez au moins deux mesures.");
  const Real tolerance = field(f, "edAsTol");
  if (tolerance <= 0) fail("La tolérance doit être positive.");

  Real sum = 0;
  Real low = 0;
  Real high = 0;
  bool first = true;
  for (const auto& r : readings) {
    if (!r) continue;
    sum = add(sum, *r);
    low = first ? *r : std::min(low, *r);
    high = first ? *r : std::max(high, *r);
    first = false;
  }
  const Real mean = divide(sum, count);
  Results out;
  out.emplace_back("edAsMean", formatPattern("0.00", mean));
  for (std::size_t i = 0; i < readings.size(); ++i)
    out.emplace_back(kDeviations[i],
                     readings[i]
                         ? signedTenths(multiply(divide(subtract(*readings[i], mean), mean), 100))
                         : std::string());
  const std::string spread = formatPattern("0.0", multiply(divide(subtract(high, low), low), 100));
  out.emplace_back("edAsSpread", spread);
  // The spread as shown is what is judged: "5,0 %" against 5 % admitted never reads as out.
  const bool matched = readReal(spread) <= tolerance;
  out.emplace_back("lbAsVerdict",
                   (matched ? "Lampes appairées : écart de " : "Hors tolérance : écart de ") +
                       spread + " % entre la plus forte et la plus faible (" +
                       formatGeneral(tolerance) + " % admis).");
  writeAll(f, out);
}

}  // namespace valvora::atelier
