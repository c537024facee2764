#include "core/atelier/supply.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <span>

#include "core/numtext.h"

namespace valvora::atelier {
namespace {

[[noreturn]] void fail(const std::string& message) {
  throw CalcError(message);
}

std::string nodeField(std::string_view stem, int node) {
  return std::string(stem) + formatInteger(node);
}

// A real that a field holds, the field's label leading any failure.
Real readField(const Fields& f, std::string_view control, std::string_view label) {
  const std::string text = f.text(control);
  const std::optional<Real> value = tryReadReal(text);
  if (!value) fail(std::string(label) + " : " + notARealMessage(text));
  if (std::fabs(*value) > std::numeric_limits<double>::max())
    fail(std::string(label) + " : " + std::string(msg::kFloatOverflow));
  return *value;
}

double positive(const Fields& f, std::string_view control, std::string_view label) {
  const Real v = readField(f, control, label);
  if (!(v > 0)) fail(std::string(label) + " : la valeur doit être supérieure à 0");
  return store(v);
}

double notNegative(const Fields& f, std::string_view control, std::string_view label) {
  const Real v = readField(f, control, label);
  if (v < 0) fail(std::string(label) + " : la valeur doit être positive ou nulle");
  return store(v);
}

int listIndex(const Fields& f, std::string_view control, std::string_view label,
              std::span<const std::string_view> choices) {
  const std::string text = f.text(control);
  const auto it = std::ranges::find(choices, text);
  if (it == choices.end())
    fail(std::string(label) + " : '" + text + "' n'est pas un choix de la liste");
  return static_cast<int>(it - choices.begin());
}

// Numbers in the netlist take the simulator's decimal point.
std::string spice(Real value) {
  std::string text = formatGeneral(value);
  std::ranges::replace(text, ',', '.');
  return text;
}

const std::vector<double>& vectorOf(const Vectors& v, std::string_view name) {
  const auto it = v.find(name);
  if (it == v.end() || it->second.empty())
    fail("La simulation n'a pas abouti : la courbe « " + std::string(name) + " » manque");
  return it->second;
}

// The samples over [from, end of run], the first one interpolated at from.
class Window {
 public:
  Window(const std::vector<double>& t, double from) : t_(t), from_(from) {
    first_ = static_cast<std::size_t>(std::ranges::lower_bound(t, from) - t.begin());
    if (first_ == t.size()) first_ = t.size() - 1;
  }

  template <typename Visit>  // visit(t, y) in time order
  void walk(const std::vector<double>& y, Visit visit) const {
    const std::size_t n = std::min(t_.size(), y.size());
    std::size_t i = first_;
    if (i > 0 && i < n && t_[i] > from_) {
      const double a = (from_ - t_[i - 1]) / (t_[i] - t_[i - 1]);
      visit(from_, y[i - 1] + a * (y[i] - y[i - 1]));
    }
    for (; i < n; ++i) visit(t_[i], y[i]);
  }

  // Trapezoidal integral of g(y) over the window, divided by its length.
  template <typename G>
  Real mean(const std::vector<double>& y, G g) const {
    Real sum = 0;
    Real t0 = 0;
    Real g0 = 0;
    Real start = 0;
    bool any = false;
    walk(y, [&](double t, double v) {
      const Real gv = g(static_cast<Real>(v));
      if (any) {
        sum += (t - t0) * (gv + g0) / 2;
      } else {
        start = t;
      }
      t0 = t;
      g0 = gv;
      any = true;
    });
    const Real length = t0 - start;
    return length > 0 ? sum / length : g0;
  }

  template <typename G>
  Real maximum(const std::vector<double>& y, G g) const {
    Real m = -std::numeric_limits<Real>::infinity();
    walk(y, [&](double, double v) { m = std::max(m, g(static_cast<Real>(v))); });
    return m;
  }

 private:
  const std::vector<double>& t_;
  double from_;
  std::size_t first_ = 0;
};

Real readVac(const Fields& f) {
  constexpr std::string_view kVac = "Tension secondaire (V eff.)";
  const Real vac = readField(f, "edPsVac", kVac);
  if (!(vac > 0 && vac <= 2000))
    fail(std::string(kVac) + " : la valeur doit être supérieure à 0 et au plus 2000");
  return vac;
}

}  // namespace

void writeRsFromTransformer(Fields& f, bool measured) {
  const auto field = [&](std::string_view name) {
    return readDefinedField(f, fieldNamed(kTransformerFields, name));
  };
  if (measured) {
    const Real vac = readVac(f);
    const Real ratio = divide(vac, field("edPsVp"));
    const Real rp = field("edPsRp");
    const Real rsec = field("edPsRsec");
    f.write("edPsRs", formatPattern("0.0", add(rsec, multiply(rp, multiply(ratio, ratio)))));
    return;
  }
  const Real v0 = field("edPsV0");
  const Real vn = field("edPsVn");
  const Real in = field("edPsIn");
  if (!(v0 > vn)) fail("Tension à vide : elle doit dépasser la tension en charge.");
  f.write("edPsRs", formatPattern("0.0", divide(subtract(v0, vn), divide(in, 1000))));
  f.write("edPsVac", formatGeneral(v0));
}

SupplyInputs readSupplyInputs(const Fields& f) {
  SupplyInputs in;
  in.vac = store(readVac(f));
  in.rs = positive(f, "edPsRs", "Résistance du secondaire (Ω)");
  constexpr std::string_view kHertz[] = {"50", "60"};
  in.hertz = listIndex(f, "cbPsHz", "Fréquence secteur (Hz)", kHertz) == 0 ? 50 : 60;
  std::array<std::string_view, kRectifiers.size()> captions;
  std::ranges::transform(kRectifiers, captions.begin(), &RectifierRow::caption);
  in.rectifier =
      &kRectifiers[static_cast<std::size_t>(listIndex(f, "cbPsRect", "Redresseur", captions))];

  constexpr std::string_view kLinks[] = {"Self", "Résistance"};
  for (int k = 1; k <= kSupplyNodes; ++k) {
    const std::string n = formatInteger(k);
    const std::string c = nodeField("edPsC", k);
    if (k > 2 && f.text(c).empty()) break;  // absent, with the nodes after it
    SupplyNode node;
    if (k > 1) {
      node.choke = listIndex(f, nodeField("cbPsLink", k), "Liaison " + n, kLinks) == 0;
      if (node.choke) node.henries = positive(f, nodeField("edPsL", k), "L" + n + " (H)");
      node.ohms = node.choke ? notNegative(f, nodeField("edPsR", k), "R" + n + " (Ω)")
                             : positive(f, nodeField("edPsR", k), "R" + n + " (Ω)");
    }
    node.microfarads = positive(f, c, "C" + n + " (µF)");
    node.milliamps = notNegative(f, nodeField("edPsI", k), "Charge " + n + " (mA)");
    const std::optional<Real> rated =
        readOptionalDefinedField(f, kRatedVoltsFields[static_cast<std::size_t>(k - 1)]);
    node.ratedVolts = rated ? store(*rated) : 0;
    if (const std::optional<Real> full =
            readOptionalDefinedField(f, kFullPowerFields[static_cast<std::size_t>(k - 1)])) {
      node.fullMilliamps = store(*full);
      in.fullPower = true;
    }
    in.nodes.push_back(node);
  }

  constexpr std::string_view kSeconds = "Durée max. (s)";
  const Real seconds = readField(f, "edPsT", kSeconds);
  if (!(seconds >= 0.5L && seconds <= 60))
    fail(std::string(kSeconds) + " : la valeur doit être comprise entre 0,5 et 60");
  in.seconds = store(seconds);
  const auto beforeEnd = [&](const FieldDef& def, Real value) {
    const double t = store(value);
    if (!(t < in.seconds))
      fail(std::string(def.label) + " : la valeur doit être inférieure à la durée max. (" +
           formatGeneral(in.seconds) + " s)");
    return t;
  };
  if (const std::optional<Real> soft = readOptionalDefinedField(f, kSwitchFields[0])) {
    in.softOhms = store(*soft);
    in.softSeconds = beforeEnd(kSwitchFields[1], readDefinedField(f, kSwitchFields[1]));
  }
  if (const std::optional<Real> standby = readOptionalDefinedField(f, kSwitchFields[2]))
    in.standbySeconds = beforeEnd(kSwitchFields[2], *standby);
  return in;
}

SupplyInputs fullPowerInputs(const SupplyInputs& in) {
  SupplyInputs full = in;
  for (SupplyNode& node : full.nodes)
    if (node.fullMilliamps >= 0) node.milliamps = node.fullMilliamps;
  return full;
}

std::string supplyNetlist(const SupplyInputs& in) {
  const std::string peak = spice(multiply(squareRoot(2), in.vac));
  const std::string hz = formatInteger(in.hertz);
  const std::string rs = spice(in.rs);
  std::string k;  // the tube's law, with K = I / V^1.5 from its data sheet drop
  const RectifierRow& rect = *in.rectifier;
  if (rect.tube()) k = spice(divide(rect.atAmps, power(rect.dropVolts, 1.5L)));
  // With standby the elements feed node h, switched to node 1 at that time.
  const std::string out = in.standbySeconds > 0 ? "h" : "1";
  const auto element = [&](std::string_view name, std::string_view anode) {
    const std::string a(anode);
    if (!rect.tube()) return std::string(name) + " " + a + " " + out + " DSI\n";
    return "B" + std::string(name.substr(1)) + " " + a + " " + out + " I=" + k + "*pow(max(V(" + a +
           "," + out + "),0),1.5)\n";
  };
  // A switch is a resistor whose value follows time: Ra before t, Rb after.
  const auto timed = [](std::string_view name, std::string_view from, std::string_view to, double t,
                        std::string_view ra) {
    return std::string(name) + " " + std::string(from) + " " + std::string(to) + " R='time < " +
           spice(t) + " ? " + std::string(ra) + " : 1m'\n";
  };
  const bool soft = in.softOhms > 0;
  const std::string softOhms = soft ? spice(in.softOhms) : "";
  // The winding's source, then its soft start resistor if any, then Rs to node `to`.
  const auto winding = [&](std::string_view w, std::string_view minus, std::string_view sign,
                           std::string_view to) {
    const std::string lower(1, static_cast<char>(w[0] - 'A' + 'a'));  // "A": node "sa"
    const std::string s = "s" + lower;
    std::string text = "V" + std::string(w) + " " + s + " " + std::string(minus) + " SIN(0 " +
                       std::string(sign) + peak + " " + hz + ")\n";
    const std::string upper(w);
    std::string after = s;
    if (soft) {
      after = "t" + lower;
      text += timed("RS" + upper, s, after, in.softSeconds, softOhms);
    }
    return text + "R" + upper + " " + after + " " + std::string(to) + " " + rs + "\n";
  };

  std::string n = "* Alimentation HT\n";
  // The first element's current goes through VI1, a 0 V source the figures read.
  switch (rect.topology) {
    case Topology::kBridge:
      n += winding("A", "b", "", "a") + "VI1 a k1 0\n";
      n += element("D1", "k1") + element("D2", "b");
      n += "D3 0 a DSI\nD4 0 b DSI\n";
      // Ties the floating winding down: with all four diodes off it has no path to ground.
      n += "RGA a 0 10MEG\nRGB b 0 10MEG\n";
      break;
    case Topology::kHalfWave:
      n += winding("A", "0", "", "a") + "VI1 a k1 0\n" + element("D1", "k1");
      break;
    case Topology::kCentreTap:
      n += winding("A", "0", "", "a") + "VI1 a k1 0\n" + element("D1", "k1");
      n += winding("B", "0", "-", "b") + element("D2", "b");
      break;
  }
  if (in.standbySeconds > 0) n += timed("RSB", "h", "1", in.standbySeconds, "1G");
  for (std::size_t i = 0; i < in.nodes.size(); ++i) {
    const SupplyNode& node = in.nodes[i];
    const std::string here = formatInteger(static_cast<std::int64_t>(i + 1));
    const std::string before = formatInteger(static_cast<std::int64_t>(i));
    if (i > 0 && node.choke && node.ohms > 0) {
      n += "L" + here + " " + before + " m" + here + " " + spice(node.henries) + "\n";
      n += "R" + here + " m" + here + " " + here + " " + spice(node.ohms) + "\n";
    } else if (i > 0 && node.choke) {
      n += "L" + here + " " + before + " " + here + " " + spice(node.henries) + "\n";
    } else if (i > 0) {
      n += "R" + here + " " + before + " " + here + " " + spice(node.ohms) + "\n";
    }
    n += "C" + here + " " + here + " 0 " + spice(node.microfarads) + "u\n";
    // Stated current above 20 V; it never draws from an empty capacitor.
    if (node.milliamps > 0) {
      n += "BL" + here + " " + here + " 0 I=" + spice(divide(node.milliamps, 1000)) +
           "*min(1,max(V(" + here + "),0)/20)\n";
    }
  }
  if (!rect.tube()) n += ".model DSI D(" + std::string(rect.diode) + ")\n";
  n += ".tran 20u " + spice(in.seconds) + " 0 20u\n.end\n";
  return n;
}

namespace {

// The first and last samples, and the lowest and highest of each slice in the order they occur.
void addSlices(Series& s, const std::vector<double>& t, const std::vector<double>& y,
               std::size_t first, std::size_t columns, double scale) {
  const std::size_t n = std::min(t.size(), y.size());
  if (first >= n) return;
  if (n - first <= 2 * columns) {
    for (std::size_t i = first; i < n; ++i) {
      s.x.push_back(t[i]);
      s.y.push_back(y[i] * scale);
    }
    return;
  }
  const double t0 = t[first];
  const double width = (t[n - 1] - t0) / static_cast<double>(columns);
  const auto add = [&](std::size_t k) {
    if (!s.x.empty() && s.x.back() == t[k]) return;
    s.x.push_back(t[k]);
    s.y.push_back(y[k] * scale);
  };
  add(first);  // the curve spans the whole window
  std::size_t i = first;
  for (std::size_t c = 0; c < columns && i < n; ++c) {
    const bool last = c + 1 == columns;
    const double end = t0 + width * static_cast<double>(c + 1);
    if (!last && t[i] > end) continue;  // a slice without samples
    std::size_t lo = i;
    std::size_t hi = i;
    for (; i < n && (last || t[i] <= end); ++i) {
      if (y[i] < y[lo]) lo = i;
      if (y[i] > y[hi]) hi = i;
    }
    add(std::min(lo, hi));
    add(std::max(lo, hi));
  }
  add(n - 1);
}

}  // namespace

std::vector<Series> supplyCurves(const SupplyInputs& in, const Vectors& v, bool steadyOnly,
                                 std::size_t columns) {
  const std::vector<double>& t = vectorOf(v, "time");
  std::size_t first = 0;
  if (steadyOnly) {
    const double from = t.back() - 5.0 / in.hertz;
    first = static_cast<std::size_t>(std::ranges::lower_bound(t, from) - t.begin());
    if (first > 0) --first;  // the sample before the window, so the curve starts at its edge
  }
  std::vector<Series> curves;
  for (std::size_t k = 0; k < in.nodes.size(); ++k) {
    const std::string n = formatInteger(static_cast<std::int64_t>(k + 1));
    Series& s = curves.emplace_back();
    s.name = "Nœud " + n;
    addSlices(s, t, vectorOf(v, "v(" + n + ")"), first, columns, 1);
  }
  Series& i = curves.emplace_back();
  i.name = "Courant redresseur";
  addSlices(i, t, vectorOf(v, "vi1#branch"), first, columns, 1000);
  return curves;
}

bool settledMeans(std::span<const std::array<double, kSupplyNodes>> periodMeans,
                  std::size_t nodes) {
  const std::size_t n = periodMeans.size();
  if (n < 10) return false;
  for (std::size_t k = 0; k < nodes; ++k) {
    double recent = 0;
    double before = 0;
    for (std::size_t p = 0; p < 5; ++p) {
      recent += periodMeans[n - 1 - p][k] / 5;
      before += periodMeans[n - 6 - p][k] / 5;
    }
    if (!(std::fabs(recent - before) < std::max(1e-4 * std::fabs(recent), 1e-3))) return false;
  }
  return true;
}

SettleWatch::SettleWatch(int hertz, std::size_t nodes, double from)
    : period_(1.0 / hertz),
      nodes_(std::min<std::size_t>(nodes, kSupplyNodes)),
      from_(from),
      periodEnd_(from + period_) {}

void SettleWatch::closePeriod() {
  std::array<double, kSupplyNodes> mean{};
  for (std::size_t k = 0; k < nodes_; ++k) mean[k] = sum_[k] / period_;
  means_.push_back(mean);
  sum_ = {};
  periodEnd_ = from_ + period_ * static_cast<double>(means_.size() + 1);
  if (!settled_) settled_ = settledMeans(means_, nodes_);
}

bool SettleWatch::add(double t, std::span<const double> volts) {
  std::array<double, kSupplyNodes> now{};
  for (std::size_t k = 0; k < nodes_ && k < volts.size(); ++k) now[k] = volts[k];
  if (t < from_) return false;
  if (!started_) {
    started_ = true;
    lastT_ = t;
    last_ = now;
    return settled_;
  }
  // The trapezoids up to each period end crossed, the value there interpolated.
  while (t >= periodEnd_ && lastT_ < periodEnd_) {
    const double a = t > lastT_ ? (periodEnd_ - lastT_) / (t - lastT_) : 1;
    for (std::size_t k = 0; k < nodes_; ++k) {
      const double edge = last_[k] + a * (now[k] - last_[k]);
      sum_[k] += (periodEnd_ - lastT_) * (last_[k] + edge) / 2;
      last_[k] = edge;
    }
    lastT_ = periodEnd_;
    closePeriod();
  }
  for (std::size_t k = 0; k < nodes_; ++k) sum_[k] += (t - lastT_) * (last_[k] + now[k]) / 2;
  lastT_ = t;
  last_ = now;
  return settled_;
}

bool SettleWatch::watch(std::span<const std::string> names, std::span<const double> values) {
  if (columns_.empty()) {
    const auto column = [&](std::string_view name) {
      const auto it = std::ranges::find(names, name);
      return static_cast<std::size_t>(it - names.begin());
    };
    columns_.push_back(column("time"));
    for (std::size_t k = 0; k < nodes_; ++k)
      columns_.push_back(column("v(" + formatInteger(static_cast<std::int64_t>(k + 1)) + ")"));
  }
  std::array<double, kSupplyNodes + 1> point{};
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    if (columns_[c] >= values.size()) return false;  // a vector it needs is not there
    point[c] = values[columns_[c]];
  }
  return add(point[0], std::span<const double>(point).subspan(1, nodes_));
}

SupplyFigures supplyFigures(const SupplyInputs& in, const Vectors& v) {
  const std::vector<double>& t = vectorOf(v, "time");
  const double periods = 5.0 / in.hertz;
  if (t.back() < periods) fail("La simulation n'a pas abouti : moins de cinq périodes simulées");
  const Window steady(t, t.back() - periods);
  const auto same = [](Real x) { return x; };
  SupplyFigures r;
  const Window last(t, t.back() - 1.0 / in.hertz);
  SettleWatch settle(in.hertz, in.nodes.size(), in.standbySeconds);
  std::vector<const std::vector<double>*> nodes;
  for (std::size_t k = 0; k < in.nodes.size(); ++k) {
    const std::vector<double>& y =
        vectorOf(v, "v(" + formatInteger(static_cast<std::int64_t>(k + 1)) + ")");
    nodes.push_back(&y);
    r.volts[k] = store(steady.mean(y, same));
    r.maxVolts[k] = *std::ranges::max_element(y);
    // The periodic part: less the straight line joining the last period's two ends, so that
    // a slow drift is not taken for ripple.
    double t0 = 0;
    double y0 = 0;
    double slope = 0;
    bool first = true;
    Real high = -std::numeric_limits<Real>::infinity();
    Real low = std::numeric_limits<Real>::infinity();
    last.walk(y, [&](double ti, double yi) {
      if (first) {
        t0 = ti;
        y0 = yi;
        const double span = t.back() - ti;
        slope = span > 0 ? (y[std::min(y.size(), t.size()) - 1] - yi) / span : 0;
        first = false;
      }
      const Real periodic = static_cast<Real>(yi) - (y0 + slope * (ti - t0));
      high = std::max(high, periodic);
      low = std::min(low, periodic);
    });
    r.ripple[k] = store(high - low);
  }
  // Replayed over the samples: the same verdict as the watch that may have ended the run.
  std::array<double, kSupplyNodes> point{};
  for (std::size_t i = 0; i < t.size() && !settle.settled(); ++i) {
    for (std::size_t k = 0; k < nodes.size(); ++k)
      point[k] = i < nodes[k]->size() ? (*nodes[k])[i] : nodes[k]->back();
    settle.add(t[i], std::span<const double>(point).first(nodes.size()));
  }
  r.settled = settle.settled();
  const std::vector<double>& element = vectorOf(v, "vi1#branch");
  r.peakMilliamps = store(steady.maximum(element, same) * 1000);
  r.surgeMilliamps = store(*std::ranges::max_element(element) * 1000.0L);
  const std::vector<double>& out = vectorOf(v, "v(1)");
  const std::vector<double>& anode = vectorOf(v, "k1");
  std::vector<double> reverse(std::min(out.size(), anode.size()));
  for (std::size_t i = 0; i < reverse.size(); ++i) reverse[i] = out[i] - anode[i];
  r.pivVolts = store(steady.maximum(reverse, same));
  const std::vector<double>& winding = vectorOf(v, "va#branch");
  r.rmsMilliamps = store(squareRoot(steady.mean(winding, [](Real x) { return x * x; })) * 1000);
  return r;
}

std::vector<std::string> dataSheetWarnings(const SupplyInputs& in, const SupplyFigures& r) {
  const RectifierRow& lim = *in.rectifier;
  std::vector<std::string> lines;
  // Past the limit, or within its last tenth: a figure that close has no margin left.
  const auto check = [&](std::string_view what, const std::string& shown, double value,
                         double limit, std::string_view unit) {
    const std::string u(unit);
    if (value > limit) {
      lines.push_back(std::string(what) + " (" + shown + " " + u + ") dépasse les " +
                      formatGeneral(limit) + " " + u + " admis par " + std::string(lim.by) + ".");
    } else if (value > 0.9 * limit) {
      lines.push_back(std::string(what) + " (" + shown + " " + u + ") est à " +
                      formatPattern("0", store(divide(value, limit) * 100)) +
                      " % de la limite de " + formatGeneral(limit) + " " + u + " admise par " +
                      std::string(lim.by) + ".");
    }
  };
  const double c1 = in.nodes.front().microfarads;
  if (lim.microfarads > 0) check("C1", formatGeneral(c1), c1, lim.microfarads, "µF");
  Real load = 0;
  for (const SupplyNode& n : in.nodes) load = add(load, n.milliamps);
  check("La charge totale", formatGeneral(load), store(load), lim.dcMilliamps, "mA");
  if (lim.tube()) {
    check("Le courant crête redresseur", formatPattern("0", r.peakMilliamps), r.peakMilliamps,
          lim.peakMilliamps, "mA");
  } else {
    // A silicon diode's limit is its surge rating, which the steady-state peak never passes
    // first.
    check("Le courant crête à la mise sous tension", formatPattern("0", r.surgeMilliamps),
          r.surgeMilliamps, lim.peakMilliamps, "mA");
  }
  for (std::size_t k = 0; k < in.nodes.size(); ++k) {
    const double rated = in.nodes[k].ratedVolts;
    if (rated > 0 && r.maxVolts[k] > rated) {
      lines.push_back("C" + formatInteger(static_cast<std::int64_t>(k + 1)) + " : " +
                      formatPattern("0", r.maxVolts[k]) + " V atteints, au-delà de ses " +
                      formatGeneral(rated) + " V de service.");
    }
  }
  check("La tension inverse crête", formatPattern("0", r.pivVolts), r.pivVolts, lim.pivVolts, "V");
  return lines;
}

void writeSupplyResults(Fields& f, const SupplyInputs& in, const SupplyFigures& r,
                        const SupplyFigures* full) {
  for (int k = 1; k <= kSupplyNodes; ++k) {
    const auto i = static_cast<std::size_t>(k - 1);
    const bool present = i < in.nodes.size();
    f.write(nodeField("edPsV", k), present ? formatPattern("0.0", r.volts[i]) : "");
    f.write(nodeField("edPsRip", k), present ? formatSignificant(r.ripple[i], 3) : "");
    f.write(nodeField("edPsVmax", k), present ? formatPattern("0", r.maxVolts[i]) : "");
    const bool both = present && full;
    f.write(nodeField("edPsVf", k), both ? formatPattern("0.0", full->volts[i]) : "");
    std::string sag;
    if (both && r.volts[i] != 0)
      sag = formatPattern("0.0",
                          store(divide(subtract(r.volts[i], full->volts[i]), r.volts[i]) * 100));
    f.write(nodeField("edPsSag", k), sag);
  }
  f.write("edPsIpk", formatPattern("0", r.peakMilliamps));
  f.write("edPsIsurge", formatPattern("0", r.surgeMilliamps));
  f.write("edPsPiv", formatPattern("0", r.pivVolts));
  f.write("edPsIrms", formatPattern("0", r.rmsMilliamps));
  const auto unsettled = [&] {
    return "Régime non établi après " + formatGeneral(in.seconds) +
           " s : chiffres des 5 dernières périodes.";
  };
  std::vector<std::string> lines = dataSheetWarnings(in, r);
  if (!r.settled) lines.insert(lines.begin(), unsettled());
  if (full) {
    // The full power run's own lines, those the idle run already gives said once.
    std::vector<std::string> more = dataSheetWarnings(fullPowerInputs(in), *full);
    if (!full->settled) more.insert(more.begin(), unsettled());
    for (std::string line : more) {
      if (std::ranges::find(lines, line) != lines.end()) continue;
      // A sentence goes on after the colon in lower case; "C2 : …" and "GZ34" keep theirs.
      const auto upper = [](char c) { return c >= 'A' && c <= 'Z'; };
      if (line.size() > 1 && upper(line[0]) && !upper(line[1]) &&
          !(line[1] >= '0' && line[1] <= '9'))
        line[0] = static_cast<char>(line[0] - 'A' + 'a');
      lines.push_back("Pleine puissance : " + line);
    }
  }
  std::string warn;
  for (const std::string& line : lines) {
    if (!warn.empty()) warn += "\n";
    warn += line;
  }
  f.write("lbPsWarn", warn);
}

}  // namespace valvora::atelier
