// The "Tonalité" tab: a knob moved by one step to its plot redrawn (recomputation of the
// curve, the figures and the notch, then the paint).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
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

// Switching between the Bassman and the Hiwatt circuit: controls shown and hidden, values
// restored, the curve recomputed and painted.
void ToneStackSwitchCircuit(benchmark::State& state) {
  valvora::ui::TAtelierForm form;
  form.show();
  valvora::ui::PageControl* pages = form.pageControl();
  for (int i = 0; i < pages->count(); ++i)
    if (pages->page(i)->objectName() == "tsTonalite") pages->setCurrentIndex(i);
  QApplication::processEvents();
  auto* circuits = form.findChild<QComboBox*>("cbTsCircuit");
  auto* plot = form.findChild<valvora::ui::Plot*>("plTsResponse");
  if (!circuits || !plot) {
    state.SkipWithError("no circuit list");
    return;
  }
  int step = 0;
  for (auto _ : state) {
    circuits->setCurrentText(++step % 2 ? "Hiwatt DR103" : "Bassman / Marshall (TMB)");
    plot->repaint();
  }
}
BENCHMARK(ToneStackSwitchCircuit)->Unit(benchmark::kMillisecond);

// A keystroke in the custom netlist to the redrawn plot.
void ToneStackNetlistKeystroke(benchmark::State& state) {
  valvora::ui::TAtelierForm form;
  form.show();
  valvora::ui::PageControl* pages = form.pageControl();
  for (int i = 0; i < pages->count(); ++i)
    if (pages->page(i)->objectName() == "tsTonalite") pages->setCurrentIndex(i);
  QApplication::processEvents();
  auto* circuits = form.findChild<QComboBox*>("cbTsCircuit");
  auto* netlist = form.findChild<QPlainTextEdit*>("edTsNetlist");
  auto* plot = form.findChild<valvora::ui::Plot*>("plTsResponse");
  if (!circuits || !netlist || !plot) {
    state.SkipWithError("no netlist");
    return;
  }
  circuits->setCurrentIndex(circuits->count() - 1);
  const QString text = netlist->toPlainText();
  int step = 0;
  for (auto _ : state) {
    netlist->setPlainText(QString(text).replace("56k", ++step % 2 ? "57k" : "56k"));
    plot->repaint();
  }
}
BENCHMARK(ToneStackNetlistKeystroke)->Unit(benchmark::kMillisecond);

}  // namespace
