#include "ui/Plot.h"

#include <QBuffer>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/failure.h"
#include "core/numtext.h"
#include "platform/atomicfile.h"
#include "platform/files.h"
#include "platform/writefile.h"
#include "ui/Dialogs.h"

namespace valvora::ui {

namespace {

constexpr double kEps = 1e-9;

// m x 10^e, divided rather than multiplied for negative e so that 3 x 0,1 reads 0,3.
double scaled(double m, int e) {
  return e >= 0 ? m * std::pow(10.0, e) : m / std::pow(10.0, -e);
}

int tickCount(double lo, double hi, double m, int e) {
  const double step = scaled(m, e);
  const double first = std::ceil(lo / step - kEps), last = std::floor(hi / step + kEps);
  return last < first ? 0 : static_cast<int>(last - first) + 1;
}

struct Step {
  double mantissa = 1;
  int exponent = 0;
};

Step niceStep(double lo, double hi, int maxTicks) {
  const double span = hi - lo;
  if (!(span > 0) || !std::isfinite(span)) return {};
  maxTicks = std::max(maxTicks, 2);
  int e = static_cast<int>(std::floor(std::log10(span / maxTicks))) - 1;
  for (;; ++e)
    for (double m : {1.0, 2.0, 5.0})
      if (tickCount(lo, hi, m, e) <= maxTicks) return {m, e};
}

bool usable(double v, AxisScale scale) {
  return std::isfinite(v) && (scale == AxisScale::kLinear || v > 0);
}

const QColor kHeldColour(175, 175, 175);
const QColor kGridColour(200, 200, 200);
const QColor kMinorGridColour(232, 232, 232);
const QColor kFrameColour(90, 90, 90);
const QColor kTextColour(0, 0, 0);  // on the white ground whatever the desktop's theme
const QString kHeldLegend = QStringLiteral("Courbes figées");
constexpr qsizetype kPieceLength = 32;
constexpr double kMinDragPx = 5;

QColor shownColour(const PlotCurve& c) {
  QColor colour = c.colour;
  if (c.under) colour.setAlphaF(static_cast<float>(std::clamp(c.alpha, 0.0, 1.0)));
  return colour;
}

// "Tension (V)" -> name "Tension", unit "V"; a title without brackets is all name.
std::pair<QString, QString> nameAndUnit(const QString& title) {
  const qsizetype open = title.lastIndexOf('('), close = title.lastIndexOf(')');
  if (open < 0 || close < open) return {title.trimmed(), {}};
  return {title.left(open).trimmed(), title.mid(open + 1, close - open - 1).trimmed()};
}

QString withUnit(const std::string& number, const QString& unit) {
  const QString text = QString::fromStdString(number);
  return unit.isEmpty() ? text : text + ' ' + unit;
}

// The curve's value at x, straight between the points around it; NaN outside its span or
// in a gap.
double valueAt(const Series& s, double x) {
  const std::size_t n = std::min(s.x.size(), s.y.size());
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const double x0 = s.x[i], x1 = s.x[i + 1];
    if (!(std::min(x0, x1) <= x && x <= std::max(x0, x1))) continue;
    if (x0 == x1) return s.y[i];
    return s.y[i] + (s.y[i + 1] - s.y[i]) * (x - x0) / (x1 - x0);
  }
  if (n == 1 && s.x[0] == x) return s.y[0];
  return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

double linearStep(double lo, double hi, int maxTicks) {
  const Step s = niceStep(lo, hi, maxTicks);
  return scaled(s.mantissa, s.exponent);
}

std::vector<double> linearTicks(double lo, double hi, int maxTicks) {
  std::vector<double> ticks;
  if (!(hi > lo) || !std::isfinite(hi - lo)) return ticks;
  const Step s = niceStep(lo, hi, maxTicks);
  const double step = scaled(s.mantissa, s.exponent);
  const double first = std::ceil(lo / step - kEps), last = std::floor(hi / step + kEps);
  for (double k = first; k <= last; ++k)
    ticks.push_back(k == 0 ? 0 : scaled(k * s.mantissa, s.exponent));
  return ticks;
}

std::vector<double> logTicks(double lo, double hi) {
  std::vector<double> ticks;
  if (!(lo > 0) || !(hi > lo) || !std::isfinite(hi)) return ticks;
  const bool withHalves = hi / lo < 100 * (1 + kEps);
  const int first = static_cast<int>(std::floor(std::log10(lo)));
  const int last = static_cast<int>(std::ceil(std::log10(hi)));
  for (int e = first; e <= last; ++e)
    for (double m : {1.0, 2.0, 5.0}) {
      if (m != 1 && !withHalves) continue;
      const double v = scaled(m, e);
      if (v >= lo * (1 - kEps) && v <= hi * (1 + kEps)) ticks.push_back(v);
    }
  return ticks;
}

QString tickLabel(double value, double step, AxisScale scale, const QString& logUnit) {
  if (scale != AxisScale::kLog10 || logUnit.isEmpty()) return tickLabel(value, step, scale);
  if (value >= 1e6) return QString::fromStdString(formatGeneral(value / 1e6)) + " M" + logUnit;
  if (value >= 1e3) return QString::fromStdString(formatGeneral(value / 1e3)) + " k" + logUnit;
  return QString::fromStdString(formatGeneral(value)) + ' ' + logUnit;
}

QString tickLabel(double value, double step, AxisScale scale) {
  if (scale == AxisScale::kLog10) {
    if (value >= 1e6) return QString::fromStdString(formatGeneral(value / 1e6) + "M");
    if (value >= 1e3) return QString::fromStdString(formatGeneral(value / 1e3) + "k");
    return QString::fromStdString(formatGeneral(value));
  }
  if (std::fabs(value) < step * 1e-6) value = 0;  // no "-0" from a sum that missed zero
  const int decimals = std::max(0, static_cast<int>(std::ceil(-std::log10(step) - kEps)));
  if (decimals > 5) return QString::fromStdString(formatGeneral(value));
  const std::string pattern = decimals == 0 ? "0" : "0." + std::string(decimals, '0');
  return QString::fromStdString(formatPattern(pattern, value));
}

Plot::Plot(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void Plot::setXAxis(const PlotAxis& axis) {
  xAxis_ = axis;
  zoom_ = {};  // a range zoomed on another axis means nothing on this one
  area_ = {};
  update();
}

void Plot::setLeftAxis(const PlotAxis& axis) {
  leftAxis_ = axis;
  update();
}

void Plot::setRightAxis(const PlotAxis& axis) {
  rightAxis_ = axis;
  hasRight_ = true;
  update();
}

void Plot::setCurves(std::vector<PlotCurve> curves) {
  curves_ = std::move(curves);
  update();
}

void Plot::holdCurrent() {
  held_.insert(held_.end(), curves_.begin(), curves_.end());
  update();
}

void Plot::clearHeld() {
  held_.clear();
  update();
}

bool Plot::rightUsed() const {
  if (!hasRight_) return false;
  for (const auto* list : {&curves_, &held_})
    for (const PlotCurve& c : *list)
      if (c.axis == YAxis::kRight) return true;
  return false;
}

Plot::Range Plot::rangeOf(const PlotAxis& axis, bool x, YAxis side, int lengthPx) const {
  const bool log = axis.scale == AxisScale::kLog10;
  if (!axis.autoRange && axis.max > axis.min && (!log || axis.min > 0)) return {axis.min, axis.max};
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (const auto* list : {&curves_, &held_})
    for (const PlotCurve& c : *list) {
      if (!x && c.axis != side) continue;
      for (double v : x ? c.data.x : c.data.y)
        if (usable(v, axis.scale)) {
          lo = std::min(lo, v);
          hi = std::max(hi, v);
        }
    }
  if (log) {
    if (!(lo <= hi)) return {1, 10};
    Range r{std::pow(10.0, std::floor(std::log10(lo))), std::pow(10.0, std::ceil(std::log10(hi)))};
    if (r.hi <= r.lo) r.hi = r.lo * 10;
    return r;
  }
  if (!(lo <= hi)) return {0, 1};
  if (hi - lo < std::max(std::fabs(hi), 1.0) * 1e-12) {
    const double half = std::max(std::fabs(lo) * 0.1, 1.0);
    lo -= half;
    hi += half;
  }
  // Two ticks fewer than room allows, so that widening to whole steps keeps them.
  const int room = std::max(2, lengthPx / (x ? 70 : 28) - 2);
  const double step = linearStep(lo, hi, room);
  return {std::floor(lo / step + kEps) * step, std::ceil(hi / step - kEps) * step};
}

void Plot::setMarker(double x, double y, const QString& text) {
  marker_ = {true, x, y, text};
  update();
}

void Plot::clearMarker() {
  marker_ = {};
  update();
}

namespace {

constexpr double kLabelGap = 6;  // between two tick labels, at the least

double toUnit(double v, double lo, double hi, bool log) {
  return log ? (std::log10(v) - std::log10(lo)) / (std::log10(hi) - std::log10(lo))
             : (v - lo) / (hi - lo);
}

bool isDecade(double v) {
  const double e = std::log10(v);
  return std::fabs(e - std::round(e)) < 1e-9;
}

// The ticks of an axis over length pixels, one per spacing pixels at most, their labels
// never closer than kLabelGap: a linear axis takes fewer ticks, a log one labels its decades
// alone, then every other one. `at` is the distance from the axis's start.
std::vector<PlotTick> axisTicks(const PlotAxis& axis, double lo, double hi, double length,
                                double spacing, const QFontMetricsF& fm, bool vertical) {
  const bool log = axis.scale == AxisScale::kLog10;
  const auto labelled = [&](int maxTicks) {
    std::vector<PlotTick> ticks;
    double step = 1;
    std::vector<double> values;
    if (log) {
      values = logTicks(lo, hi);
    } else {
      values = linearTicks(lo, hi, maxTicks);
      step = linearStep(lo, hi, maxTicks);
    }
    ticks.reserve(values.size());
    for (double v : values)
      ticks.push_back(
          {v, toUnit(v, lo, hi, log) * length, tickLabel(v, step, axis.scale, axis.logUnit), {}});
    return ticks;
  };
  const auto extent = [&](const PlotTick& t) {
    return vertical ? fm.height() : fm.horizontalAdvance(t.label);
  };
  const auto crowded = [&](const std::vector<PlotTick>& ticks) {
    const PlotTick* last = nullptr;
    for (const PlotTick& t : ticks) {
      if (t.label.isEmpty()) continue;
      if (last && std::fabs(t.at - last->at) < (extent(t) + extent(*last)) / 2 + kLabelGap)
        return true;
      last = &t;
    }
    return false;
  };
  int maxTicks = std::max(2, static_cast<int>(length / spacing));
  std::vector<PlotTick> ticks = labelled(maxTicks);
  if (!log) {
    while (crowded(ticks) && maxTicks > 2) ticks = labelled(--maxTicks);
    // A range widened to whole steps of a coarser rule may hold a single tick of this one.
    for (int more = maxTicks + 1; ticks.size() < 2 && more <= maxTicks + 4; ++more) {
      std::vector<PlotTick> denser = labelled(more);
      if (!crowded(denser)) ticks = std::move(denser);
    }
    return ticks;
  }
  if (crowded(ticks))
    for (PlotTick& t : ticks)
      if (!isDecade(t.value)) t.label.clear();
  while (crowded(ticks)) {
    int i = 0;
    for (PlotTick& t : ticks)
      if (!t.label.isEmpty() && i++ % 2 == 1) t.label.clear();
  }
  return ticks;
}

double widest(const std::vector<PlotTick>& ticks, const QFontMetricsF& fm) {
  double w = 0;
  for (const PlotTick& t : ticks) w = std::max(w, fm.horizontalAdvance(t.label));
  return w;
}

}  // namespace

double PlotLayout::xPixel(double v) const {
  return area.left() + toUnit(v, xLo, xHi, xScale == AxisScale::kLog10) * area.width();
}

double PlotLayout::yPixel(double v, YAxis side) const {
  const bool r = side == YAxis::kRight && right;
  const double u = toUnit(v, r ? rightLo : leftLo, r ? rightHi : leftHi,
                          (r ? rightScale : leftScale) == AxisScale::kLog10);
  return area.bottom() - std::clamp(u, -100.0, 100.0) * area.height();
}

// A size in pixels whatever the device: laid out and painted alike on the screen and on a
// page whose painter is scaled to it.
QFont Plot::plotFont() const {
  QFont f = font();
  if (f.pixelSize() <= 0) f.setPixelSize(std::max(1, QFontInfo(f).pixelSize()));
  return f;
}

PlotLayout Plot::layoutAt(QSizeF size) const {
  PlotLayout l;
  l.size = size;
  const QFontMetricsF fm(plotFont());
  const double lh = fm.height();
  const double w = size.width(), h = size.height();
  l.right = rightUsed();
  l.xScale = xAxis_.scale;
  l.leftScale = leftAxis_.scale;
  l.rightScale = rightAxis_.scale;

  // Legend row on top; below, the tick labels (half a line down, clear of the y axes' lowest
  // labels) and the x title.
  const double top = lh + 10;
  const double bottom = 2.5 * lh + 10;
  const double plotH = std::max(20.0, h - top - bottom);
  const Range leftRange = rangeOf(leftAxis_, false, YAxis::kLeft, static_cast<int>(plotH));
  l.leftLo = leftRange.lo;
  l.leftHi = leftRange.hi;
  l.leftTicks = axisTicks(leftAxis_, l.leftLo, l.leftHi, plotH, 28, fm, true);
  if (l.right) {
    const Range r = rangeOf(rightAxis_, false, YAxis::kRight, static_cast<int>(plotH));
    l.rightLo = r.lo;
    l.rightHi = r.hi;
    l.rightTicks = axisTicks(rightAxis_, l.rightLo, l.rightHi, plotH, 28, fm, true);
  }
  const double left = lh + widest(l.leftTicks, fm) + 12;
  double rightMargin = l.right ? lh + widest(l.rightTicks, fm) + 12 : 8;
  // The x labels are centred on their ticks: the last one may need more room on the right.
  for (int pass = 0; pass < 2; ++pass) {
    l.area = QRectF(left, top, std::max(20.0, w - left - rightMargin), plotH);
    const Range xr = zoom_.on
                         ? Range{zoom_.lo, zoom_.hi}
                         : rangeOf(xAxis_, true, YAxis::kLeft, static_cast<int>(l.area.width()));
    l.xLo = xr.lo;
    l.xHi = xr.hi;
    l.xTicks = axisTicks(xAxis_, l.xLo, l.xHi, l.area.width(), 70, fm, false);
    double overhang = 0;
    for (const PlotTick& t : l.xTicks)
      if (!t.label.isEmpty())
        overhang =
            std::max(overhang, l.area.left() + t.at + fm.horizontalAdvance(t.label) / 2 - (w - 2));
    if (overhang <= 0 || l.right) break;
    rightMargin += overhang;
  }

  const double labelTop = l.area.bottom() + lh / 2 + 1;
  for (PlotTick& t : l.xTicks) {
    t.at = l.xPixel(t.value);
    const double tw = fm.horizontalAdvance(t.label);
    t.box = QRectF(t.at - tw / 2, labelTop, tw, lh);
  }
  const auto placeY = [&](std::vector<PlotTick>& ticks, YAxis side) {
    for (PlotTick& t : ticks) {
      t.at = l.yPixel(t.value, side);
      const double tw = fm.horizontalAdvance(t.label);
      const double x = side == YAxis::kLeft ? l.area.left() - 5 - tw : l.area.right() + 5;
      t.box = QRectF(x, t.at - lh / 2, tw, lh);
    }
  };
  placeY(l.leftTicks, YAxis::kLeft);
  placeY(l.rightTicks, YAxis::kRight);

  l.xTitle = fm.elidedText(xAxis_.title, Qt::ElideRight, l.area.width());
  l.xTitleBox = QRectF(l.area.left(), h - lh - 3, l.area.width(), lh);
  // A vertical title may run past the area's ends, never past the widget's.
  const auto vertical = [&](const QString& title, double centreX, QString& text, QRectF& box) {
    text = fm.elidedText(title, Qt::ElideRight, std::max(0.0, h - 4));
    const double length = fm.horizontalAdvance(text);
    const double centreY = std::clamp(l.area.center().y(), length / 2 + 2,
                                      std::max(length / 2 + 2, h - length / 2 - 2));
    box = QRectF(centreX - lh / 2, centreY - length / 2, lh, length);
  };
  vertical(leftAxis_.title, 3 + lh / 2, l.leftTitle, l.leftTitleBox);
  if (l.right) vertical(rightAxis_.title, w - 3 - lh / 2, l.rightTitle, l.rightTitleBox);

  // Legend, right-aligned above the area.
  for (const PlotCurve& c : curves_)
    if (!c.data.name.empty())
      l.legend.push_back({QString::fromStdString(c.data.name), shownColour(c), {}, {}});
  if (!held_.empty()) l.legend.push_back({kHeldLegend, kHeldColour, {}, {}});
  double x = l.area.right();
  const double y = top / 2;
  for (auto it = l.legend.rbegin(); it != l.legend.rend(); ++it) {
    const double tw = fm.horizontalAdvance(it->name);
    x -= tw;
    it->box = QRectF(x, y - lh / 2, tw, lh);
    it->line = QLineF(x - 26, y, x - 6, y);
    x -= 26 + 14;
  }
  return l;
}

void Plot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const PlotLayout l = layoutAt(size());
  area_ = l.area;
  xLo_ = l.xLo;
  xHi_ = l.xHi;
  paintLayout(p, l, true);
}

void Plot::paintTo(QPainter& p, QSizeF size) const {
  p.save();
  paintLayout(p, layoutAt(size), false);
  p.restore();
}

void Plot::paintLayout(QPainter& p, const PlotLayout& l, bool withHover) const {
  p.fillRect(QRectF(QPointF(0, 0), l.size), Qt::white);
  p.setFont(plotFont());
  paintGrid(p, l);
  paintAxisTexts(p, l);
  paintCurves(p, l);
  p.setPen(QPen(kFrameColour, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(l.area);
  if (withHover) paintMouse(p, l);
  paintLegend(p, l);
}

// The minor lines of a log axis, then the ticks' lines.
void Plot::paintGrid(QPainter& p, const PlotLayout& l) const {
  const QRectF& area = l.area;
  p.setPen(QPen(kMinorGridColour, 1));
  const auto minorLog = [&](double lo, double hi, auto draw) {
    for (int e = static_cast<int>(std::floor(std::log10(lo))); scaled(1, e) <= hi; ++e)
      for (int m = 2; m <= 9; ++m) {
        const double v = scaled(m, e);
        if (v > lo && v < hi) draw(v);
      }
  };
  if (l.xScale == AxisScale::kLog10)
    minorLog(l.xLo, l.xHi, [&](double v) {
      p.drawLine(QPointF(l.xPixel(v), area.top()), QPointF(l.xPixel(v), area.bottom()));
    });
  if (l.leftScale == AxisScale::kLog10)
    minorLog(l.leftLo, l.leftHi, [&](double v) {
      const double y = l.yPixel(v, YAxis::kLeft);
      p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    });
  p.setPen(QPen(kGridColour, 1));
  for (const PlotTick& t : l.xTicks)
    p.drawLine(QPointF(t.at, area.top()), QPointF(t.at, area.bottom()));
  for (const PlotTick& t : l.leftTicks)
    p.drawLine(QPointF(area.left(), t.at), QPointF(area.right(), t.at));
}

void Plot::paintAxisTexts(QPainter& p, const PlotLayout& l) const {
  const QFontMetricsF fm(plotFont());
  p.setPen(kTextColour);
  for (const auto* ticks : {&l.xTicks, &l.leftTicks, &l.rightTicks})
    for (const PlotTick& t : *ticks)
      if (!t.label.isEmpty()) p.drawText(QPointF(t.box.left(), t.box.top() + fm.ascent()), t.label);
  p.drawText(l.xTitleBox, Qt::AlignCenter, l.xTitle);
  const auto vertical = [&](const QString& title, const QRectF& box, double angle) {
    p.save();
    p.translate(box.center());
    p.rotate(angle);
    const QRectF upright(-box.height() / 2 - 1, -box.width() / 2, box.height() + 2, box.width());
    p.drawText(upright, Qt::AlignCenter | Qt::TextDontClip, title);
    p.restore();
  };
  vertical(l.leftTitle, l.leftTitleBox, -90);
  if (l.right) vertical(l.rightTitle, l.rightTitleBox, 90);
}

// Clipped to the area: held curves first, in grey, then those under the others, the others,
// their end labels and the marker.
void Plot::paintCurves(QPainter& p, const PlotLayout& l) const {
  const QFontMetricsF fm(plotFont());
  const QRectF& area = l.area;
  const auto scaleOf = [&](YAxis side) {
    return side == YAxis::kRight && l.right ? l.rightScale : l.leftScale;
  };
  const auto sideOf = [&](const PlotCurve& c) {
    return c.axis == YAxis::kRight && l.right ? YAxis::kRight : YAxis::kLeft;
  };
  p.save();
  p.setClipRect(area.adjusted(-1, -1, 1, 1));
  p.setRenderHint(QPainter::Antialiasing);
  const auto drawCurve = [&](const PlotCurve& c, const QColor& colour, double penWidth) {
    const YAxis side = sideOf(c);
    p.setPen(QPen(colour, penWidth, c.style, Qt::RoundCap, Qt::RoundJoin));
    QPolygonF line;
    const std::size_t n = std::min(c.data.x.size(), c.data.y.size());
    line.reserve(static_cast<qsizetype>(n));
    for (std::size_t i = 0; i < n; ++i) {
      const double xv = c.data.x[i], yv = c.data.y[i];
      if (usable(xv, l.xScale) && usable(yv, scaleOf(side))) {
        line << QPointF(l.xPixel(xv), l.yPixel(yv, side));
        // A dense zigzag (a ripple over a long run) stroked as one outline costs its
        // self-crossings many times over; short pieces joined by their round caps look the
        // same and keep a redraw within a frame.
        if (line.size() == kPieceLength) {
          p.drawPolyline(line);
          line = QPolygonF{line.back()};
        }
        continue;
      }
      // A gap in the data breaks the line.
      if (line.size() > 1) p.drawPolyline(line);
      line.clear();
    }
    if (line.size() > 1) p.drawPolyline(line);
  };
  for (const PlotCurve& c : held_) drawCurve(c, kHeldColour, 1.5);
  for (const PlotCurve& c : curves_)
    if (c.under) drawCurve(c, shownColour(c), 2);
  for (const PlotCurve& c : curves_)
    if (!c.under) drawCurve(c, c.colour, 2);
  // End labels right-aligned on the last point, above it; the marker's text beside its dot.
  for (const PlotCurve& c : curves_) {
    const std::size_t n = std::min(c.data.x.size(), c.data.y.size());
    if (c.endLabel.isEmpty() || n == 0) continue;
    const YAxis side = sideOf(c);
    const double xv = c.data.x[n - 1], yv = c.data.y[n - 1];
    if (!usable(xv, l.xScale) || !usable(yv, scaleOf(side))) continue;
    const double w = fm.horizontalAdvance(c.endLabel);
    p.setPen(c.colour);
    p.drawText(QPointF(std::min(l.xPixel(xv), area.right() - 2) - w - 2,
                       std::max(l.yPixel(yv, side) - 3, area.top() + fm.ascent())),
               c.endLabel);
  }
  if (marker_.shown && usable(marker_.x, l.xScale) && usable(marker_.y, l.leftScale)) {
    const QPointF at(l.xPixel(marker_.x), l.yPixel(marker_.y, YAxis::kLeft));
    p.setPen(QPen(kTextColour, 1.5));
    p.setBrush(Qt::white);
    p.drawEllipse(at, 4, 4);
    p.setBrush(Qt::NoBrush);
    const double w = fm.horizontalAdvance(marker_.text);
    const double tx = at.x() + 8 + w > area.right() ? at.x() - 8 - w : at.x() + 8;
    p.drawText(QPointF(tx, at.y() - 6), marker_.text);
  }
  p.restore();
}

// The band being dragged, and the dashed line with its readout box under the mouse.
void Plot::paintMouse(QPainter& p, const PlotLayout& l) const {
  const QRectF& area = l.area;
  if (dragging_) {
    const double a = std::clamp(std::min(dragFrom_, dragTo_), area.left(), area.right());
    const double b = std::clamp(std::max(dragFrom_, dragTo_), area.left(), area.right());
    p.fillRect(QRectF(a, area.top(), b - a, area.height()), QColor(60, 110, 220, 50));
  }
  if (!hovering_ || hoverPx_ < area.left() || hoverPx_ > area.right()) return;
  const QFontMetricsF fm(plotFont());
  const double lh = fm.height();
  p.setPen(QPen(kFrameColour, 1, Qt::DashLine));
  p.drawLine(QPointF(hoverPx_, area.top()), QPointF(hoverPx_, area.bottom()));
  const QStringList lines = readoutAt(xAt(hoverPx_));
  double w = 0;
  for (const QString& line : lines) w = std::max(w, fm.horizontalAdvance(line));
  const QRectF box(0, 0, w + 12, lines.size() * lh + 8);
  const double bx =
      hoverPx_ + 10 + box.width() > area.right() ? hoverPx_ - 10 - box.width() : hoverPx_ + 10;
  const QRectF at = box.translated(bx, area.top() + 6);
  p.setPen(QPen(kFrameColour, 1));
  p.setBrush(QColor(255, 255, 255, 235));
  p.drawRect(at);
  p.setBrush(Qt::NoBrush);
  p.setPen(kTextColour);
  for (int i = 0; i < lines.size(); ++i)
    p.drawText(QPointF(at.left() + 6, at.top() + 4 + i * lh + fm.ascent()), lines[i]);
}

void Plot::paintLegend(QPainter& p, const PlotLayout& l) const {
  const QFontMetricsF fm(plotFont());
  p.setRenderHint(QPainter::Antialiasing);
  for (const PlotLayout::LegendEntry& e : l.legend) {
    p.setPen(kTextColour);
    p.drawText(QPointF(e.box.left(), e.box.top() + fm.ascent()), e.name);
    p.setPen(QPen(e.colour, 2.5));
    p.drawLine(e.line);
  }
}

QStringList Plot::readoutAt(double x) const {
  const auto [xName, xUnit] = nameAndUnit(xAxis_.title);
  QStringList lines{xName + " : " + withUnit(formatSignificant(x, 4), xUnit)};
  for (const PlotCurve& c : curves_) {
    if (c.data.name.empty()) continue;
    const double v = valueAt(c.data, x);
    if (!std::isfinite(v)) continue;
    const PlotAxis& axis = c.axis == YAxis::kRight && hasRight_ ? rightAxis_ : leftAxis_;
    lines << QString::fromStdString(c.data.name) + " : " +
                 withUnit(formatSignificant(v, 4), nameAndUnit(axis.title).second);
  }
  return lines;
}

void Plot::ensureLayout() const {
  if (!area_.isEmpty()) return;
  const PlotLayout l = layoutAt(size());
  area_ = l.area;
  xLo_ = l.xLo;
  xHi_ = l.xHi;
}

std::pair<double, double> Plot::visibleXRange() const {
  if (zoom_.on) return {zoom_.lo, zoom_.hi};
  ensureLayout();
  return {xLo_, xHi_};
}

double Plot::xAt(double pixel) const {
  const auto [lo, hi] = visibleXRange();
  const double u = (pixel - area_.left()) / std::max(1.0, area_.width());
  if (xAxis_.scale == AxisScale::kLog10 && lo > 0 && hi > 0)
    return std::pow(10.0, std::log10(lo) + u * (std::log10(hi) - std::log10(lo)));
  return lo + u * (hi - lo);
}

void Plot::resetZoom() {
  zoom_ = {};
  area_ = {};
  update();
}

void Plot::mouseMoveEvent(QMouseEvent* event) {
  hovering_ = true;
  hoverPx_ = event->position().x();
  if (dragging_) dragTo_ = hoverPx_;
  update();
}

void Plot::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  dragging_ = true;
  dragFrom_ = dragTo_ = event->position().x();
}

void Plot::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return QWidget::mouseReleaseEvent(event);
  dragging_ = false;
  dragTo_ = event->position().x();
  if (std::fabs(dragTo_ - dragFrom_) >= kMinDragPx) {
    ensureLayout();
    const double a = std::clamp(std::min(dragFrom_, dragTo_), area_.left(), area_.right());
    const double b = std::clamp(std::max(dragFrom_, dragTo_), area_.left(), area_.right());
    const double lo = xAt(a), hi = xAt(b);
    if (hi > lo) zoom_ = {true, lo, hi};
  }
  update();
}

void Plot::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  dragging_ = false;
  resetZoom();
}

void Plot::leaveEvent(QEvent* event) {
  hovering_ = false;
  update();
  QWidget::leaveEvent(event);
}

QString Plot::csvText() const {
  // The x column is the first named curve's; the others are read there.
  const PlotCurve* base = nullptr;
  for (const PlotCurve& c : curves_)
    if (!c.data.name.empty()) {
      base = &c;
      break;
    }
  auto header = [](const QString& name, const QString& unit) {
    return unit.isEmpty() ? name : name + " (" + unit + ")";
  };
  const auto [xName, xUnit] = nameAndUnit(xAxis_.title);
  QStringList head{header(xName, xUnit)};
  for (const PlotCurve& c : curves_)
    if (!c.data.name.empty()) {
      const PlotAxis& axis = c.axis == YAxis::kRight && hasRight_ ? rightAxis_ : leftAxis_;
      head << header(QString::fromStdString(c.data.name), nameAndUnit(axis.title).second);
    }
  QString text = head.join(';') + '\n';
  if (!base) return text;
  const std::size_t n = std::min(base->data.x.size(), base->data.y.size());
  for (std::size_t i = 0; i < n; ++i) {
    const double x = base->data.x[i];
    QStringList row{QString::fromStdString(formatGeneral(x))};
    for (const PlotCurve& c : curves_) {
      if (c.data.name.empty()) continue;
      const double v = &c == base ? c.data.y[i] : valueAt(c.data, x);
      row << (std::isfinite(v) ? QString::fromStdString(formatGeneral(v)) : QString());
    }
    text += row.join(';') + '\n';
  }
  return text;
}

void Plot::exportTo(const QString& fileName) const {
  const QString suffix = fileName.section('.', -1).toLower();
  QByteArray content;
  if (suffix == "csv") {
    content = csvText().toUtf8();
  } else if (suffix == "png" || suffix == "svg") {
    const QSize size = width() > 50 && height() > 50 ? this->size() : sizeHint();
    QBuffer buffer(&content);
    buffer.open(QIODevice::WriteOnly);
    if (suffix == "png") {
      QImage image(size, QImage::Format_RGB32);
      {
        QPainter p(&image);
        paintTo(p, size);
      }
      image.save(&buffer, "PNG");
    } else {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(size);
      svg.setViewBox(QRect(QPoint(0, 0), size));
      QPainter p(&svg);
      paintTo(p, size);
    }
  } else {
    throw CalcError("Impossible d'écrire dans " + platform::fullPath(fileName.toStdString()) +
                    " : choisir un nom en .csv, .png ou .svg.");
  }
  try {
    platform::replaceFile(fileName.toStdString(),
                          std::string_view(content.constData(), std::size_t(content.size())));
  } catch (const platform::FileError&) {
    throw CalcError("Impossible d'écrire dans " + platform::fullPath(fileName.toStdString()));
  }
}

void askAndExport(const Plot& plot, QWidget* parent, const QString& initialName) {
  const QString name = dialogs().saveFileName(
      parent, {initialName, QStringLiteral("CSV (*.csv);;PNG (*.png);;SVG (*.svg)"), "csv"});
  if (!name.isEmpty()) plot.exportTo(name);
}

}  // namespace valvora::ui
