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

bool blank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
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
    if (s.tube == tube) return formatPattern("0.00", readReal(read(s.section, "Pa")));
  return {};
}

long double targetAnodeCurrent(long double pa, long double target, long double vak) {
  return multiply(divide(divide(multiply(pa, target), 100), vak), 1000);
}

void BiasTarget(Fields& f, BiasMethod method) {
  const Real pa = readReal(f.text("edAsPa"));
  const Real va = readReal(f.text("edAsVa"));
  const Real vk = readReal(f.text("edAsVk"));
  const Real ig2 = readReal(f.text("edAsIg2"));
  const Real target = readReal(f.text("cbAsTarget"));
  if (pa <= 0) fail("La dissipation maximale doit être positive.");
  if (target <= 0 || target > 100) fail("La cible doit être comprise entre 0 et 100 %.");
  const Real vak = subtract(va, vk);
  if (vak <= 0) fail("La tension d'anode doit dépasser la tension de cathode.");
  if (ig2 < 0) fail("Le courant de grille 2 ne peut pas être négatif.");

  const Real p = divide(multiply(pa, target), 100);
  f.write("edAsP", formatPattern("0.00", p));
  // Plate to cathode: the cathode's own voltage takes no part in the anode's dissipation.
  const Real ia = targetAnodeCurrent(pa, target, vak);
  f.write("edAsIa", formatPattern("0.0", ia));
  const Real ik = add(ia, ig2);
  f.write("edAsIk", formatPattern("0.0", ik));

  switch (method) {
    case BiasMethod::OneOhm:
      f.write("edAsRead", formatPattern("0.0", ik));
      f.write("lbAsUnit", "mV");
      f.write("lbAsNote",
              "Sur 1 Ω, 1 mV vaut 1 mA de courant de cathode : courant d'anode et courant "
              "de grille 2 ensemble.");
      return;
    case BiasMethod::Shunt: {
      const Real rp = readReal(f.text("edAsRp"));
      const Real rm = readReal(f.text("edAsRm"));
      if (rp <= 0) fail("La résistance du demi-primaire doit être positive.");
      if (rm < 0) fail("La résistance de l'appareil ne peut pas être négative.");
      const Real total = add(rp, rm);
      f.write("edAsRead", formatPattern("0.0", divide(multiply(ia, rp), total)));
      f.write("lbAsUnit", "mA");
      f.write("lbAsNote", "L'appareil court-circuite le demi-primaire et lit " +
                              formatPattern("0.0", multiply(divide(rm, total), 100)) +
                              " % de moins que le courant d'anode réel.");
      return;
    }
    case BiasMethod::Drop: {
      const Real rp = readReal(f.text("edAsRp"));
      if (rp <= 0) fail("La résistance du demi-primaire doit être positive.");
      f.write("edAsRead", formatPattern("0.000", divide(multiply(ia, rp), 1000)));
      f.write("lbAsUnit", "V");
      f.write("lbAsNote",
              "Chute de tension du seul courant d'anode : le courant de grille 2 ne passe "
              "pas par le primaire.");
      return;
    }
    case BiasMethod::Shared: {
      const Real rk = readReal(f.text("edAsRk"));
      const std::int32_t n = readInteger(f.text("edAsN"));
      if (rk <= 0) fail("La résistance de cathode doit être positive.");
      if (n < 1 || n > 8) fail("Le nombre de lampes doit être compris entre 1 et 8.");
      f.write("edAsRead", formatPattern("0.00", divide(multiply(multiply(n, ik), rk), 1000)));
      f.write("lbAsUnit", "V");
      f.write("lbAsNote", "Courant de cathode des " + formatInteger(n) +
                              " lampes ensemble : la tension ne dit pas si elles sont "
                              "appairées.");
      return;
    }
  }
}

void BiasMatch(Fields& f) {
  constexpr std::array<const char*, 4> kReadings = {"edAsM1", "edAsM2", "edAsM3", "edAsM4"};
  constexpr std::array<const char*, 4> kDeviations = {"edAsD1", "edAsD2", "edAsD3", "edAsD4"};
  std::array<std::optional<Real>, 4> readings;
  int count = 0;
  for (std::size_t i = 0; i < kReadings.size(); ++i) {
    const std::string text = f.text(kReadings[i]);
    if (blank(text)) continue;
    const Real r = readReal(text);
    if (r <= 0)
      throw CalcError("La mesure de la lampe " + formatInteger(std::int64_t(i) + 1) +
                      " doit être positive.");
    readings[i] = r;
    ++count;
  }
  if (count < 2) fail("Entrez au moins deux mesures.");
  const Real tolerance = readReal(f.text("edAsTol"));
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
  f.write("edAsMean", formatPattern("0.00", mean));

  std::string outside;
  for (std::size_t i = 0; i < readings.size(); ++i) {
    if (!readings[i]) {
      f.write(kDeviations[i], "");
      continue;
    }
    const Real deviation = multiply(divide(subtract(*readings[i], mean), mean), 100);
    const std::string text = signedTenths(deviation);
    f.write(kDeviations[i], text);
    // Exactly at the tolerance is within it, whatever the last bit of the division.
    const Real magnitude = deviation < 0 ? -deviation : deviation;
    if (magnitude > tolerance * (1 + 1e-12L))
      outside += (outside.empty() ? "" : ", ") + std::string("lampe ") +
                 formatInteger(std::int64_t(i) + 1) + " (" + text + " %)";
  }
  f.write("edAsSpread", formatPattern("0.0", multiply(divide(subtract(high, low), low), 100)));
  f.write("lbAsVerdict", outside.empty() ? "Lampes appairées : toutes à moins de " +
                                               formatGeneral(tolerance) + " % de la moyenne."
                                         : "Hors tolérance : " + outside + ".");
}

}  // namespace valvora::atelier
