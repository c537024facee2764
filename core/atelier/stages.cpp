#include "core/atelier/stages.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/failure.h"
#include "core/numtext.h"

namespace valvora::atelier {

// Parameters from N. Koren, "Improved vacuum tube models for SPICE simulations" (Glass
// Audio, 1996) and his later sets for the 12AY7, 6SN7GT and 12BH7A, as the public SPICE
// libraries of amplifier builders carry them. Capacitances and Pa max are the data sheets'
// (12AX7 / ECC83, 12AT7 / ECC81, 12AU7 / ECC82, 12AY7 / 6072, 6SN7GT, 12BH7A), per section.
const std::array<Triode, 6> kTriodes = {{
    {"12AX7 / ECC83", 100, 1.4, 1060, 600, 300, 2.3, 2.4, 1.0},
    {"12AT7 / ECC81", 60, 1.35, 460, 300, 300, 2.3, 2.2, 2.5},
    {"12AU7 / ECC82", 21.5, 1.3, 1180, 84, 300, 2.3, 2.2, 2.75},
    {"12AY7 / 6072", 44.16, 1.113, 1192.4, 409.96, 300, 2.0, 2.0, 1.5},
    {"6SN7GT", 21.07, 1.341, 1446.2, 157.81, 179.4, 3.1, 4.7, 3.5},
    {"12BH7A", 24.59, 1.343, 594.4, 73.01, 300, 3.9, 3.2, 3.5},
}};

const std::array<FieldDef, 6> kStageFields = {{
    {"edEtB", "HT", "V", "250", true, 1, 600},
    {"edEtRa", "Ra", "kΩ", "100", true, 1, 10000},
    {"edEtRk", "Rk", "Ω", "1500", true, 0, 100000},
    {"edEtCk", "Ck", "µF", "22", true, 0.01, 10000},
    {"edEtCc", "Liaison", "nF", "22", true, 0.1, 10000},
    {"edEtRg", "Grille suivante", "kΩ", "1000", true, 1, 100000},
}};

const std::array<FieldDef, 3> kFollowerFields = {{
    {"edEcB", "HT", "V", "250", true, 1, 600},
    {"edEcVg", "Tension de grille", "V", "100", true, 0, 600},
    {"edEcRk", "Rk", "kΩ", "100", true, 0.1, 10000},
}};

namespace {

// Below this the printed current is 0,000 mA: the tube is cut off for the technician.
constexpr double kBlockedA = 5e-7;
constexpr double kToleranceA = 1e-13;
constexpr double kGridStepV = 0.5;

// ln(1 + e^x) without overflow, and its derivative.
double softplus(double x) {
  return x > 0 ? x + std::log1p(std::exp(-x)) : std::log1p(std::exp(x));
}
double logistic(double x) {
  return x > 0 ? 1 / (1 + std::exp(-x)) : std::exp(x) / (1 + std::exp(x));
}

// The root of current(ia) = ia on [0, hi]: the difference rises from <= 0 to > 0.
template <class Current>
double bisect(double hi, Current current) {
  double lo = 0;
  while (hi - lo > kToleranceA) {
    const double mid = (lo + hi) / 2;
    if (current(mid) > mid)
      lo = mid;
    else
      hi = mid;
  }
  return (lo + hi) / 2;
}

double parallel(double a, double b) {
  return a * b / (a + b);
}

std::string volts(double v, std::string_view pattern) {
  return formatPattern(pattern, v);
}

}  // namespace

const Triode& triodeNamed(std::string_view caption) {
  for (const Triode& t : kTriodes)
    if (t.caption == caption) return t;
  throw CalcError("Lampe inconnue : '" + quotedText(caption) + "'.");
}

double plateCurrent(const Triode& t, double vpk, double vgk) {
  if (vpk <= 0) return 0;
  const double s = std::sqrt(t.kvb + vpk * vpk);
  const double e1 = vpk / t.kp * softplus(t.kp * (1 / t.mu + vgk / s));
  return e1 > 0 ? 2 * std::pow(e1, t.ex) / t.kg1 : 0;
}

Slopes slopesAt(const Triode& t, double vpk, double vgk) {
  Slopes out;
  if (vpk <= 0) return out;
  const double s = std::sqrt(t.kvb + vpk * vpk);
  const double x = t.kp * (1 / t.mu + vgk / s);
  const double sp = softplus(x), sg = logistic(x);
  const double e1 = vpk / t.kp * sp;
  if (!(e1 > 0)) return out;
  const double dIaDe1 = 2 * t.ex * std::pow(e1, t.ex - 1) / t.kg1;
  out.gm = dIaDe1 * vpk * sg / s;
  const double dIaDvpk = dIaDe1 * (sp / t.kp - vpk * vpk * vgk * sg / (s * s * s));
  out.ra = dIaDvpk > 0 ? 1 / dIaDvpk : std::numeric_limits<double>::infinity();
  out.mu = out.gm * out.ra;
  return out;
}

double stageCurrent(const Triode& t, const StageCircuit& c) {
  return bisect(c.b / (c.ra + c.rk),
                [&](double ia) { return plateCurrent(t, c.b - ia * (c.ra + c.rk), -ia * c.rk); });
}

StageFigures stageFigures(const Triode& t, const StageCircuit& c) {
  StageFigures s;
  s.ia = stageCurrent(t, c);
  s.va = c.b - s.ia * c.ra;
  s.vk = s.ia * c.rk;
  s.vpk = s.va - s.vk;
  s.vgk = -s.vk;
  s.pa = s.ia * s.vpk;
  s.blocked = s.ia < kBlockedA;
  if (s.blocked) return s;
  s.slopes = slopesAt(t, s.vpk, s.vgk);
  const double mu = s.slopes.mu, ra = s.slopes.ra;
  const double rl = parallel(c.ra, c.rg);
  if (c.ck) {
    s.gain = mu * rl / (ra + rl);
    s.zout = parallel(c.ra, ra);
    if (c.rk > 0) s.fk = 1 / (2 * std::numbers::pi * *c.ck * parallel(c.rk, (ra + rl) / (mu + 1)));
  } else {
    s.gain = mu * rl / (ra + rl + (mu + 1) * c.rk);
    s.zout = parallel(c.ra, ra + (mu + 1) * c.rk);
  }
  s.fc = 1 / (2 * std::numbers::pi * c.cc * (s.zout + c.rg));
  s.cinPf = t.cgkPf + t.cgaPf * (1 + s.gain);
  return s;
}

double followerCurrent(const Triode& t, double b, double vg, double rk) {
  return bisect(b / rk, [&](double ia) { return plateCurrent(t, b - ia * rk, vg - ia * rk); });
}

FollowerFigures followerFigures(const Triode& t, double b, double vg, double rk) {
  FollowerFigures out;
  out.ia = followerCurrent(t, b, vg, rk);
  out.vk = out.ia * rk;
  out.pa = out.ia * (b - out.vk);
  out.blocked = out.ia < kBlockedA;
  if (out.blocked) return out;
  const Slopes s = slopesAt(t, b - out.vk, vg - out.vk);
  out.gain = s.mu * rk / (s.ra + (s.mu + 1) * rk);
  out.zout = parallel(rk, s.ra / (s.mu + 1));
  return out;
}

PlateCurves plateCurves(const Triode& t, const StageCircuit& c, const StageFigures& s) {
  PlateCurves out;
  auto vAt = [&](int i) { return c.b * i / (kCurvePoints - 1); };
  const double largest = plateCurrent(t, c.b, 0);
  for (int k = 0;; ++k) {
    const double vgk = -kGridStepV * k;
    Series curve{formatPattern("0.#", vgk) + " V", {}, {}};
    for (int i = 0; i < kCurvePoints; ++i) {
      curve.x.push_back(vAt(i));
      curve.y.push_back(plateCurrent(t, vAt(i), vgk) * 1e3);
    }
    out.grid.push_back(std::move(curve));
    // A cut-off tube never leaves the list empty, nor runs on for ever.
    if (plateCurrent(t, c.b, vgk) < 0.01 * largest || k >= 400) break;
  }
  const double dcTopMa = c.b / (c.ra + c.rk) * 1e3;
  // High enough for the load lines to swing and the limit to show where it matters, low
  // enough that a low-µ tube's zero-bias curve does not squash the stage at the foot.
  out.topMa = std::min(largest * 1e3, std::max(3 * dcTopMa, 1.2 * t.paMaxW / c.b * 1e3)) * 1.05;
  out.topMa = std::max(out.topMa, dcTopMa * 1.05);
  // A curve that leaves through the top ends there, so that its label stays in sight.
  for (Series& g : out.grid) {
    const auto above =
        std::find_if(g.y.begin(), g.y.end(), [&](double y) { return y > out.topMa; });
    if (above == g.y.end()) continue;
    const std::size_t i = std::size_t(above - g.y.begin());
    if (i == 0) continue;
    const double f = (out.topMa - g.y[i - 1]) / (g.y[i] - g.y[i - 1]);
    g.x[i] = g.x[i - 1] + f * (g.x[i] - g.x[i - 1]);
    g.y[i] = out.topMa;
    g.x.resize(i + 1);
    g.y.resize(i + 1);
  }
  out.dcLoad = Series{"Charge CC", {c.b, 0}, {0, dcTopMa}};

  const double rl = parallel(c.ra, c.rg);
  const double iaMa = s.ia * 1e3;
  const double vLeft = std::max(0.0, s.vpk - (out.topMa - iaMa) / 1e3 * rl);
  const double vRight = s.vpk + s.ia * rl;
  auto acMa = [&](double v) { return iaMa + (s.vpk - v) / rl * 1e3; };
  out.acLoad = Series{"Charge CA", {vLeft, vRight}, {acMa(vLeft), acMa(vRight)}};

  out.limit.name = "Pa max";
  const double vStart = t.paMaxW / (out.topMa / 1e3);
  if (vStart < c.b)
    for (int i = 0; i < kCurvePoints; ++i) {
      const double v = vStart + (c.b - vStart) * i / (kCurvePoints - 1);
      out.limit.x.push_back(v);
      out.limit.y.push_back(t.paMaxW / v * 1e3);
    }
  return out;
}

namespace {

const FieldDef& stageSpec(std::string_view name) {
  return fieldNamed(kStageFields, name);
}

void writeOrEmpty(Fields& f, std::string_view name, bool shown, std::string_view pattern,
                  double value) {
  f.write(name, shown ? formatPattern(pattern, value) : std::string());
}

}  // namespace

StageRun commonCathodeStage(Fields& f) {
  const Triode& t = triodeNamed(f.text("cbEtTube"));
  StageCircuit c;
  c.b = static_cast<double>(readDefinedField(f, stageSpec("edEtB")));
  c.ra = static_cast<double>(readDefinedField(f, stageSpec("edEtRa"))) * 1e3;
  c.rk = static_cast<double>(readDefinedField(f, stageSpec("edEtRk")));
  const std::optional<Real> ck = readOptionalDefinedField(f, stageSpec("edEtCk"));
  c.ck = ck ? std::optional<double>(static_cast<double>(*ck) * 1e-6) : std::nullopt;
  c.cc = static_cast<double>(readDefinedField(f, stageSpec("edEtCc"))) * 1e-9;
  c.rg = static_cast<double>(readDefinedField(f, stageSpec("edEtRg"))) * 1e3;

  StageRun run;
  const StageFigures s = stageFigures(t, c);
  run.figures = s;
  const bool live = !s.blocked;
  f.write("edEtIa", formatPattern("0.000", s.ia * 1e3));
  f.write("edEtVa", formatPattern("0.0", s.va));
  f.write("edEtVk", formatPattern("0.00", s.vk));
  writeOrEmpty(f, "edEtGm", live, "0.000", s.slopes.gm * 1e3);
  writeOrEmpty(f, "edEtRi", live, "0.0", s.slopes.ra / 1e3);
  writeOrEmpty(f, "edEtMu", live, "0.0", s.slopes.mu);
  writeOrEmpty(f, "edEtGain", live, "0.0", s.gain);
  writeOrEmpty(f, "edEtGainDb", live, "0.0", 20 * std::log10(s.gain));
  writeOrEmpty(f, "edEtZout", live, "0.0", s.zout / 1e3);
  writeOrEmpty(f, "edEtFk", live && s.fk, "0.0", s.fk.value_or(0));
  writeOrEmpty(f, "edEtFc", live, "0.0", s.fc);
  f.write("edEtPa", formatPattern("0.000", s.pa));
  writeOrEmpty(f, "edEtCin", live, "0", s.cinPf);

  std::string tube(t.caption);
  if (s.blocked) run.warnings.push_back("La lampe est bloquée : aucun courant avec ces valeurs.");
  if (s.pa > t.paMaxW)
    run.warnings.push_back("Dissipation de " + volts(s.pa, "0.00") + " W au-delà des " +
                           volts(t.paMaxW, "0.0#") + " W admis par la " + tube + ".");
  if (c.rk == 0)
    run.warnings.push_back("Rk nul : la grille est à 0 V, l'étage conduit en courant grille.");
  else if (!s.blocked && s.vgk > -0.5)
    run.warnings.push_back("Polarisation de " + volts(s.vgk, "0.00") +
                           " V : la grille conduira sur les crêtes.");
  run.curves = plateCurves(t, c, s);
  return run;
}

std::vector<std::string> cathodeFollower(Fields& f) {
  const Triode& t = triodeNamed(f.text("cbEcTube"));
  const double b = static_cast<double>(readDefinedField(f, fieldNamed(kFollowerFields, "edEcB")));
  const double vg = static_cast<double>(readDefinedField(f, fieldNamed(kFollowerFields, "edEcVg")));
  const double rk =
      static_cast<double>(readDefinedField(f, fieldNamed(kFollowerFields, "edEcRk"))) * 1e3;
  const FollowerFigures s = followerFigures(t, b, vg, rk);
  f.write("edEcIa", formatPattern("0.000", s.ia * 1e3));
  f.write("edEcVk", formatPattern("0.0", s.vk));
  writeOrEmpty(f, "edEcGain", !s.blocked, "0.000", s.gain);
  writeOrEmpty(f, "edEcZout", !s.blocked, "0", s.zout);
  f.write("edEcPa", formatPattern("0.000", s.pa));
  std::vector<std::string> warnings;
  if (s.blocked)
    warnings.push_back("Cathode follower : la lampe est bloquée, aucun courant avec ces valeurs.");
  if (s.pa > t.paMaxW)
    warnings.push_back("Cathode follower : dissipation de " + volts(s.pa, "0.00") +
                       " W au-delà des " + volts(t.paMaxW, "0.0#") + " W admis par la " +
                       std::string(t.caption) + ".");
  return warnings;
}

}  // namespace valvora::atelier
