#pragma once

// Curves drawn with QPainter alone: Qt's chart modules are offered under the GPL only, which
// the program's licence does not allow.

#include <QColor>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <utility>
#include <vector>

#include "core/series.h"

class QPainter;

namespace valvora::ui {

enum class AxisScale { kLinear, kLog10 };
enum class YAxis { kLeft, kRight };

// One axis: its title with the unit ("Fréquence (Hz)"), its scale, and a fixed range or
// (autoRange) one widened from the curves to round tick values.
struct PlotAxis {
  QString title;
  AxisScale scale = AxisScale::kLinear;
  bool autoRange = true;
  double min = 0, max = 1;
  // Written after a log axis's tick labels ("Hz" gives "1 kHz", "20 Hz"); empty: "1k".
  QString logUnit = {};
};

// A curve with what the caller chooses for it: the colour stays the same from run to run
// because the caller gives it, and the axis it is read against.
struct PlotCurve {
  Series data;
  QColor colour;
  YAxis axis = YAxis::kLeft;
  Qt::PenStyle style = Qt::SolidLine;
  QString endLabel = {};  // written beside the curve's last point ("-1,5 V")
  // Drawn before the other curves, this much opaque (a current behind the voltages).
  bool under = false;
  double alpha = 1;
};

// Tick values of an axis from lo to hi. Linear: steps of 1, 2 or 5 times a power of ten, the
// smallest giving at most maxTicks ticks. Log: the decades; over less than about two
// decades the 2 and 5 of each decade too.
std::vector<double> linearTicks(double lo, double hi, int maxTicks);
double linearStep(double lo, double hi, int maxTicks);
std::vector<double> logTicks(double lo, double hi);
// The label of a tick, with the decimal comma: as many decimals as the step needs on a
// linear axis; on a log axis thousands as "k" ("2k", "10k").
QString tickLabel(double value, double step, AxisScale scale);
// The same with a log axis's unit: "1 kHz", "200 Hz", "1 MΩ".
QString tickLabel(double value, double step, AxisScale scale, const QString& logUnit);

// A tick of an axis as laid out: its pixel along the axis (x, or y from the top) and its
// label's box; a tick without a label (no room for it) keeps its grid line.
struct PlotTick {
  double value = 0;
  double at = 0;
  QString label;
  QRectF box;
};

// Where each part of a plot goes at a size, worked out before any painting so that every
// painter (the widget, an export, the printed sheet) draws the same and tests can check it.
struct PlotLayout {
  QSizeF size;
  QRectF area;  // the curves' frame
  bool right = false;
  AxisScale xScale = AxisScale::kLinear, leftScale = AxisScale::kLinear,
            rightScale = AxisScale::kLinear;
  double xLo = 0, xHi = 1, leftLo = 0, leftHi = 1, rightLo = 0, rightHi = 1;
  std::vector<PlotTick> xTicks, leftTicks, rightTicks;
  // The titles as written (elided past their room) and their boxes, upright for the
  // vertical ones.
  QString xTitle, leftTitle, rightTitle;
  QRectF xTitleBox, leftTitleBox, rightTitleBox;
  struct LegendEntry {
    QString name;
    QColor colour;
    QRectF box;   // the name's
    QLineF line;  // the colour's sample
  };
  std::vector<LegendEntry> legend;

  double xPixel(double v) const;
  double yPixel(double v, YAxis side) const;
};

class Plot : public QWidget {
 public:
  explicit Plot(QWidget* parent = nullptr);

  void setXAxis(const PlotAxis& axis);
  void setLeftAxis(const PlotAxis& axis);
  // The right axis is drawn only when set and some curve uses it.
  void setRightAxis(const PlotAxis& axis);

  void setCurves(std::vector<PlotCurve> curves);
  const std::vector<PlotCurve>& curves() const { return curves_; }
  // Keeps the current curves, drawn in grey under the next ones, for comparison.
  void holdCurrent();
  void clearHeld();
  int heldCount() const { return static_cast<int>(held_.size()); }
  // A point marked on the left axis with its text beside it, until cleared.
  void setMarker(double x, double y, const QString& text);
  void clearMarker();
  bool hasMarker() const { return marker_.shown; }

  // The hover box's lines at x: x, then each named curve's value there (interpolated
  // between its points), with the unit of its axis; a curve not spanning x is left out.
  QStringList readoutAt(double x) const;
  // The x range shown: the axis's own until a drag with the left button zooms in; a
  // double click restores it, and so does a new x axis.
  std::pair<double, double> visibleXRange() const;
  bool zoomed() const { return zoom_.on; }
  void resetZoom();
  // The curves as CSV (";" between columns, decimal comma, a header naming each column with
  // its unit), or the plot as PNG or SVG, by the name's extension; written whole or not at
  // all. Throws CalcError naming the file.
  void exportTo(const QString& fileName) const;
  QString csvText() const;

  // The layout at a size, with the widget's font.
  PlotLayout layoutAt(QSizeF size) const;
  // The plot at size into the painter's own coordinates, without the mouse's readout: what
  // an export or a printed page draws, as vectors on a vector device.
  void paintTo(QPainter& p, QSizeF size) const;

  QSize sizeHint() const override { return {700, 300}; }
  QSize minimumSizeHint() const override { return {320, 180}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  struct Range {
    double lo = 0, hi = 1;
  };
  Range rangeOf(const PlotAxis& axis, bool x, YAxis side, int lengthPx) const;
  bool rightUsed() const;
  QFont plotFont() const;
  void paintLayout(QPainter& p, const PlotLayout& layout, bool withHover) const;
  void paintGrid(QPainter& p, const PlotLayout& layout) const;
  void paintAxisTexts(QPainter& p, const PlotLayout& layout) const;
  void paintCurves(QPainter& p, const PlotLayout& layout) const;
  void paintMouse(QPainter& p, const PlotLayout& layout) const;
  void paintLegend(QPainter& p, const PlotLayout& layout) const;
  void ensureLayout() const;
  // The plot area and x range of the last layout, for the mouse's x.
  double xAt(double pixel) const;

  PlotAxis xAxis_, leftAxis_, rightAxis_;
  bool hasRight_ = false;
  std::vector<PlotCurve> curves_;
  std::vector<PlotCurve> held_;
  struct Marker {
    bool shown = false;
    double x = 0, y = 0;
    QString text;
  } marker_;
  struct Zoom {
    bool on = false;
    double lo = 0, hi = 1;
  } zoom_;
  // Filled by each paint: where the area lies and which x range it shows.
  mutable QRectF area_;
  mutable double xLo_ = 0, xHi_ = 1;
  bool hovering_ = false;
  double hoverPx_ = 0;
  bool dragging_ = false;
  double dragFrom_ = 0, dragTo_ = 0;  // pixels
};

// "Exporter…": asks the file's name (CSV, PNG or SVG) through the dialogs seam and writes
// the plot there; cancelled, nothing. Throws CalcError naming the file.
void askAndExport(const Plot& plot, QWidget* parent, const QString& initialName);

}  // namespace valvora::ui
