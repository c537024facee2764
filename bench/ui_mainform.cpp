// Constructing and showing the main window (no splash): every page built, lists filled,
// pictures decoded and every calculator run once.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>

#include "ui/Dialogs.h"
#include "ui/MainUnit.h"

namespace {

class SilentDialogs : public valvora::ui::Dialogs {
 public:
  void error(const QString&, const QString& text) override { errors << text; }
  void openDocument(const QString&) override {}
  QStringList errors;
};

void MainFormConstructAndShow(benchmark::State& state) {
  SilentDialogs dialogs;
  valvora::ui::installDialogs(&dialogs);
  for (auto _ : state) {
    valvora::ui::TMainForm form(nullptr);
    form.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(&form);
  }
  valvora::ui::installDialogs(nullptr);
  if (!dialogs.errors.isEmpty()) state.SkipWithError(dialogs.errors.first().toUtf8().constData());
}
BENCHMARK(MainFormConstructAndShow)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QDir::setCurrent(QStringLiteral(VALVORA_SOURCE_DIR));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
