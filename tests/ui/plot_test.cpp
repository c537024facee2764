// The plotting widget: its tick rule, and held curves drawn and removed.

#include <QApplication>
#include <QImage>
#include <QTest>
#include <cmath>
#include <limits>
#include <vector>

#include "platform/numericlocale.h"
#include "ui/Plot.h"

using valvora::ui::AxisScale;
using valvora::ui::Plot;
using valvora::ui::PlotAxis;
using valvora::ui::PlotCurve;

namespace {

QString joined(const std::vector<double>& ticks, double step, AxisScale scale) {
  QStringList labels;
  for (double t : ticks) labels << valvora::ui::tickLabel(t, step, scale);
  return labels.join(' ');
}

int pixelsOf(const QImage& image, QColor colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == colour;
  return n;
}

}  // namespace

class PlotTest : public QObject {
  Q_OBJECT

 private slots:
  // Labels carry the values: "0,3" shows that 3 x 0,1 was not written 0,30000000000000004.
  void linearTicks_data() {
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<int>("maxTicks");
    QTest::addColumn<QString>("labels");
    QTest::newRow("1 step") << 0.0 << 10.0 << 11 << "0 1 2 3 4 5 6 7 8 9 10";
    QTest::newRow("2 step") << 0.0 << 10.0 << 6 << "0 2 4 6 8 10";
    QTest::newRow("5 step, negative") << -40.0 << 0.0 << 9 << "-40 -35 -30 -25 -20 -15 -10 -5 0";
    QTest::newRow("tenths") << 0.0 << 1.0 << 11 << "0,0 0,1 0,2 0,3 0,4 0,5 0,6 0,7 0,8 0,9 1,0";
    QTest::newRow("ends off the grid") << 0.13 << 0.87 << 4 << "0,2 0,4 0,6 0,8";
    QTest::newRow("across zero") << -3.3 << 7.1 << 6 << "-2 0 2 4 6";
    QTest::newRow("hundreds") << 250.0 << 480.0 << 6 << "250 300 350 400 450";
    QTest::newRow("thousandths") << 0.0 << 0.004 << 5 << "0,000 0,001 0,002 0,003 0,004";
    QTest::newRow("empty span") << 5.0 << 5.0 << 6 << "";
  }
  void linearTicks() {
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(int, maxTicks);
    QFETCH(QString, labels);
    const std::vector<double> ticks = valvora::ui::linearTicks(lo, hi, maxTicks);
    QVERIFY(int(ticks.size()) <= maxTicks);
    QCOMPARE(joined(ticks, valvora::ui::linearStep(lo, hi, maxTicks), AxisScale::kLinear), labels);
  }

  void logTicks_data() {
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<QString>("labels");
    QTest::newRow("audio band") << 10.0 << 20000.0 << "10 100 1k 10k";
    QTest::newRow("under two decades") << 20.0 << 1000.0 << "20 50 100 200 500 1k";
    QTest::newRow("below one") << 0.01 << 10.0 << "0,01 0,1 1 10";
    QTest::newRow("megohms") << 1e5 << 1e7 << "100k 200k 500k 1M 2M 5M 10M";
    QTest::newRow("no positive range") << 0.0 << 10.0 << "";
  }
  void logTicks() {
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(QString, labels);
    QCOMPARE(joined(valvora::ui::logTicks(lo, hi), 1, AxisScale::kLog10), labels);
  }

  // A curve with gaps and values a log axis cannot show is drawn, held curves appear in grey
  // under it and go with "clear".
  void heldCurvesInGrey() {
    Plot plot;
    plot.resize(700, 300);
    plot.setXAxis({"Fréquence (Hz)", AxisScale::kLog10, false, 10, 20000});
    plot.setLeftAxis({"Niveau (dB)", AxisScale::kLinear, false, -25, 10});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    valvora::Series s{"Réponse", {-1, 0, 10, 100, 150, 1000, 20000}, {5, 5, -20, -10, nan, -5, 0}};
    const QColor blue(20, 60, 200), grey(175, 175, 175);
    plot.setCurves({PlotCurve{s, blue, valvora::ui::YAxis::kLeft}});
    auto image = [&] {
      QImage i(plot.size(), QImage::Format_ARGB32);
      plot.render(&i);
      return i;
    };
    QVERIFY(pixelsOf(image(), blue) > 300);
    // Text edges hold a few greys of their own.
    const int greyBefore = pixelsOf(image(), grey);
    plot.holdCurrent();
    for (double& y : s.y) y += 5;
    plot.setCurves({PlotCurve{s, blue, valvora::ui::YAxis::kLeft}});
    QCOMPARE(plot.heldCount(), 1);
    QVERIFY(pixelsOf(image(), grey) > greyBefore + 150);
    plot.clearHeld();
    QCOMPARE(plot.heldCount(), 0);
    QCOMPARE(pixelsOf(image(), grey), greyBefore);
  }
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  valvora::platform::keepDecimalPoint();
  PlotTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "plot_test.moc"
