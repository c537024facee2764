// The "Tonalité" tab: a knob moved by one step to its plot redrawn (recomputation of the
// curve, the figures and the notch, then the paint).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QSlider>

#include "ui/AtelierUnit.h"
#include "ui/PageControl.h"
#include "ui/Plot.h"

namespace {

void ToneStackKnobToRedrawnPlot(benchmark::State& state) {
  valvora::ui::TAtelierForm form;
  form.show();
  valvora::ui::PageControl* pages = form.pageControl();
  for (int i = 0; i < pages->count(); ++i)
    if (pages->page(i)->objectName() == "tsTonalite") pages->setCurrentIndex(i);
  QApplication::processEvents();
  auto* knob = form.findChild<QSlider*>("dlTsTreble");
  auto* plot = form.findChild<valvora::ui::Plot*>("plTsResponse");
  if (!knob || !plot || !plot->isVisible()) {
    state.SkipWithError("no tone stack tab");
    return;
  }
  int step = 0;
  for (auto _ : state) {
    knob->setValue(40 + (++step % 20));
    plot->repaint();
  }
}
BENCHMARK(ToneStackKnobToRedrawnPlot)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
