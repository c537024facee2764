#include "core/speakers.h"

#include <array>
#include <string>
#include <string_view>

#include "core/numtext.h"

namespace valvora {
namespace {

constexpr std::string_view kTwoDecimals = "0.00";

enum class Reading { Integer, Real };

// Control names follow the pages: edAmp_2ser, cbHPa_2ser, edHPtotale_2ser, edPHPa_2ser.
std::string speakerName(std::string_view prefix, int speaker, std::string_view suffix) {
  std::string n(prefix);
  n += static_cast<char>('a' + speaker);
  n += suffix;
  return n;
}

std::string groupName(std::string_view prefix, std::string_view suffix) {
  return std::string(prefix) + std::string(suffix);
}

struct Inputs {
  Real p = 0;                    // the amplifier power, read as a whole number
  std::array<double, 4> z = {};  // impedances A to D as stored
};

// Reads the amplifier power, then the impedances in the order A, B, C, D, so that the
// message names the first bad text.
Inputs readInputs(const Fields& f, std::string_view suffix, int speakers, Reading reading) {
  Inputs in;
  in.p = readInteger(f.text(groupName("edAmp", suffix)));
  for (int i = 0; i < speakers; ++i) {
    const std::string text = f.text(speakerName("cbHP", i, suffix));
    in.z[i] = reading == Reading::Integer ? static_cast<double>(readInteger(text))
                                          : store(readReal(text));
  }
  return in;
}

Real seriesTotal(const Inputs& in, int speakers) {
  Real t = in.z[0];
  for (int i = 1; i < speakers; ++i) t = add(t, in.z[i]);
  return t;
}

// One divided by the left-to-right sum of the reciprocals.
Real parallel(std::initializer_list<Real> z) {
  Real sum = 0;
  bool first = true;
  for (Real x : z) {
    const Real r = divide(1, x);
    sum = first ? r : add(sum, r);
    first = false;
  }
  return divide(1, sum);
}

Real parallelTotal(const Inputs& in, int speakers) {
  switch (speakers) {
    case 2:
      return parallel({in.z[0], in.z[1]});
    case 3:
      return parallel({in.z[0], in.z[1], in.z[2]});
    default:
      return parallel({in.z[0], in.z[1], in.z[2], in.z[3]});
  }
}

// The share formulas differ between groups only in the order of their operations, which
// decides both the last bit and which failure a zero total meets first.
enum class Share { ZxOverZtTimesP, PTimesZxOverZt, ZtOverZxTimesP, PTimesZtOverZx };

Real share(Share s, Real p, Real zx, Real zt) {
  switch (s) {
    case Share::ZxOverZtTimesP:
      return multiply(divide(zx, zt), p);
    case Share::PTimesZxOverZt:
      return divide(multiply(p, zx), zt);
    case Share::ZtOverZxTimesP:
      return multiply(divide(zt, zx), p);
    case Share::PTimesZtOverZx:
      return divide(multiply(p, zt), zx);
  }
  return 0;
}

struct Simple {
  std::string_view suffix;
  int speakers;
  Reading reading;
  bool parallel;
  bool totalInGeneralForm;
  Share share;
};

void simpleGroup(Fields& f, const Simple& g) {
  const Inputs in = readInputs(f, g.suffix, g.speakers, g.reading);
  const double zt = store(g.parallel ? parallelTotal(in, g.speakers) : seriesTotal(in, g.speakers));
  f.write(groupName("edHPtotale", g.suffix),
          g.totalInGeneralForm ? formatGeneral(zt) : formatPattern(kTwoDecimals, zt));
  for (int i = 0; i < g.speakers; ++i) {
    const double px = store(share(g.share, in.p, in.z[i], zt));
    f.write(speakerName("edPHP", i, g.suffix), formatPattern(kTwoDecimals, px));
  }
}

void writeTwoDecimals(Fields& f, std::string_view control, double value) {
  f.write(control, formatPattern(kTwoDecimals, value));
}

void writePower(Fields& f, int speaker, std::string_view suffix, Real value) {
  writeTwoDecimals(f, speakerName("edPHP", speaker, suffix), store(value));
}

}  // namespace

void hp_2ser(Fields& f) {
  simpleGroup(f, {"_2ser", 2, Reading::Integer, false, true, Share::ZxOverZtTimesP});
}
void hp_3ser(Fields& f) {
  simpleGroup(f, {"_3ser", 3, Reading::Real, false, true, Share::PTimesZxOverZt});
}
void hp_4ser(Fields& f) {
  simpleGroup(f, {"_4ser", 4, Reading::Real, false, false, Share::PTimesZxOverZt});
}
void hp_2par(Fields& f) {
  simpleGroup(f, {"_2par", 2, Reading::Integer, true, false, Share::ZtOverZxTimesP});
}
void hp_3par(Fields& f) {
  simpleGroup(f, {"_3par", 3, Reading::Integer, true, false, Share::PTimesZtOverZx});
}
void hp_4par(Fields& f) {
  simpleGroup(f, {"_4par", 4, Reading::Real, true, false, Share::ZtOverZxTimesP});
}

void hp_3HA(Fields& f) {
  constexpr std::string_view s = "_3HA";
  const Inputs in = readInputs(f, s, 3, Reading::Real);
  const auto& z = in.z;
  const double zt = store(add(parallel({z[0], z[1]}), z[2]));
  const double z2 = store(parallel({z[0], z[1]}));
  const double p2 = store(divide(multiply(in.p, z2), zt));
  writeTwoDecimals(f, "edHPtotale_3HA", zt);
  writePower(f, 0, s, divide(multiply(p2, z2), z[0]));
  writePower(f, 1, s, divide(multiply(p2, z2), z[1]));
  writePower(f, 2, s, divide(multiply(in.p, z[2]), zt));
}

void hp_3HB(Fields& f) {
  constexpr std::string_view s = "_3HB";
  const Inputs in = readInputs(f, s, 3, Reading::Real);
  const auto& z = in.z;
  const double z2 = store(add(z[0], z[1]));
  const double zt = store(parallel({z[2], z2}));
  const double p2 = store(divide(multiply(in.p, zt), z2));
  writeTwoDecimals(f, "edHPtotale_3HB", zt);
  writePower(f, 0, s, divide(multiply(p2, z[0]), z2));
  writePower(f, 1, s, divide(multiply(p2, z[1]), z2));
  writePower(f, 2, s, divide(multiply(in.p, zt), z[2]));
}

void hp_4HA(Fields& f) {
  constexpr std::string_view s = "_4HA";
  const Inputs in = readInputs(f, s, 4, Reading::Real);
  const auto& z = in.z;
  const double z1 = store(parallel({z[0], z[1]}));
  const double z2 = store(parallel({z[2], z[3]}));
  const double zt = store(add(z1, z2));
  const double p1 = store(divide(multiply(in.p, z1), zt));
  const double p2 = store(divide(multiply(in.p, z2), zt));
  writeTwoDecimals(f, "edHPtotale_4HA", zt);
  writePower(f, 0, s, divide(multiply(p1, z1), z[0]));
  writePower(f, 1, s, divide(multiply(p1, z1), z[1]));
  writePower(f, 2, s, divide(multiply(p2, z2), z[2]));
  writePower(f, 3, s, divide(multiply(p2, z2), z[3]));
}

void hp_4HB(Fields& f) {
  constexpr std::string_view s = "_4HB";
  const Inputs in = readInputs(f, s, 4, Reading::Real);
  const auto& z = in.z;
  const double z1 = store(add(z[0], z[2]));
  const double z2 = store(add(z[1], z[3]));
  const double zt = store(parallel({z1, z2}));
  const double p1 = store(divide(multiply(in.p, zt), z1));
  const double p2 = store(divide(multiply(in.p, zt), z2));
  writeTwoDecimals(f, "edHPtotale_4HB", zt);
  writePower(f, 0, s, divide(multiply(p1, z[0]), z1));
  writePower(f, 1, s, divide(multiply(p2, z[1]), z2));
  writePower(f, 2, s, divide(multiply(p1, z[2]), z1));
  writePower(f, 3, s, divide(multiply(p2, z[3]), z2));
}

}  // namespace valvora
