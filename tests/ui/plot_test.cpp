// The plotting widget: its tick rule, held curves drawn and removed, the hover readout, the
// zoom by dragging, and the export.

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>
#include <vector>

#include "core/failure.h"
#include "core/numtext.h"
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

// Two curves on different x grids: a node on the left axis, a current on the right one.
void setSupplyLike(Plot& plot) {
  plot.resize(700, 300);
  plot.setXAxis({"Temps (s)"});
  plot.setLeftAxis({"Tension (V)"});
  plot.setRightAxis({"Courant redresseur (mA)"});
  plot.setCurves({PlotCurve{{"Nœud 1", {0, 1, 2, 4}, {0, 100, 300, 300}}, Qt::red},
                  PlotCurve{{"Courant", {0, 3}, {0, 60}},
                            Qt::blue,
                            valvora::ui::YAxis::kRight,
                            Qt::SolidLine,
                            {},
                            true,
                            0.4},
                  PlotCurve{{"", {0, 4}, {1, 1}}, Qt::green}});
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

  void logTicksWithUnit_data() {
    QTest::addColumn<double>("lo");
    QTest::addColumn<double>("hi");
    QTest::addColumn<QString>("labels");
    QTest::newRow("audio band") << 10.0 << 20000.0 << "10 Hz|100 Hz|1 kHz|10 kHz";
    QTest::newRow("up to megahertz") << 1e5 << 1e6 << "100 kHz|200 kHz|500 kHz|1 MHz";
  }
  void logTicksWithUnit() {
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(QString, labels);
    QStringList shown;
    for (double t : valvora::ui::logTicks(lo, hi))
      shown << valvora::ui::tickLabel(t, 1, AxisScale::kLog10, "Hz");
    QCOMPARE(shown.join('|'), labels);
  }

  // Each named curve read between its points, in its own axis's unit; a curve that ends
  // before x, and the unnamed one, are left out.
  void readout_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("lines");
    QTest::newRow("on a point") << 1.0 << "Temps : 1,000 s|Nœud 1 : 100,0 V|Courant : 20,00 mA";
    QTest::newRow("between points") << 1.5 << "Temps : 1,500 s|Nœud 1 : 200,0 V|Courant : 30,00 mA";
    QTest::newRow("past one curve") << 3.5 << "Temps : 3,500 s|Nœud 1 : 300,0 V";
    QTest::newRow("before all") << -1.0 << "Temps : -1,000 s";
  }
  void readout() {
    QFETCH(double, x);
    QFETCH(QString, lines);
    Plot plot;
    setSupplyLike(plot);
    QCOMPARE(plot.readoutAt(x).join('|'), lines);
  }

  // A drag narrows the x range to the pixels dragged over, a double click brings the axis's
  // own back; a click without a drag keeps it.
  void dragZoomsDoubleClickRestores() {
    Plot plot;
    setSupplyLike(plot);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    const auto whole = plot.visibleXRange();
    QTest::mouseClick(&plot, Qt::LeftButton, {}, QPoint(300, 150));
    QCOMPARE(plot.visibleXRange(), whole);
    // Later than a double click would be.
    const int later = QApplication::doubleClickInterval() + 100;
    QTest::mousePress(&plot, Qt::LeftButton, {}, QPoint(250, 150), later);
    QTest::mouseRelease(&plot, Qt::LeftButton, {}, QPoint(450, 150));
    const auto zoomed = plot.visibleXRange();
    QVERIFY(plot.zoomed());
    QVERIFY(zoomed.first > whole.first && zoomed.second < whole.second);
    QVERIFY(zoomed.second - zoomed.first < (whole.second - whole.first) / 2);
    QTest::mouseDClick(&plot, Qt::LeftButton, {}, QPoint(300, 150));
    QVERIFY(!plot.zoomed());
    QCOMPARE(plot.visibleXRange(), whole);
  }

  // The CSV read back gives the curves' own numbers: a header with the units, ";" between
  // columns, decimal commas, and the second curve read on the first one's x.
  void csvReadBack() {
    Plot plot;
    setSupplyLike(plot);
    QTemporaryDir dir;
    const QString name = dir.filePath("courbes.csv");
    plot.exportTo(name);
    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), "Temps (s);Nœud 1 (V);Courant (mA)");
    const valvora::Series& node = plot.curves()[0].data;
    QCOMPARE(lines.size(), int(node.x.size()) + 1);
    for (std::size_t i = 0; i < node.x.size(); ++i) {
      const QStringList cells = lines[int(i) + 1].split(';');
      QCOMPARE(cells.size(), 3);
      QCOMPARE(valvora::readReal(cells[0].toStdString()), node.x[i]);
      QCOMPARE(valvora::readReal(cells[1].toStdString()), node.y[i]);
    }
    QCOMPARE(lines[2], "1;100;20");
    QCOMPARE(lines[4], "4;300;");  // the current ends at 3 s
  }

  // PNG and SVG chosen by the extension; another one, or a folder that cannot be written,
  // leaves no file and names it in the message.
  void imagesAndFailures() {
    Plot plot;
    setSupplyLike(plot);
    QTemporaryDir dir;
    for (const char* name : {"courbes.png", "courbes.svg"}) {
      plot.exportTo(dir.filePath(name));
      QVERIFY2(QFileInfo(dir.filePath(name)).size() > 1000, name);
    }
    QFile svg(dir.filePath("courbes.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QVERIFY(svg.readAll().contains("<svg"));
    QVERIFY(!QImage(dir.filePath("courbes.png")).isNull());
    for (const QString& bad : {dir.filePath("courbes.txt"), dir.filePath("absent/courbes.csv")}) {
      try {
        plot.exportTo(bad);
        QFAIL("no failure");
      } catch (const valvora::CalcError& e) {
        QVERIFY2(QString::fromStdString(e.message()).contains("courbes."), e.what());
      }
      QVERIFY(!QFileInfo::exists(bad));
    }
  }

  // At every size the layout keeps the curves' area, each label and each title inside the
  // widget, whole, and no two texts on each other; each axis keeps two labels at least.
  void layoutFits_data() {
    QTest::addColumn<int>("kind");  // 0 supply-like, two axes; 1 log, decades; 2 log, halves
    QTest::addColumn<QSize>("size");
    for (int kind : {0, 1, 2})
      for (QSize size :
           {QSize(320, 180), QSize(460, 220), QSize(700, 300), QSize(1900, 180), QSize(320, 800)})
        QTest::addRow("%d, %dx%d", kind, size.width(), size.height()) << kind << size;
  }
  void layoutFits() {
    QFETCH(int, kind);
    QFETCH(QSize, size);
    Plot plot;
    if (kind == 0) {
      setSupplyLike(plot);
    } else {
      PlotAxis x{"Fréquence (Hz)", AxisScale::kLog10, false, 10, kind == 1 ? 20000.0 : 900.0};
      x.logUnit = "Hz";
      plot.setXAxis(x);
      plot.setLeftAxis({"Niveau (dB)"});
      plot.setCurves({PlotCurve{{"Réponse", {10, 100, 900}, {-31.5, -12.25, 0.5}}, Qt::blue}});
    }
    const valvora::ui::PlotLayout l = plot.layoutAt(size);
    const QRectF whole(QPointF(0, 0), QSizeF(size));
    QVERIFY(whole.contains(l.area));
    QList<std::pair<QString, QRectF>> texts{{l.xTitle, l.xTitleBox}, {l.leftTitle, l.leftTitleBox}};
    QCOMPARE(l.xTitle, plot.layoutAt(QSize(700, 300)).xTitle);
    QCOMPARE(l.leftTitle, QString(kind == 0 ? "Tension (V)" : "Niveau (dB)"));
    if (kind == 0) {
      QCOMPARE(l.rightTitle, QString("Courant redresseur (mA)"));
      texts.append({l.rightTitle, l.rightTitleBox});
    }
    for (const auto* ticks : {&l.xTicks, &l.leftTicks, &l.rightTicks}) {
      int labelled = 0;
      for (const valvora::ui::PlotTick& t : *ticks)
        if (!t.label.isEmpty()) {
          texts.append({t.label, t.box});
          ++labelled;
        }
      QVERIFY(ticks->empty() || labelled >= 2);
    }
    for (qsizetype i = 0; i < texts.size(); ++i) {
      QVERIFY2(whole.contains(texts[i].second), qPrintable(texts[i].first));
      for (qsizetype j = i + 1; j < texts.size(); ++j)
        QVERIFY2(!texts[i].second.intersects(texts[j].second),
                 qPrintable(texts[i].first + " / " + texts[j].first));
    }
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
