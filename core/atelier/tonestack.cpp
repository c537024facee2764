#include "core/atelier/tonestack.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/failure.h"
#include "core/numtext.h"

namespace valvora::atelier {

namespace {

// A pot section never goes below this, so that a knob at an end keeps the circuit solvable.
constexpr double kMinSection = 1e-3;
constexpr double kLowHz = 10, kHighHz = 20000;
constexpr double kNotchLowHz = 100, kNotchHighHz = 5000;

enum Node { kIn, kT, kX, kB, kL, kM, kW, kNodes };
constexpr int kGround = -1;

using Matrix = Eigen::Matrix<std::complex<double>, kNodes, kNodes>;
using Vector = Eigen::Matrix<std::complex<double>, kNodes, 1>;

void stamp(Matrix& y, int a, int b, std::complex<double> admittance) {
  if (a != kGround) y(a, a) += admittance;
  if (b != kGround) y(b, b) += admittance;
  if (a != kGround && b != kGround) {
    y(a, b) -= admittance;
    y(b, a) -= admittance;
  }
}

double section(double fraction, double r) {
  return std::max(fraction * r, kMinSection);
}

double dbOf(std::complex<double> h) {
  return 20 * std::log10(std::abs(h));
}

// A value so far out that the solve overflowed or lost the signal altogether.
void checkFinite(double db) {
  if (!std::isfinite(db))
    throw CalcError("Les valeurs des composants ne permettent pas de calculer la réponse");
}

double curveHz(int i, int points) {
  if (i == points - 1) return kHighHz;
  return kLowHz * std::pow(kHighHz / kLowHz, double(i) / double(points - 1));
}

}  // namespace

std::complex<double> toneStackGain(const ToneStackParts& p, const PotFractions& pots,
                                   double hertz) {
  const std::complex<double> s(0, 2 * std::numbers::pi * hertz);
  Matrix y = Matrix::Zero();
  Vector i = Vector::Zero();
  stamp(y, kIn, kT, s * p.c1);
  stamp(y, kIn, kX, 1 / p.r4);
  stamp(y, kX, kB, s * p.c2);
  stamp(y, kX, kM, s * p.c3);
  stamp(y, kT, kW, 1 / section(1 - pots.treble, p.r1));
  stamp(y, kW, kB, 1 / section(pots.treble, p.r1));
  stamp(y, kB, kL, 1 / section(pots.bass, p.r2));
  stamp(y, kL, kM, 1 / section(1 - pots.mid, p.r3));
  stamp(y, kM, kGround, 1 / section(pots.mid, p.r3));
  if (std::isfinite(p.rl)) stamp(y, kW, kGround, 1 / p.rl);
  if (p.rs > 0) {
    // The 1 V generator behind Rs, as its Norton current into IN.
    stamp(y, kIn, kGround, 1 / p.rs);
    i(kIn) = 1 / p.rs;
  } else {
    y.row(kIn).setZero();
    y(kIn, kIn) = 1;
    i(kIn) = 1;
  }
  return y.partialPivLu().solve(i)(kW);
}

Series toneStackCurve(const ToneStackParts& parts, const PotFractions& pots, int points) {
  Series s{"Réponse", {}, {}};
  s.x.reserve(std::size_t(points));
  s.y.reserve(std::size_t(points));
  for (int i = 0; i < points; ++i) {
    const double f = curveHz(i, points);
    const double db = dbOf(toneStackGain(parts, pots, f));
    checkFinite(db);
    s.x.push_back(f);
    s.y.push_back(db);
  }
  return s;
}

Notch toneStackNotch(const ToneStackParts& parts, const PotFractions& pots) {
  // A 2 % grid finds the valley, a golden-section search on log f narrows it to 1e-6.
  constexpr int kGrid = 200;
  const double lnLow = std::log(kNotchLowHz), lnHigh = std::log(kNotchHighHz);
  auto db = [&](double lnF) { return dbOf(toneStackGain(parts, pots, std::exp(lnF))); };
  int best = 0;
  double bestDb = std::numeric_limits<double>::infinity();
  for (int i = 0; i < kGrid; ++i) {
    const double v = db(lnLow + (lnHigh - lnLow) * i / (kGrid - 1));
    checkFinite(v);
    if (v < bestDb) {
      bestDb = v;
      best = i;
    }
  }
  const double step = (lnHigh - lnLow) / (kGrid - 1);
  double a = std::max(lnLow, lnLow + (best - 1) * step);
  double b = std::min(lnHigh, lnLow + (best + 1) * step);
  const double g = (std::sqrt(5.0) - 1) / 2;
  double c = b - g * (b - a), d = a + g * (b - a);
  double fc = db(c), fd = db(d);
  while (b - a > 1e-6) {
    if (fc < fd) {
      b = d;
      d = c;
      fd = fc;
      c = b - g * (b - a);
      fc = db(c);
    } else {
      a = c;
      c = d;
      fc = fd;
      d = a + g * (b - a);
      fd = db(d);
    }
  }
  const double lnF = (a + b) / 2;
  return {std::exp(lnF), db(lnF)};
}

double taperFraction(Taper taper, double k) {
  switch (taper) {
    case Taper::kLinear:
      return k / 10;
    case Taper::kLogA:
      return k <= 5 ? 0.06 * k : (1.4 * k - 4) / 10;
    case Taper::kLogB:
      return k <= 5 ? 0.02 * k : (1.8 * k - 8) / 10;
  }
  return k / 10;
}

Taper taperFromText(std::string_view text) {
  if (text == kTaperTexts[1]) return Taper::kLogA;
  if (text == kTaperTexts[2]) return Taper::kLogB;
  return Taper::kLinear;
}

const std::array<ToneStackField, 9> kToneStackFields = {{
    {"edTsR1", "R1 (aigus)", "kΩ", 1e3, false},
    {"edTsR2", "R2 (graves)", "kΩ", 1e3, false},
    {"edTsR3", "R3 (médiums)", "kΩ", 1e3, false},
    {"edTsR4", "R4 (pente)", "kΩ", 1e3, false},
    {"edTsC1", "C1", "pF", 1e-12, false},
    {"edTsC2", "C2", "nF", 1e-9, false},
    {"edTsC3", "C3", "nF", 1e-9, false},
    {"edTsRs", "Rs (source)", "kΩ", 1e3, true},
    {"edTsRL", "RL (charge)", "kΩ", 1e3, false},
}};

double readToneStackField(const ToneStackField& field, std::string_view text) {
  const std::string label(field.label);
  double value = 0;
  try {
    value = store(multiply(readReal(text), Real(field.factor)));
  } catch (const CalcError& e) {
    // The same failure, told with the field it belongs to.
    throw CalcError(label + " : " + e.message());
  }
  if (field.zeroAllowed && value < 0)
    throw CalcError("La valeur de " + label + " ne peut pas être négative");
  if (!field.zeroAllowed && value <= 0)
    throw CalcError("La valeur de " + label + " doit être supérieure à zéro");
  return value;
}

const std::array<ToneStackPreset, 3> kToneStackPresets = {{
    {"Fender Bassman 5F6-A", {"250", "1000", "25", "56", "250", "20", "20", "1,3", "1000"}},
    {"Marshall JTM45", {"250", "1000", "25", "33", "270", "22", "22", "1,3", "1000"}},
    {"Marshall JCM800 2203", {"220", "1000", "25", "33", "470", "22", "22", "1,3", "1000"}},
}};

const std::array<FigureFrequency, 10> kToneStackFigures = {{
    {"lbTsDb20", 20},
    {"lbTsDb50", 50},
    {"lbTsDb100", 100},
    {"lbTsDb200", 200},
    {"lbTsDb500", 500},
    {"lbTsDb1k", 1000},
    {"lbTsDb2k", 2000},
    {"lbTsDb5k", 5000},
    {"lbTsDb10k", 10000},
    {"lbTsDb20k", 20000},
}};

Series toneStack(Fields& f, const KnobPositions& knobs) {
  std::array<double, 9> v{};
  for (std::size_t i = 0; i < v.size(); ++i)
    v[i] = readToneStackField(kToneStackFields[i], f.text(kToneStackFields[i].name));
  const ToneStackParts parts{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]};
  const PotFractions pots{taperFraction(taperFromText(f.text("cbTsTaperT")), knobs.treble / 10.0),
                          taperFraction(taperFromText(f.text("cbTsTaperM")), knobs.mid / 10.0),
                          taperFraction(taperFromText(f.text("cbTsTaperB")), knobs.bass / 10.0)};
  Series curve = toneStackCurve(parts, pots);
  const Notch notch = toneStackNotch(parts, pots);
  // Every text made before the first is written: the figures change all together or not at all.
  std::array<std::string, kToneStackFigures.size()> figures;
  for (std::size_t i = 0; i < figures.size(); ++i) {
    const double db = dbOf(toneStackGain(parts, pots, kToneStackFigures[i].hertz));
    checkFinite(db);
    figures[i] = formatPattern("0.0", db) + " dB";
  }
  checkFinite(notch.db);
  const std::string notchHz = formatPattern("0", notch.hertz);
  const std::string notchDb = formatPattern("0.0", notch.db);
  for (std::size_t i = 0; i < figures.size(); ++i)
    f.write(kToneStackFigures[i].name, std::move(figures[i]));
  f.write("edTsNotchF", notchHz);
  f.write("edTsNotchDb", notchDb);
  return curve;
}

}  // namespace valvora::atelier
