// Constructing and showing the main window (no splash): every page built, lists filled,
// pictures decoded and every calculator run once.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <memory>

#include "bench/silent_dialogs.h"
#include "platform/numericlocale.h"
#include "ui/AboutUnit.h"
#include "ui/AlimUnit.h"
#include "ui/AtelierUnit.h"
#include "ui/DataSheetUnit.h"
#include "ui/Dialogs.h"
#include "ui/MainUnit.h"

namespace {

void MainFormConstructAndShow(benchmark::State& state) {
  valvora::bench::SilentDialogs dialogs;
  const valvora::ui::ScopedDialogs installed(dialogs);
  for (auto _ : state) {
    auto form = std::make_unique<valvora::ui::TMainForm>(nullptr);
    form->show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(form.get());
    // Closing the window at the program's end is not part of the start-up.
    state.PauseTiming();
    form.reset();
    state.ResumeTiming();
  }
  if (!dialogs.errors.isEmpty()) state.SkipWithError(dialogs.errors.first().toUtf8().constData());
}
BENCHMARK(MainFormConstructAndShow)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Start-up as the program runs it, without the splash animation: the main window, the data
// sheet window, the About window (with the real half-second speed measurement) and the
// diagram window, then the first show. Our own share is this figure less the 510 ms of
// sleeps in the measurement.
void StartUpWindows(benchmark::State& state) {
  valvora::bench::SilentDialogs dialogs;
  const valvora::ui::ScopedDialogs installed(dialogs);
  for (auto _ : state) {
    valvora::ui::TMainForm form(nullptr);
    valvora::ui::TDataSheet dataSheet;
    valvora::ui::TAboutBox about;
    valvora::ui::TAlimForm alim;
    form.setDataSheet(&dataSheet);
    form.setAboutBox(&about);
    form.setAlimForm(&alim);
    form.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(&form);
  }
  if (!dialogs.errors.isEmpty()) state.SkipWithError(dialogs.errors.first().toUtf8().constData());
}
BENCHMARK(StartUpWindows)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The workshop window's first showing, as the first click on "Atelier" makes it.
void AtelierFirstShow(benchmark::State& state) {
  valvora::bench::SilentDialogs dialogs;
  const valvora::ui::ScopedDialogs installed(dialogs);
  for (auto _ : state) {
    auto window = std::make_unique<valvora::ui::TAtelierForm>(nullptr);
    window->show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(window.get());
    state.PauseTiming();
    window.reset();
    state.ResumeTiming();
  }
  if (!dialogs.errors.isEmpty()) state.SkipWithError(dialogs.errors.first().toUtf8().constData());
}
BENCHMARK(AtelierFirstShow)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The About window alone, with a measurement that does not wait: what it adds of its own.
void AboutBoxWithoutWaiting(benchmark::State& state) {
  const valvora::platform::CycleClock instant{[] { return std::uint64_t{0}; },
                                              [](std::chrono::milliseconds) {}};
  for (auto _ : state) {
    valvora::ui::TAboutBox about(nullptr, instant);
    benchmark::DoNotOptimize(&about);
  }
}
BENCHMARK(AboutBoxWithoutWaiting)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  valvora::platform::keepDecimalPoint();
  QDir::setCurrent(QStringLiteral(VALVORA_SOURCE_DIR));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
