#include "core/atelier/tonestack.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>

#include "core/failure.h"
#include "core/fielddef.h"
#include "core/numtext.h"

namespace valvora::atelier {

namespace {

// A pot section never goes below this, so that a knob at an end keeps the circuit solvable.
constexpr double kMinSection = 1e-3;
constexpr double kLowHz = 10, kHighHz = 20000;
constexpr double kNotchLowHz = 100, kNotchHighHz = 5000;
constexpr int kGround = -1;

// A circuit reduced to branches between numbered nodes, each a conductance or a capacitance.
struct Branch {
  int a, b;
  double g, c;
};
struct Network {
  int nodes = 0, in = 0, out = 0;
  std::vector<Branch> branches;
  double rs = 0;
};

std::size_t fieldIndex(const ToneCircuit& circuit, std::string_view part) {
  for (std::size_t i = 0; i < circuit.fields.size(); ++i)
    if (circuit.fields[i].name.substr(4) == part) return i;
  throw CalcError("Circuit incomplet : pas de valeur pour " + std::string(part));
}

std::size_t knobIndex(const ToneCircuit& circuit, std::string_view part) {
  for (std::size_t i = 0; i < circuit.knobs.size(); ++i)
    if (circuit.knobs[i].part == part) return i;
  throw CalcError("Circuit incomplet : pas de bouton pour " + std::string(part));
}

double section(double fraction, double r) {
  return std::max(fraction * r, kMinSection);
}

Network compile(const ToneCircuit& circuit, const SolvedValues& v) {
  Network n;
  std::vector<std::string_view> names{"in", "out"};
  auto node = [&](std::string_view name) {
    if (name == "0") return kGround;
    auto it = std::find(names.begin(), names.end(), name);
    if (it != names.end()) return int(it - names.begin());
    names.push_back(name);
    return int(names.size() - 1);
  };
  for (const NetElement& e : circuit.netlist) {
    const double value = v.values[fieldIndex(circuit, e.part)];
    const int a = node(e.a), b = node(e.b);
    switch (e.kind) {
      case PartKind::kR:
        n.branches.push_back({a, b, 1 / value, 0});
        break;
      case PartKind::kC:
        n.branches.push_back({a, b, 0, value});
        break;
      case PartKind::kPot: {
        const double x = v.fractions[knobIndex(circuit, e.part)];
        const int w = node(e.w);
        n.branches.push_back({a, w, 1 / section(1 - x, value), 0});
        n.branches.push_back({w, b, 1 / section(x, value), 0});
        break;
      }
      case PartKind::kVR:
        n.branches.push_back(
            {a, b, 1 / section(v.fractions[knobIndex(circuit, e.part)], value), 0});
        break;
    }
  }
  const std::size_t count = v.values.size();
  n.rs = v.values[count - 2];
  const double rl = v.values[count - 1];
  n.branches.push_back({1, kGround, std::isfinite(rl) ? 1 / rl : 0, v.cl});
  n.nodes = int(names.size());
  n.in = 0;
  n.out = 1;
  return n;
}

std::complex<double> gain(const Network& n, double hertz) {
  const std::complex<double> s(0, 2 * std::numbers::pi * hertz);
  Eigen::MatrixXcd y = Eigen::MatrixXcd::Zero(n.nodes, n.nodes);
  Eigen::VectorXcd i = Eigen::VectorXcd::Zero(n.nodes);
  for (const Branch& br : n.branches) {
    const std::complex<double> admittance = br.g + s * br.c;
    if (br.a != kGround) y(br.a, br.a) += admittance;
    if (br.b != kGround) y(br.b, br.b) += admittance;
    if (br.a != kGround && br.b != kGround) {
      y(br.a, br.b) -= admittance;
      y(br.b, br.a) -= admittance;
    }
  }
  if (n.rs > 0) {
    // The 1 V generator behind Rs, as its Norton current into IN.
    y(n.in, n.in) += 1 / n.rs;
    i(n.in) = 1 / n.rs;
  } else {
    y.row(n.in).setZero();
    y(n.in, n.in) = 1;
    i(n.in) = 1;
  }
  return y.partialPivLu().solve(i)(n.out);
}

double dbOf(std::complex<double> h) {
  return 20 * std::log10(std::abs(h));
}

// A value so far out that the solve overflowed or lost the signal altogether.
void checkFinite(double db) {
  if (!std::isfinite(db))
    throw CalcError("Les valeurs des composants ne permettent pas de calculer la réponse");
}

// A resistor-capacitor network can peak a little above 0 dB (about +1 dB with the values
// the fields take); well above, the solve has lost its precision.
void checkPassive(double db) {
  if (db > 3) throw CalcError("Circuit insoluble : valeurs trop éloignées.");
}

double curveHz(int i, int points) {
  if (i == points - 1) return kHighHz;
  return kLowHz * std::pow(kHighHz / kLowHz, double(i) / double(points - 1));
}

SolvedValues solvedValues(const ToneStackParts& p, const PotFractions& pots) {
  return {{p.r1, p.r2, p.r3, p.r4, p.c1, p.c2, p.c3, p.rs, p.rl},
          {pots.treble, pots.mid, pots.bass},
          0};
}

Series curveOf(const Network& n, int points) {
  Series s{"Réponse", {}, {}};
  s.x.reserve(std::size_t(points));
  s.y.reserve(std::size_t(points));
  for (int i = 0; i < points; ++i) {
    const double f = curveHz(i, points);
    const double db = dbOf(gain(n, f));
    checkFinite(db);
    s.x.push_back(f);
    s.y.push_back(db);
  }
  return s;
}

// The lowest point between 100 Hz and 5 kHz; nothing when it is an end of that range.
std::optional<Notch> notchOf(const Network& n) {
  // A 2 % grid finds the valley, a golden-section search on log f narrows it to 1e-6.
  constexpr int kGrid = 200;
  const double lnLow = std::log(kNotchLowHz), lnHigh = std::log(kNotchHighHz);
  auto db = [&](double lnF) { return dbOf(gain(n, std::exp(lnF))); };
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
  if (best == 0 || best == kGrid - 1) return std::nullopt;
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
  return Notch{std::exp(lnF), db(lnF)};
}

}  // namespace

std::complex<double> circuitGain(const ToneCircuit& circuit, const SolvedValues& v, double hertz) {
  return gain(compile(circuit, v), hertz);
}

std::complex<double> toneStackGain(const ToneStackParts& p, const PotFractions& pots,
                                   double hertz) {
  return circuitGain(kToneCircuits[0], solvedValues(p, pots), hertz);
}

Series toneStackCurve(const ToneStackParts& parts, const PotFractions& pots, int points) {
  return curveOf(compile(kToneCircuits[0], solvedValues(parts, pots)), points);
}

Notch toneStackNotch(const ToneStackParts& parts, const PotFractions& pots) {
  return notchOf(compile(kToneCircuits[0], solvedValues(parts, pots))).value_or(Notch{});
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

namespace {

// The plausible ranges, in each field's unit: every part of a tone circuit, pots included,
// lies well inside them.
constexpr double kMinKOhm = 0.1, kMaxKOhm = 10000;
constexpr double kMinPF = 1, kMaxPF = 100000;
constexpr double kMinNF = 0.01, kMaxNF = 10000;

// A part's field: its name less "edTs" is its caption and its name in the netlist. The
// presets give their texts.
ToneStackField kOhm(std::string_view name, std::string_view label) {
  return {{name, label, "kΩ", "", true, kMinKOhm, kMaxKOhm}, 1e3};
}
ToneStackField pF(std::string_view name, std::string_view label) {
  return {{name, label, "pF", "", true, kMinPF, kMaxPF}, 1e-12};
}
ToneStackField nF(std::string_view name, std::string_view label) {
  return {{name, label, "nF", "", true, kMinNF, kMaxNF}, 1e-9};
}
ToneStackField kOhm(std::string_view name) {
  return kOhm(name, name.substr(4));
}
ToneStackField pF(std::string_view name) {
  return pF(name, name.substr(4));
}
ToneStackField nF(std::string_view name) {
  return nF(name, name.substr(4));
}
// An ideal source (0) is allowed; a load of 100 MΩ is as good as none.
const ToneStackField kRs{{"edTsRs", "Rs (source)", "kΩ", "", true, 0, 1000}, 1e3};
const ToneStackField kRl{{"edTsRL", "RL (charge)", "kΩ", "", true, 1, 100000}, 1e3};

}  // namespace

const std::array<ToneStackField, 9> kToneStackFields = {{
    kOhm("edTsR1", "R1 (aigus)"),
    kOhm("edTsR2", "R2 (graves)"),
    kOhm("edTsR3", "R3 (médiums)"),
    kOhm("edTsR4", "R4 (pente)"),
    pF("edTsC1"),
    nF("edTsC2"),
    nF("edTsC3"),
    kRs,
    kRl,
}};

const ToneStackField kLoadCap{{kLoadCapField, "CL", "pF", "0", true, 0, kMaxPF}, 1e-12};

double readToneStackField(const ToneStackField& field, std::string_view text) {
  // Within its range, the value in ohms or farads is a normal double.
  return static_cast<double>(readDefinedField(field, text)) * field.factor;
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

const std::array<KnobControl, 6> kKnobControls = {{
    {"dlTsTreble", "Aigus", "lbTsTreble", "cbTsTaperT"},
    {"dlTsMid", "Médiums", "lbTsMid", "cbTsTaperM"},
    {"dlTsBass", "Graves", "lbTsBass", "cbTsTaperB"},
    {"dlTsTone", "Tonalité", "lbTsTone", "cbTsTaperTone"},
    {"dlTsVolume", "Volume", "lbTsVolume", "cbTsTaperVol"},
    {"dlTsVolume2", "Volume brillant", "lbTsVolume2", "cbTsTaperVol2"},
}};

namespace {

constexpr PartKind R = PartKind::kR, C = PartKind::kC, POT = PartKind::kPot, VR = PartKind::kVR;
constexpr Taper kLin = Taper::kLinear, kLog30 = Taper::kLogA, kLog10 = Taper::kLogB;
constexpr KnobId kT = KnobId::kTreble, kM = KnobId::kMid, kB = KnobId::kBass, kTone = KnobId::kTone,
                 kVol = KnobId::kVolume, kVol2 = KnobId::kVolume2;

std::vector<ToneCircuit> circuits() {
  std::vector<ToneCircuit> c;
  {
    ToneCircuit tmb{
        "Bassman / Marshall (TMB)",
        "tonalite-bassman",
        {kToneStackFields.begin(), kToneStackFields.end()},
        {{kT, "Aigus", "R1", kLog30}, {kM, "Médiums", "R3", kLin}, {kB, "Graves", "R2", kLog30}},
        {{R, "R4", "in", "n1", ""},
         {C, "C1", "in", "t", ""},
         {C, "C2", "n1", "b", ""},
         {C, "C3", "n1", "mw", ""},
         {POT, "R1", "t", "b", "out"},
         {VR, "R2", "b", "m", ""},
         {POT, "R3", "m", "0", "mw"}},
        {}};
    for (const ToneStackPreset& p : kToneStackPresets)
      tmb.presets.push_back({p.name, {p.texts.begin(), p.texts.end()}, {kLog30, kLin, kLog30}});
    c.push_back(std::move(tmb));
  }
  c.push_back(
      {"Fender blackface (TMB)",
       "tonalite-blackface-tmb",
       {pF("edTsC1"), nF("edTsC2"), nF("edTsC3"), kOhm("edTsR1"), kOhm("edTsR2"), kOhm("edTsR3"),
        kOhm("edTsR4"), kRs, kRl},
       {{kT, "Aigus", "R1", kLog30}, {kM, "Médiums", "R3", kLin}, {kB, "Graves", "R2", kLog10}},
       {{R, "R4", "in", "n1", ""},
        {C, "C1", "in", "t", ""},
        {C, "C2", "n1", "b", ""},
        {C, "C3", "n1", "m", ""},
        {POT, "R1", "t", "b", "out"},
        {VR, "R2", "b", "m", ""},
        {VR, "R3", "m", "0", ""}},
       {{"AB763",
         {"250", "100", "47", "250", "250", "10", "100", "38", "1000"},
         {kLog30, kLin, kLog10}}}});
  c.push_back({"Fender blackface (TB)",
               "tonalite-blackface-tb",
               {pF("edTsC1"), nF("edTsC2"), nF("edTsC3"), kOhm("edTsR1"), kOhm("edTsR2"),
                kOhm("edTsR3"), kOhm("edTsR4"), kRs, kRl},
               {{kT, "Aigus", "R1", kLog30}, {kB, "Graves", "R2", kLog30}},
               {{R, "R4", "in", "n1", ""},
                {C, "C1", "in", "t", ""},
                {C, "C2", "n1", "b", ""},
                {C, "C3", "n1", "m", ""},
                {POT, "R1", "t", "b", "out"},
                {VR, "R2", "b", "m", ""},
                {R, "R3", "m", "0", ""}},
               {{"AB763",
                 {"250", "100", "47", "250", "250", "6,8", "100", "38", "1000"},
                 {kLog30, kLog30}}}});
  c.push_back({"Vox AC30 Top Boost",
               "tonalite-topboost",
               {pF("edTsC1"), nF("edTsC2"), nF("edTsC3"), kOhm("edTsR1"), kOhm("edTsR2"),
                kOhm("edTsRB"), kOhm("edTsRT"), kRs, kRl},
               {{kT, "Aigus", "RT", kLog30}, {kB, "Graves", "RB", kLog30}},
               {{R, "R1", "in", "n1", ""},
                {C, "C1", "in", "t", ""},
                {C, "C2", "n1", "b", ""},
                {C, "C3", "n1", "bw", ""},
                {R, "R2", "bw", "0", ""},
                {POT, "RT", "t", "b", "out"},
                {POT, "RB", "0", "b", "bw"}},
               {{"Top Boost",
                 {"47", "22", "22", "100", "10", "1000", "1000", "0,717", "600"},
                 {kLog30, kLog30}}}});
  c.push_back({"Fender 5E3 Deluxe",
               "tonalite-5e3",
               {nF("edTsC1"), nF("edTsC2"), pF("edTsC3"), nF("edTsC4"), kOhm("edTsRINB"),
                kOhm("edTsRT"), kOhm("edTsRVB"), kOhm("edTsRVN"), kRs, kRl},
               {{kVol, "Volume normal", "RVN", kLog30},
                {kVol2, "Volume brillant", "RVB", kLog30},
                {kTone, "Tonalité", "RT", kLog30}},
               {{C, "C2", "in", "vnw", ""},
                {POT, "RVN", "out", "0", "vnw"},
                {R, "RINB", "bin", "0", ""},
                {C, "C1", "bin", "vbw", ""},
                {POT, "RVB", "out", "0", "vbw"},
                {C, "C3", "vbw", "tt", ""},
                {POT, "RT", "tt", "tb", "out"},
                {C, "C4", "tb", "0", ""}},
               {{"5E3",
                 {"100", "100", "500", "5", "20", "1000", "1000", "1000", "20", "1000"},
                 {kLog30, kLog30, kLog30}}}});
  c.push_back({"Fender Princeton 5F2-A",
               "tonalite-5f2a",
               {nF("edTsC1"), nF("edTsC2"), pF("edTsC3"), kOhm("edTsRT"), kOhm("edTsRV"), kRs, kRl},
               {{kVol, "Volume", "RV", kLog30}, {kTone, "Tonalité", "RT", kLog30}},
               {{C, "C1", "in", "c1", ""},
                {POT, "RV", "c1", "0", "out"},
                {POT, "RT", "tbr", "tcut", "c1"},
                {C, "C3", "tbr", "out", ""},
                {C, "C2", "tcut", "0", ""}},
               {{"5F2-A", {"22", "4,7", "500", "1000", "1000", "38", "1000"}, {kLog30, kLog30}}}});
  c.push_back({"James passif",
               "tonalite-james",
               {nF("edTsCB"), nF("edTsCT1"), nF("edTsCT2"), kOhm("edTsR1"), kOhm("edTsR2"),
                kOhm("edTsR3"), kOhm("edTsRB"), kOhm("edTsRT"), kRs, kRl},
               {{kT, "Aigus", "RT", kLin}, {kB, "Graves", "RB", kLin}},
               {{R, "R1", "in", "bt", ""},
                {POT, "RB", "bt", "bb", "bw"},
                {C, "CB", "bt", "bb", ""},
                {R, "R2", "bb", "0", ""},
                {R, "R3", "bw", "out", ""},
                {C, "CT1", "in", "tt", ""},
                {POT, "RT", "tt", "tb", "out"},
                {C, "CT2", "tb", "0", ""}},
               {{"Valeurs usuelles",
                 {"220", "10", "10", "2,2", "2,2", "2,2", "10", "10", "0,6", "100"},
                 {kLin, kLin}}}});
  c.push_back({"Baxandall passif",
               "tonalite-baxandall",
               {nF("edTsCB"), nF("edTsCT"), kOhm("edTsR1"), kOhm("edTsR2"), kOhm("edTsR3"),
                kOhm("edTsR4"), kOhm("edTsR5"), kOhm("edTsRB"), kOhm("edTsRT"), kRs, kRl},
               {{kT, "Aigus", "RT", kLin}, {kB, "Graves", "RB", kLin}},
               {{R, "R1", "in", "bt", ""},
                {POT, "RB", "bt", "bb", "bw"},
                {C, "CB", "bt", "bb", ""},
                {R, "R2", "bb", "0", ""},
                {R, "R3", "bw", "out", ""},
                {R, "R4", "in", "tt", ""},
                {POT, "RT", "tt", "tb", "tw"},
                {R, "R5", "tb", "0", ""},
                {C, "CT", "tw", "out", ""}},
               {{"Valeurs usuelles",
                 {"220", "10", "2,2", "2,2", "2,2", "1", "1", "10", "10", "0,6", "100"},
                 {kLin, kLin}}}});
  c.push_back({"Big Muff",
               "tonalite-bigmuff",
               {nF("edTsC1"), nF("edTsC2"), nF("edTsC3"), kOhm("edTsR1"), kOhm("edTsR2"),
                kOhm("edTsRT"), kRs, kRl},
               {{kTone, "Tonalité", "RT", kLin}},
               {{R, "R1", "in", "lp", ""},
                {C, "C1", "lp", "0", ""},
                {C, "C2", "in", "hp", ""},
                {R, "R2", "hp", "0", ""},
                {POT, "RT", "hp", "lp", "tw"},
                {C, "C3", "tw", "out", ""}},
               {{"Big Muff Pi", {"10", "4", "1000", "39", "22", "100", "15", "100"}, {kLin}}}});
  c.push_back(
      {"Hiwatt DR103",
       "tonalite-dr103",
       {nF("edTsC1"), nF("edTsC2"), nF("edTsC3"), pF("edTsC4"), nF("edTsC5"), kOhm("edTsR1"),
        kOhm("edTsR2"), kOhm("edTsR3"), kOhm("edTsR4"), kOhm("edTsRB"), kOhm("edTsRM"),
        kOhm("edTsRT"), kRs, kRl},
       {{kT, "Aigus", "RT", kLin}, {kM, "Médiums", "RM", kLin}, {kB, "Graves", "RB", kLog10}},
       {{R, "R1", "in", "b", ""},
        {C, "C1", "b", "0", ""},
        {C, "C2", "in", "p", ""},
        {C, "C4", "p", "t", ""},
        {R, "R2", "p", "q", ""},
        {POT, "RT", "t", "q", "tw"},
        {R, "R4", "tw", "out", ""},
        {R, "R3", "q", "m", ""},
        {C, "C5", "m", "n", ""},
        {C, "C3", "b", "n", ""},
        {VR, "RM", "m", "n", ""},
        {VR, "RB", "n", "0", ""}},
       {{"DR103",
         {"47", "1", "47", "220", "1", "100", "220", "22", "22", "470", "100", "220", "48,4",
          "220"},
         {kLin, kLin, kLog10}}}});
  return c;
}

}  // namespace

const std::vector<ToneCircuit> kToneCircuits = circuits();

Series toneStack(Fields& f, const KnobPositions& knobs) {
  const int positions[] = {knobs.treble, knobs.mid, knobs.bass};
  return toneCircuit(f, kToneCircuits[0], positions);
}

namespace {

std::string hertzText(double hz) {
  return hz >= 1000 ? formatSignificant(hz / 1000, 2) + " kHz" : formatSignificant(hz, 2) + " Hz";
}

// The curve, figures and notch of a circuit with its values read; a custom circuit tells
// at which frequency its matrix could not be solved.
Series evaluate(Fields& f, const ToneCircuit& circuit, const SolvedValues& v, bool custom,
                bool isolated = false) {
  const Network n = compile(circuit, v);
  if (custom) {
    if (isolated)
      throw CalcError("Circuit insoluble à " + hertzText(kLowHz) +
                      " (nœud isolé ou boucle de condensateurs).");
    for (int i = 0; i < kCurvePoints; i += 37) {
      const double hz = curveHz(i, kCurvePoints);
      if (!std::isfinite(dbOf(gain(n, hz))))
        throw CalcError("Circuit insoluble à " + hertzText(hz) +
                        " (nœud isolé ou boucle de condensateurs).");
    }
  }
  Series curve = curveOf(n, kCurvePoints);
  const std::optional<Notch> notch = notchOf(n);
  // Every text made before the first is written: the figures change all together or not at all.
  std::array<std::string, kToneStackFigures.size()> figures;
  for (std::size_t i = 0; i < figures.size(); ++i) {
    const double db = dbOf(gain(n, kToneStackFigures[i].hertz));
    checkFinite(db);
    checkPassive(db);
    figures[i] = formatPattern("0.0", db) + " dB";
  }
  for (double db : curve.y) checkPassive(db);
  std::string notchHz, notchDb;
  if (notch) {
    checkFinite(notch->db);
    notchHz = formatPattern("0", notch->hertz);
    notchDb = formatPattern("0.0", notch->db);
  }
  for (std::size_t i = 0; i < figures.size(); ++i)
    f.write(kToneStackFigures[i].name, std::move(figures[i]));
  f.write("edTsNotchF", notchHz);
  f.write("edTsNotchDb", notchDb);
  return curve;
}

double readLoadCap(const Fields& f) {
  const std::optional<Real> cl = readOptionalDefinedField(f, kLoadCap);
  return cl ? static_cast<double>(*cl) * kLoadCap.factor : 0;
}

}  // namespace

Series toneCircuit(Fields& f, const ToneCircuit& circuit, std::span<const int> knobs) {
  SolvedValues v;
  for (const ToneStackField& field : circuit.fields)
    v.values.push_back(readToneStackField(field, f.text(field.name)));
  v.cl = readLoadCap(f);
  for (std::size_t i = 0; i < circuit.knobs.size(); ++i) {
    const KnobControl& control = kKnobControls[std::size_t(circuit.knobs[i].id)];
    v.fractions.push_back(taperFraction(taperFromText(f.text(control.taper)), knobs[i] / 10.0));
  }
  return evaluate(f, circuit, v, false);
}

Series customToneCircuit(Fields& f, const CustomCircuit& c, std::span<const int> knobs) {
  SolvedValues v;
  v.values = c.values;
  v.values.push_back(readToneStackField(kRs, f.text(kRs.name)));
  v.values.push_back(readToneStackField(kRl, f.text(kRl.name)));
  v.cl = readLoadCap(f);
  for (std::size_t i = 0; i < c.tapers.size(); ++i)
    v.fractions.push_back(taperFraction(c.tapers[i], knobs[i] / 10.0));
  return evaluate(f, c.circuit, v, true, c.isolated);
}

namespace {

std::string lineText(std::size_t line) {
  return "Ligne " + formatInteger(std::int64_t(line)) + " : ";
}

// "4k7", "4,7k", "4.7k", "220n", "10µ", "100": the value in ohms or farads.
std::optional<double> readSiValue(std::string_view token) {
  static const struct {
    std::string_view suffix;
    double factor;
  } kSuffixes[] = {{"p", 1e-12}, {"n", 1e-9}, {"u", 1e-6}, {"\xC2\xB5", 1e-6},
                   {"m", 1e-3},  {"k", 1e3},  {"M", 1e6}};
  std::string number(token);
  double factor = 1;
  for (const auto& s : kSuffixes) {
    const std::size_t at = token.find(s.suffix);
    if (at == std::string_view::npos || at == 0) continue;
    const std::string_view before = token.substr(0, at), after = token.substr(at + s.suffix.size());
    if (!std::all_of(after.begin(), after.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
      return std::nullopt;
    if (!after.empty() && before.find_first_of(".,") != std::string_view::npos) return std::nullopt;
    number = std::string(before) + (after.empty() ? "" : "," + std::string(after));
    factor = s.factor;
    break;
  }
  if (number.find_first_of("eE") != std::string::npos) return std::nullopt;
  std::replace(number.begin(), number.end(), '.', ',');
  const std::optional<Real> r = tryReadReal(number);
  if (!r) return std::nullopt;
  const double value = store(*r) * factor;
  if (!(value > 0) || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::vector<std::string_view> tokens(std::string_view line) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

}  // namespace

std::shared_ptr<const CustomCircuit> parseNetlist(std::string_view text) {
  constexpr std::size_t kMaxChars = 10000, kMaxLines = 200, kMaxNodes = 60;
  if (text.size() > kMaxChars) throw CalcError("Le texte dépasse 10 000 caractères.");
  auto c = std::make_shared<CustomCircuit>();
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (lines.size() > kMaxLines) throw CalcError("Le texte dépasse 200 lignes.");
  auto own = [&](std::string_view s) -> std::string_view { return c->names.emplace_back(s); };
  std::vector<std::string_view> nodes;
  std::vector<int> touches;  // per node, how many parts
  std::vector<std::vector<std::string_view>> partNodes;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::vector<std::string_view> t = tokens(lines[n]);
    if (t.empty() || t[0].front() == '*') continue;
    const std::string where = lineText(n + 1);
    PartKind kind;
    std::size_t nodeCount = 2;
    if (t[0] == "R" || t[0] == "r") {
      kind = PartKind::kR;
    } else if (t[0] == "C" || t[0] == "c") {
      kind = PartKind::kC;
    } else if (t[0] == "POT" || t[0] == "pot") {
      kind = PartKind::kPot;
      nodeCount = 3;
    } else if (t[0] == "VR" || t[0] == "vr") {
      kind = PartKind::kVR;
    } else {
      throw CalcError(where + "type inconnu « " + quotedText(t[0]) + " » (R, C, POT ou VR).");
    }
    if (t.size() < 2) throw CalcError(where + "nom manquant.");
    const bool knob = kind == PartKind::kPot || kind == PartKind::kVR;
    // A value reads as one, so that "R R1 in 4k7" says which is missing.
    std::size_t given = 0;
    while (2 + given < t.size() && given < nodeCount && !readSiValue(t[2 + given])) ++given;
    if (given < nodeCount) throw CalcError(where + "nœud manquant.");
    if (t.size() < 3 + nodeCount) throw CalcError(where + "valeur manquante.");
    if (t.size() > 3 + nodeCount + (knob ? 1 : 0))
      throw CalcError(where + "texte en trop « " + quotedText(t[3 + nodeCount + (knob ? 1 : 0)]) +
                      " ».");
    for (const ToneStackField& field : c->circuit.fields)
      if (field.label == t[1])
        throw CalcError(where + "le nom " + quotedText(t[1]) + " est déjà pris.");
    const std::optional<double> value = readSiValue(t[2 + nodeCount]);
    if (!value)
      throw CalcError(where + "valeur illisible « " + quotedText(t[2 + nodeCount]) + " ».");
    Taper taper = Taper::kLinear;
    if (knob && t.size() == 4 + nodeCount) {
      const std::string_view law = t[3 + nodeCount];
      if (law == "lin")
        taper = Taper::kLinear;
      else if (law == "log30")
        taper = Taper::kLogA;
      else if (law == "log10")
        taper = Taper::kLogB;
      else
        throw CalcError(where + "courbe inconnue « " + quotedText(law) +
                        " » (lin, log30 ou log10).");
    }
    const std::string_view name = own(t[1]);
    // Its value comes from its line, in ohms or farads: no field, no range.
    c->circuit.fields.push_back({{own("edTs" + std::string(t[1])), name, "", "", true, 0, 0}, 1});
    c->values.push_back(*value);
    NetElement e{kind, name, own(t[2]), own(t[3]), nodeCount == 3 ? own(t[4]) : ""};
    c->circuit.netlist.push_back(e);
    if (knob) {
      if (c->tapers.size() == kMaxCustomKnobs) throw CalcError(where + "plus de 6 potentiomètres.");
      c->circuit.knobs.push_back({KnobId(0), name, name, taper});
      c->tapers.push_back(taper);
    }
    std::vector<std::string_view> at(t.begin() + 2, t.begin() + 2 + std::ptrdiff_t(nodeCount));
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    for (std::string_view node : at) {
      auto it = std::find(nodes.begin(), nodes.end(), node);
      if (it == nodes.end()) {
        nodes.push_back(node);
        touches.push_back(0);
        it = nodes.end() - 1;
        if (nodes.size() > kMaxNodes) throw CalcError(where + "plus de 60 nœuds.");
      }
      ++touches[std::size_t(it - nodes.begin())];
    }
    partNodes.push_back(at);
  }
  for (std::string_view needed : {"in", "out", "0"})
    if (std::find(nodes.begin(), nodes.end(), needed) == nodes.end())
      throw CalcError("Le nœud « " + std::string(needed) + " » manque.");
  for (std::size_t i = 0; i < nodes.size(); ++i)
    if (touches[i] == 1 && nodes[i] != "in" && nodes[i] != "out" && nodes[i] != "0")
      throw CalcError("Le nœud « " + quotedText(nodes[i]) + " » ne touche qu'un seul composant.");
  // The nodes reached from `from` through the parts, through ground or not.
  auto reach = [&](std::vector<std::string_view> reached, bool throughGround) {
    for (bool grew = true; grew;) {
      grew = false;
      for (const auto& part : partNodes) {
        const bool touches = std::any_of(part.begin(), part.end(), [&](std::string_view n) {
          return (throughGround || n != "0") &&
                 std::find(reached.begin(), reached.end(), n) != reached.end();
        });
        if (!touches) continue;
        for (std::string_view n : part)
          if (std::find(reached.begin(), reached.end(), n) == reached.end()) {
            reached.push_back(n);
            grew = true;
          }
      }
    }
    return reached;
  };
  // in reaches out through the parts, ground aside (the load hangs from out to ground).
  const std::vector<std::string_view> fromIn = reach({"in"}, false);
  if (std::find(fromIn.begin(), fromIn.end(), "out") == fromIn.end())
    throw CalcError("Pas de chemin de in vers out.");
  c->isolated = reach({"in", "0"}, true).size() < nodes.size();
  c->circuit.caption = "Circuit personnalisé";
  c->circuit.fields.push_back(kRs);
  c->circuit.fields.push_back(kRl);
  return c;
}

std::string netlistOf(const ToneCircuit& circuit, const CircuitPreset& preset) {
  std::string out;
  for (const NetElement& e : circuit.netlist) {
    std::size_t field = 0;
    while (circuit.fields[field].name.substr(4) != e.part) ++field;
    const std::string_view unit = circuit.fields[field].unit;
    const std::string value = std::string(preset.texts[field]) + (unit == "kΩ"   ? "k"
                                                                  : unit == "nF" ? "n"
                                                                                 : "p");
    static constexpr std::string_view kKinds[] = {"R", "C", "POT", "VR"};
    out += std::string(kKinds[int(e.kind)]) + " " + std::string(e.part) + " " + std::string(e.a) +
           " " + std::string(e.b);
    if (e.kind == PartKind::kPot) out += " " + std::string(e.w);
    out += " " + value;
    if (e.kind == PartKind::kPot || e.kind == PartKind::kVR) {
      std::size_t k = 0;
      while (circuit.knobs[k].part != e.part) ++k;
      static constexpr std::string_view kLaws[] = {"lin", "log30", "log10"};
      out += " " + std::string(kLaws[int(preset.tapers[k])]);
    }
    out += "\n";
  }
  return out;
}

}  // namespace valvora::atelier
