// The supply tab with the real ngspice: the default simulation from the click on "Simuler"
// to the fields written and the plot set, then one redraw of its plot at the window's
// default size, over the whole run and zoomed on the steady state.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>

#include "bench/silent_dialogs.h"
#include "ui/AtelierUnit.h"
#include "ui/Dialogs.h"
#include "ui/PageControl.h"
#include "ui/Plot.h"

namespace {

using valvora::bench::SilentDialogs;

// Clicks "Simuler" and turns the event loop until the run has written its fields.
bool simulate(valvora::ui::TAtelierForm& form) {
  auto* run = form.findChild<QPushButton*>("btnPsRun");
  auto* v1 = form.findChild<QLineEdit*>("edPsV1");
  v1->clear();
  run->click();
  while (!run->isEnabled() || v1->text().isEmpty()) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (run->isEnabled() && v1->text().isEmpty()) return false;  // failed or halted
  }
  return true;
}

void SupplyClickToFields(benchmark::State& state) {
  SilentDialogs dialogs;
  const valvora::ui::ScopedDialogs installed(dialogs);
  valvora::ui::TAtelierForm form;
  form.show();
  form.pageControl()->setCurrentIndex(1);
  QApplication::processEvents();
  for (auto _ : state) {
    if (!simulate(form)) {
      state.SkipWithError(dialogs.errors.value(0, "no result").toUtf8().constData());
      break;
    }
  }
  state.SetLabel(("V1 " + form.findChild<QLineEdit*>("edPsV1")->text()).toStdString());
}
BENCHMARK(SupplyClickToFields)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(3);

void SupplyPlotRedraw(benchmark::State& state) {
  SilentDialogs dialogs;
  const valvora::ui::ScopedDialogs installed(dialogs);
  valvora::ui::TAtelierForm form;
  form.show();
  form.pageControl()->setCurrentIndex(1);
  if (!simulate(form)) {
    state.SkipWithError("no result");
    return;
  }
  form.findChild<QCheckBox*>("chkPsZoom")->setChecked(state.range(0) != 0);
  auto* plot = form.findChild<valvora::ui::Plot*>("plPs");
  QImage image(plot->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    plot->render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetLabel(std::to_string(plot->width()) + " x " + std::to_string(plot->height()));
}
BENCHMARK(SupplyPlotRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
