// The "Étages à lampes" tab: a field changed to its plate curves redrawn (operating points,
// figures, curves, then the paint): within a frame, 16 ms.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>

#include "ui/AtelierUnit.h"
#include "ui/PageControl.h"
#include "ui/Plot.h"

namespace {

void StagesFieldToRedrawnPlot(benchmark::State& state) {
  valvora::ui::TAtelierForm form;
  form.show();
  valvora::ui::PageControl* pages = form.pageControl();
  for (int i = 0; i < pages->count(); ++i)
    if (pages->page(i)->objectName() == "tsEtages") pages->setCurrentIndex(i);
  QApplication::processEvents();
  auto* rk = form.findChild<QLineEdit*>("edEtRk");
  auto* plot = form.findChild<valvora::ui::Plot*>("plEt");
  if (!rk || !plot || !plot->isVisible()) {
    state.SkipWithError("no stages tab");
    return;
  }
  int step = 0;
  for (auto _ : state) {
    rk->setText(QString::number(1000 + 100 * (++step % 20)));
    plot->repaint();
  }
}
BENCHMARK(StagesFieldToRedrawnPlot)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
