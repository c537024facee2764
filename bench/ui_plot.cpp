// One redraw of the plotting widget at the size a tab gives it: a 300-point response on a
// log axis over three held curves.

#include <benchmark/benchmark.h>

#include <QImage>
#include <cmath>

#include "ui/Plot.h"

namespace {

void PlotRedraw(benchmark::State& state) {
  using namespace valvora::ui;
  Plot plot;
  plot.resize(700, 300);
  plot.setXAxis({"Fréquence (Hz)", AxisScale::kLog10, false, 10, 20000});
  plot.setLeftAxis({"Niveau (dB)", AxisScale::kLinear, true, 0, 0});
  valvora::Series s{"Réponse", {}, {}};
  for (int i = 0; i < 300; ++i) {
    const double f = 10 * std::pow(2000.0, i / 299.0);
    s.x.push_back(f);
    s.y.push_back(-20 + 10 * std::sin(std::log(f)));
  }
  for (int held = 0; held < 3; ++held) {
    plot.setCurves({PlotCurve{s, QColor(20, 60, 200), YAxis::kLeft}});
    plot.holdCurrent();
    for (double& y : s.y) y -= 3;
  }
  plot.setCurves({PlotCurve{s, QColor(20, 60, 200), YAxis::kLeft}});
  QImage image(plot.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    plot.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(PlotRedraw)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
