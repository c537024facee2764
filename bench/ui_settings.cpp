// The settings file at its largest (1 MiB, nearly all empty lines before the sections):
// "Charger" on the bias page, and the start-up's two readings (main window and data sheet
// window). peak_rss_MB is the process's peak; run one benchmark a process to compare it.

#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "bench/silent_dialogs.h"
#include "platform/numericlocale.h"
#include "ui/DataSheetUnit.h"
#include "ui/Dialogs.h"
#include "ui/MainUnit.h"

namespace {

// The shipped sections and one bias section after empty lines up to 1 MiB in all.
std::string largeSettings() {
  QFile shipped(QStringLiteral(VALVORA_SOURCE_DIR "/app/valvora.ini"));
  shipped.open(QIODevice::ReadOnly);
  const std::string tail = shipped.readAll().toStdString() +
                           "\n[6L6]\nAnode=235\nCathode=11,5\nGrille=233\nC9=242\nR19=70\n";
  return std::string((std::size_t{1} << 20) - tail.size(), '\n') + tail;
}

class LargeSettings {
 public:
  LargeSettings() : path_((dir_.path() + "/valvora.ini").toStdString()) {
    QFile file(QString::fromStdString(path_));
    file.open(QIODevice::WriteOnly);
    const std::string bytes = largeSettings();
    file.write(bytes.data(), qint64(bytes.size()));
  }
  const std::string& path() const { return path_; }

 private:
  QTemporaryDir dir_;
  std::string path_;
};

void reportPeakMemory(benchmark::State& state) {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
}

void LoadMeasurementsFromLargeFile(benchmark::State& state) {
  valvora::bench::SilentDialogs dialogs;
  const valvora::ui::ScopedDialogs installed(dialogs);
  const LargeSettings settings;
  valvora::ui::TMainForm form(nullptr, nullptr, settings.path());
  for (auto _ : state) form.loadIni();
  reportPeakMemory(state);
  if (!dialogs.errors.isEmpty()) state.SkipWithError(dialogs.errors.first().toUtf8().constData());
}
BENCHMARK(LoadMeasurementsFromLargeFile)->Unit(benchmark::kMillisecond)->Iterations(3);

// The two windows that read the file at start-up, with the large file (1) or the shipped
// one (0): the difference is what the file's size costs.
void StartUpReadings(benchmark::State& state) {
  valvora::bench::SilentDialogs dialogs;
  const valvora::ui::ScopedDialogs installed(dialogs);
  const LargeSettings large;
  const std::string path = state.range(0) ? large.path() : valvora::platform::settingsPath();
  for (auto _ : state) {
    valvora::ui::TMainForm form(nullptr, nullptr, path);
    valvora::ui::TDataSheet dataSheet(nullptr, path);
    benchmark::DoNotOptimize(&dataSheet);
  }
  reportPeakMemory(state);
  if (!dialogs.errors.isEmpty()) state.SkipWithError(dialogs.errors.first().toUtf8().constData());
}
BENCHMARK(StartUpReadings)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

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
