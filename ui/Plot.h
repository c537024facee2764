#pragma once

// Curves drawn with QPainter alone: Qt's chart modules are offered under the GPL only, which
// the program's licence does not allow.

#include <QColor>
#include <QString>
#include <QWidget>
#include <vector>

#include "core/series.h"

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
};

// A curve with what the caller chooses for it: the colour stays the same from run to run
// because the caller gives it, and the axis it is read against.
struct PlotCurve {
  Series data;
  QColor colour;
  YAxis axis = YAxis::kLeft;
  Qt::PenStyle style = Qt::SolidLine;
  QString endLabel = {};  // written beside the curve's last point ("-1,5 V")
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

  QSize sizeHint() const override { return {700, 300}; }
  QSize minimumSizeHint() const override { return {320, 180}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Range {
    double lo = 0, hi = 1;
  };
  Range rangeOf(const PlotAxis& axis, bool x, YAxis side, int lengthPx) const;
  bool rightUsed() const;

  PlotAxis xAxis_, leftAxis_, rightAxis_;
  bool hasRight_ = false;
  std::vector<PlotCurve> curves_;
  std::vector<PlotCurve> held_;
  struct Marker {
    bool shown = false;
    double x = 0, y = 0;
    QString text;
  } marker_;
};

}  // namespace valvora::ui
