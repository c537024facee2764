#include "ui/Plot.h"

#include <QBuffer>
#include <QFontMetrics>
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

void Plot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  paintOn(p, width(), height(), true);
}

void Plot::paintOn(QPainter& p, int width, int height, bool withHover) const {
  p.fillRect(QRect(0, 0, width, height), Qt::white);
  const QFontMetrics fm(font());
  const int lh = fm.height();
  const bool right = rightUsed();

  // Legend row on top, tick labels and the x title below.
  const int top = lh + 10;
  const int bottom = 2 * lh + 10;
  const int plotH = std::max(20, height - top - bottom);

  struct YSide {
    const PlotAxis* axis;
    Range range;
    std::vector<double> ticks;
    double step = 1;
    QStringList labels;
    int labelWidth = 0;
  };
  auto makeSide = [&](const PlotAxis& axis, YAxis side) {
    YSide s{&axis, rangeOf(axis, false, side, plotH), {}, 1, {}, 0};
    if (axis.scale == AxisScale::kLog10) {
      s.ticks = logTicks(s.range.lo, s.range.hi);
    } else {
      const int maxTicks = std::max(2, plotH / 28);
      s.ticks = linearTicks(s.range.lo, s.range.hi, maxTicks);
      s.step = linearStep(s.range.lo, s.range.hi, maxTicks);
    }
    for (double t : s.ticks) {
      s.labels << tickLabel(t, s.step, axis.scale, axis.logUnit);
      s.labelWidth = std::max(s.labelWidth, fm.horizontalAdvance(s.labels.back()));
    }
    return s;
  };
  const YSide leftSide = makeSide(leftAxis_, YAxis::kLeft);
  const YSide rightSide = right ? makeSide(rightAxis_, YAxis::kRight) : YSide{};

  const int left = lh + leftSide.labelWidth + 12;
  const int rightMargin =
      right ? lh + rightSide.labelWidth + 12 : fm.horizontalAdvance("20k") / 2 + 8;
  const QRectF area(left, top, std::max(20, width - left - rightMargin), plotH);

  const Range xr = zoom_.on ? Range{zoom_.lo, zoom_.hi}
                            : rangeOf(xAxis_, true, YAxis::kLeft, static_cast<int>(area.width()));
  area_ = area;
  xLo_ = xr.lo;
  xHi_ = xr.hi;
  const bool xLog = xAxis_.scale == AxisScale::kLog10;
  auto toUnit = [](double v, Range r, bool log) {
    return log ? (std::log10(v) - std::log10(r.lo)) / (std::log10(r.hi) - std::log10(r.lo))
               : (v - r.lo) / (r.hi - r.lo);
  };
  auto px = [&](double v) { return area.left() + toUnit(v, xr, xLog) * area.width(); };
  auto py = [&](double v, const YSide& s) {
    const double u = toUnit(v, s.range, s.axis->scale == AxisScale::kLog10);
    return area.bottom() - std::clamp(u, -100.0, 100.0) * area.height();
  };

  // Grid: the minor lines of a log axis, then the ticks' lines.
  p.setPen(QPen(kMinorGridColour, 1));
  auto minorLog = [&](Range r, auto draw) {
    for (int e = static_cast<int>(std::floor(std::log10(r.lo))); scaled(1, e) <= r.hi; ++e)
      for (int m = 2; m <= 9; ++m) {
        const double v = scaled(m, e);
        if (v > r.lo && v < r.hi) draw(v);
      }
  };
  if (xLog)
    minorLog(xr, [&](double v) {
      p.drawLine(QPointF(px(v), area.top()), QPointF(px(v), area.bottom()));
    });
  if (leftAxis_.scale == AxisScale::kLog10)
    minorLog(leftSide.range, [&](double v) {
      p.drawLine(QPointF(area.left(), py(v, leftSide)), QPointF(area.right(), py(v, leftSide)));
    });

  std::vector<double> xTicks;
  double xStep = 1;
  if (xLog) {
    xTicks = logTicks(xr.lo, xr.hi);
  } else {
    const int maxTicks = std::max(2, static_cast<int>(area.width()) / 70);
    xTicks = linearTicks(xr.lo, xr.hi, maxTicks);
    xStep = linearStep(xr.lo, xr.hi, maxTicks);
  }
  p.setPen(QPen(kGridColour, 1));
  for (double t : xTicks) p.drawLine(QPointF(px(t), area.top()), QPointF(px(t), area.bottom()));
  for (double t : leftSide.ticks)
    p.drawLine(QPointF(area.left(), py(t, leftSide)), QPointF(area.right(), py(t, leftSide)));

  // Labels.
  p.setPen(kTextColour);
  for (double t : xTicks) {
    const QString label = tickLabel(t, xStep, xAxis_.scale, xAxis_.logUnit);
    const double w = fm.horizontalAdvance(label);
    p.drawText(QPointF(px(t) - w / 2, area.bottom() + 4 + fm.ascent()), label);
  }
  auto yLabels = [&](const YSide& s, bool onLeft) {
    for (std::size_t i = 0; i < s.ticks.size(); ++i) {
      const double y = py(s.ticks[i], s) + fm.ascent() / 2.0 - 1;
      const double w = fm.horizontalAdvance(s.labels[int(i)]);
      p.drawText(QPointF(onLeft ? area.left() - 5 - w : area.right() + 5, y), s.labels[int(i)]);
    }
  };
  yLabels(leftSide, true);
  if (right) yLabels(rightSide, false);

  p.drawText(QRectF(area.left(), height - lh - 3, area.width(), lh), Qt::AlignCenter, xAxis_.title);
  auto verticalTitle = [&](const QString& title, double x, double angle) {
    p.save();
    p.translate(x, area.center().y());
    p.rotate(angle);
    p.drawText(QRectF(-area.height() / 2, -lh / 2.0, area.height(), lh), Qt::AlignCenter, title);
    p.restore();
  };
  verticalTitle(leftAxis_.title, 3 + lh / 2.0, -90);
  if (right) verticalTitle(rightAxis_.title, width - 3 - lh / 2.0, 90);

  // Curves, clipped to the area: held ones first, in grey.
  p.save();
  p.setClipRect(area.adjusted(-1, -1, 1, 1));
  p.setRenderHint(QPainter::Antialiasing);
  auto drawCurve = [&](const PlotCurve& c, const QColor& colour, double penWidth) {
    const YSide& s = c.axis == YAxis::kRight && right ? rightSide : leftSide;
    p.setPen(QPen(colour, penWidth, c.style, Qt::RoundCap, Qt::RoundJoin));
    QPolygonF line;
    const std::size_t n = std::min(c.data.x.size(), c.data.y.size());
    line.reserve(static_cast<qsizetype>(n));
    for (std::size_t i = 0; i < n; ++i) {
      const double xv = c.data.x[i], yv = c.data.y[i];
      if (usable(xv, xAxis_.scale) && usable(yv, s.axis->scale)) {
        line << QPointF(px(xv), py(yv, s));
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
    const YSide& s = c.axis == YAxis::kRight && right ? rightSide : leftSide;
    const double xv = c.data.x[n - 1], yv = c.data.y[n - 1];
    if (!usable(xv, xAxis_.scale) || !usable(yv, s.axis->scale)) continue;
    const double w = fm.horizontalAdvance(c.endLabel);
    p.setPen(c.colour);
    p.drawText(QPointF(std::min(px(xv), area.right() - 2) - w - 2,
                       std::max(py(yv, s) - 3, area.top() + fm.ascent())),
               c.endLabel);
  }
  if (marker_.shown && usable(marker_.x, xAxis_.scale) && usable(marker_.y, leftSide.axis->scale)) {
    const QPointF at(px(marker_.x), py(marker_.y, leftSide));
    p.setPen(QPen(kTextColour, 1.5));
    p.setBrush(Qt::white);
    p.drawEllipse(at, 4, 4);
    p.setBrush(Qt::NoBrush);
    const double w = fm.horizontalAdvance(marker_.text);
    const double tx = at.x() + 8 + w > area.right() ? at.x() - 8 - w : at.x() + 8;
    p.drawText(QPointF(tx, at.y() - 6), marker_.text);
  }
  p.restore();

  p.setPen(QPen(kFrameColour, 1));
  p.drawRect(area);

  if (dragging_ && withHover) {
    const double a = std::clamp(std::min(dragFrom_, dragTo_), area.left(), area.right());
    const double b = std::clamp(std::max(dragFrom_, dragTo_), area.left(), area.right());
    p.fillRect(QRectF(a, area.top(), b - a, area.height()), QColor(60, 110, 220, 50));
  }
  if (hovering_ && withHover && hoverPx_ >= area.left() && hoverPx_ <= area.right()) {
    p.setPen(QPen(kFrameColour, 1, Qt::DashLine));
    p.drawLine(QPointF(hoverPx_, area.top()), QPointF(hoverPx_, area.bottom()));
    const QStringList lines = readoutAt(xAt(hoverPx_));
    int w = 0;
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

  // Legend, right-aligned above the area.
  struct Entry {
    QString name;
    QColor colour;
  };
  std::vector<Entry> entries;
  for (const PlotCurve& c : curves_)
    if (!c.data.name.empty())
      entries.push_back({QString::fromStdString(c.data.name), shownColour(c)});
  if (!held_.empty()) entries.push_back({kHeldLegend, kHeldColour});
  double x = area.right();
  const double y = top / 2.0;
  p.setRenderHint(QPainter::Antialiasing);
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    const double w = fm.horizontalAdvance(it->name);
    x -= w;
    p.setPen(kTextColour);
    p.drawText(QPointF(x, y + fm.ascent() / 2.0 - 1), it->name);
    p.setPen(QPen(it->colour, 2.5));
    p.drawLine(QPointF(x - 26, y), QPointF(x - 6, y));
    x -= 26 + 14;
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
  QImage scratch(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
  QPainter p(&scratch);
  paintOn(p, scratch.width(), scratch.height(), false);
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
        paintOn(p, size.width(), size.height(), false);
      }
      image.save(&buffer, "PNG");
    } else {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(size);
      svg.setViewBox(QRect(QPoint(0, 0), size));
      QPainter p(&svg);
      paintOn(p, size.width(), size.height(), false);
    }
  } else {
    throw CalcError("Impossible d'écrire dans " + platform::fullPath(fileName.toStdString()) +
                    " : choisir un nom en .csv, .png ou .svg.");
  }
  area_ = {};  // laid out at the file's size: the next mouse event lays out the widget again
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
