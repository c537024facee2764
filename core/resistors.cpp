#include "core/resistors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "core/numtext.h"

namespace valvora {
namespace {

double readStored(const Fields& f, std::string_view control) {
  return store(readReal(f.text(control)));
}

}  // namespace

void resistor_led(Fields& f) {
  const double vs = readStored(f, "edTInit");
  const double vled = readStored(f, "edTLed");
  const double ma = readStored(f, "edAmpLed");
  // Whichever voltage is the larger, the resistor is the same.
  const double r = store(std::fabs(divide(subtract(vled, vs), divide(ma, 1000))));
  f.write("edResistor", formatGeneral(r) + " Ohms");
}

void resist_sp(Fields& f) {
  const double r1 = readStored(f, "edR1_serpar");
  const double r2 = readStored(f, "edR2_serpar");
  const double r3 = readStored(f, "edR3_serpar");
  const double r4 = readStored(f, "edR4_serpar");
  const double r = store(add(divide(1, add(divide(1, r1), divide(1, add(r2, r3)))), r4));
  f.write("edR_serpar", formatPattern("0.000", r));
}

void resist_par(Fields& f) {
  const double r1 = readStored(f, "edR1_par");
  const double r2 = readStored(f, "edR2_par");
  const double r = store(divide(multiply(r1, r2), add(r1, r2)));
  f.write("edR_par", formatPattern("0.00", r));
}

void resist_ser(Fields& f) {
  const double r1 = readStored(f, "edR1_ser");
  const double r2 = readStored(f, "edR2_ser");
  f.write("edR_ser", formatPattern("0.00", store(add(r1, r2))));
}

void CourTravRes(Fields& f) {
  const std::int32_t r = readInteger(f.text("ed_Rt"));
  const double u = readStored(f, "ed_Vt");
  const double i = store(multiply(divide(1, r), u));
  f.write("ed_At", formatPattern("0.0000", i));
}

void PuisDisRes(Fields& f) {
  const std::int32_t r = readInteger(f.text("ed_Rpdiss"));
  const double u = readStored(f, "ed_Vpdiss");
  const double p = store(divide(multiply(u, u), r));
  f.write("ed_Wpdiss", formatPattern("0.0000", p));
}

// ---- Colour code ----

namespace {

struct NamedColour {
  std::string_view name;
  Rgb rgb;
};
// The framework's sixteen standard colour names.
constexpr NamedColour kNamedColours[] = {
    {"clBlack", {0, 0, 0}},       {"clMaroon", {128, 0, 0}},    {"clGreen", {0, 128, 0}},
    {"clOlive", {128, 128, 0}},   {"clNavy", {0, 0, 128}},      {"clPurple", {128, 0, 128}},
    {"clTeal", {0, 128, 128}},    {"clGray", {128, 128, 128}},  {"clSilver", {192, 192, 192}},
    {"clRed", {255, 0, 0}},       {"clLime", {0, 255, 0}},      {"clYellow", {255, 255, 0}},
    {"clBlue", {0, 0, 255}},      {"clFuchsia", {255, 0, 255}}, {"clAqua", {0, 255, 255}},
    {"clWhite", {255, 255, 255}},
};

struct TableRow {
  std::string_view name;
  std::string_view colour;
};
constexpr TableRow kTable[12] = {
    {"noir", "clBlack"},   {"marron", "clMaroon"}, {"rouge", "clred"},  {"orange", "$000080FF"},
    {"jaune", "clYellow"}, {"vert", "clGreen"},    {"bleu", "clBlue"},  {"violet", "clFuchsia"},
    {"gris", "clGray"},    {"blanc", "clWhite"},   {"or", "$0089D1CF"}, {"argent", "clSilver"},
};

bool equalNoCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

constexpr std::string_view kOhm = "Ohm", kKiloOhm = "KiloOhm", kMegaOhm = "MegaOhm";

std::span<const std::string_view> itemsOf(std::string_view list) {
  if (list == code::sign || list == code::sign2) return code::kDigits;
  if (list == code::mult) return code::kMultipliers;
  if (list == code::tole) return code::kToleranceColours;
  if (list == code::nbtole) return code::kTolerances;
  return code::kUnits;
}

// The selected item's text; empty when nothing is selected.
std::string_view selectedItem(const ColourCodeControls& c, std::string_view list) {
  const auto items = itemsOf(list);
  const int i = c.selected(list);
  return i >= 0 && std::size_t(i) < items.size() ? items[std::size_t(i)] : std::string_view();
}

// A band keeps its colour when no row of the table names the selected item.
void paintBand(const ColourCodeState& s, ColourCodeControls& c, int band, std::string_view list) {
  if (!s.tableFilled) return;
  const std::string_view name = selectedItem(c, list);
  for (const ColourRow& row : s.table) {
    if (row.name == name) {
      c.paint(band, row.colour);
      return;
    }
  }
}

// Tolerance text, then the range around the display value. "0,25 %" reads 0,25.
void toleranceRange(ColourCodeState& s, const ColourCodeControls& c) {
  s.toleranceText = std::string(selectedItem(c, code::nbtole));
  const std::string_view t = s.toleranceText;
  const Real p = readReal(t.substr(0, t.size() >= 2 ? t.size() - 2 : 0));
  const Real fraction = divide(p, 100);
  s.minimum = store(multiply(subtract(1, fraction), s.display));
  s.maximum = store(multiply(add(fraction, 1), s.display));
}

// Reopens the guard if an update fails half-way, so that a failure never leaves the code
// dead for the rest of the run.
template <typename Body>
void guardedUpdate(ColourCodeState& s, Body body) {
  if (!s.guardOpen) return;
  s.guardOpen = false;
  try {
    body();
  } catch (...) {
    s.guardOpen = true;
    throw;
  }
}

}  // namespace

Rgb colourFromText(std::string_view text) {
  if (text.size() == 9 && text[0] == '$') {
    const auto read = tryReadInteger(text);
    if (!read) return {};
    const auto v = std::uint32_t(*read);
    return {int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF)};
  }
  for (const NamedColour& n : kNamedColours)
    if (equalNoCase(n.name, text)) return n.rgb;
  return {};
}

std::string rangeText(const ColourCodeState& s) {
  return "Résistance comprise entre " + formatGeneral(s.minimum) + " " + s.unitName + " et " +
         formatGeneral(s.maximum) + " " + s.unitName;
}

void ActualiseAvecCouleurs(ColourCodeState& s, ColourCodeControls& c) {
  guardedUpdate(s, [&] {
    Fields& f = c.fields();
    const int digits = 10 * c.selected(code::sign) + c.selected(code::sign2);
    s.resistance = store(multiply(digits, power(10, c.selected(code::mult) - 2)));
    paintBand(s, c, 3, code::mult);
    // Each write of the value notifies valeurChange; the closed guard keeps it to a refresh
    // of the range text.
    f.write(code::valeur, formatGeneral(s.resistance));
    c.select(code::unite, 0);
    s.unitName = kOhm;
    // Two steps at most: 99 x 10^6 shows "99" MΩ.
    int unit = 0;
    for (std::string_view name : {kKiloOhm, kMegaOhm}) {
      if (truncate(divide(s.resistance, 1000)) <= 0) break;
      s.resistance = store(divide(s.resistance, 1000));
      f.write(code::valeur, formatGeneral(s.resistance));
      c.select(code::unite, ++unit);
      s.unitName = name;
    }
    paintBand(s, c, 1, code::sign);
    paintBand(s, c, 2, code::sign2);
    paintBand(s, c, 4, code::tole);
    c.select(code::nbtole, c.selected(code::tole));
    s.display = s.resistance;
    toleranceRange(s, c);
    f.write(code::encadrement, rangeText(s));
    s.guardOpen = true;
    c.centreRange();
  });
}

void ActualiseAvecValeurs(ColourCodeState& s, ColourCodeControls& c) {
  guardedUpdate(s, [&] {
    Fields& f = c.fields();
    // A reset writes the value with the guard open, so the write itself converts once with
    // the old unit; the update then runs again with the reset unit.
    auto reset = [&](std::string_view text, int unit) {
      s.guardOpen = true;
      f.write(code::valeur, std::string(text));
      c.select(code::unite, unit);
      ActualiseAvecValeurs(s, c);
    };
    std::string typed = f.text(code::valeur);
    if (typed.empty()) return reset("1", 0);
    std::ranges::replace(typed, '.', ',');
    const std::optional<Real> read = tryReadReal(typed);
    if (!read) {
      c.showBox(code::kNotANumberCaption, code::kNotANumber);
      return reset("1", 0);
    }
    const Real number = *read;
    const int unit = c.selected(code::unite);
    // Compared before it is kept: a number too large for any unit is simply above the limit.
    const Real r = unit == 1 ? number * 1000 : unit == 2 ? number * 1000000 : number;
    if (r > 99000000) {
      c.showBox(code::kLimitCaption, code::kAboveLimit);
      return reset("99", 2);
    }
    if (r < 0.1L) {
      c.showBox(code::kLimitCaption, code::kBelowLimit);
      return reset("0,1", 0);
    }
    s.resistance = store(r);

    // Two significant digits: 10 <= R < 100 and R x 10^e the value. Later digits are cut.
    int e = 0;
    while (formatGeneral(s.resistance).front() == '0') {
      s.resistance = store(multiply(s.resistance, 10));
      --e;
    }
    s.resistance = store(multiply(s.resistance, 100));
    e -= 2;
    if (e == -3) {
      s.resistance = store(divide(s.resistance, 10));
      ++e;
    } else {
      while (formatInteger(truncate(s.resistance)).size() > 2) {
        s.resistance = store(divide(s.resistance, 10));
        ++e;
      }
    }
    const std::string digits = formatGeneral(s.resistance);
    const int d1 = readInteger(digits.substr(0, 1));
    const int d2 = readInteger(digits.substr(1, 1));
    s.resistance = store(multiply(10 * d1 + d2, power(10, e)));

    c.select(code::tole, c.selected(code::nbtole));
    s.display = s.resistance;
    s.unitName = kOhm;
    for (std::string_view name : {kKiloOhm, kMegaOhm}) {
      if (truncate(divide(s.display, 1000)) <= 0) break;
      s.display = store(divide(s.display, 1000));
      s.unitName = name;
    }
    toleranceRange(s, c);
    c.select(code::sign, d1);
    c.select(code::sign2, d2);
    c.select(code::mult, e + 2);
    paintBand(s, c, 3, code::mult);
    paintBand(s, c, 1, code::sign);
    paintBand(s, c, 2, code::sign2);
    paintBand(s, c, 4, code::tole);
    s.guardOpen = true;
    c.centreRange();
  });
}

void coulchange(ColourCodeState& s, ColourCodeControls& c) {
  ActualiseAvecCouleurs(s, c);
  c.fields().write(code::encadrement, rangeText(s));
  c.centreRange();
}

void valeurChange(ColourCodeState& s, ColourCodeControls& c) {
  ActualiseAvecValeurs(s, c);
  c.fields().write(code::encadrement, rangeText(s));
  c.centreRange();
}

void initialiseColourCode(ColourCodeState& s, ColourCodeControls& c) {
  for (std::size_t i = 0; i < s.table.size(); ++i)
    s.table[i] = {std::string(kTable[i].name), colourFromText(kTable[i].colour)};
  s.tableFilled = true;
  s.guardOpen = true;
  ActualiseAvecValeurs(s, c);
  ActualiseAvecCouleurs(s, c);
}

}  // namespace valvora
