// The job sheet at its fullest: every tab filled (the supply simulated by the real ngspice),
// the head's fields at 200 characters, the notes at 10 000. Saving it, opening it, and
// printing it as a PDF. VALVORA_SHEET_PDF=<file> keeps the PDF, to look at.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>

#include "bench/silent_dialogs.h"
#include "platform/numericlocale.h"
#include "ui/AtelierUnit.h"
#include "ui/Dialogs.h"
#include "ui/PageControl.h"
#include "ui/Sheet.h"

namespace {

// The save dialog answers the name given, and replacing it is agreed.
class NamingDialogs : public valvora::bench::SilentDialogs {
 public:
  QString saveFileName(QWidget*, const SaveRequest&) override { return name; }
  Answer confirmOrCancel(QWidget*, const QString&) override { return Answer::kOui; }
  QString name;
};

// Each tab changed and computed; false when the supply's run did not write its fields.
bool fillWholeSheet(valvora::ui::TAtelierForm& form) {
  const auto* pages = form.pageControl();
  for (const char* field : {"edFiAmp", "edFiSerie", "edFiClient"})
    form.findChild<QLineEdit*>(field)->setText(QString::fromUtf8(field) +
                                               QString(194, QChar(0x436)));
  QString notes;
  while (notes.size() < 10000) notes += QStringLiteral("Remplacé C12 par 47 µF 500 V ; ");
  form.findChild<QPlainTextEdit*>("edFiNotes")->setPlainText(notes.left(10000));
  const std::pair<const char*, const char*> readings[] = {
      {"edAsM1", "38,5"}, {"edAsM2", "41,2"}, {"edAsM3", "39,9"}, {"edAsM4", "40,3"}};
  for (const auto& [field, value] : readings)
    form.findChild<QLineEdit*>(field)->setText(QString::fromUtf8(value));
  for (int i = 1; i < pages->count(); ++i) {
    QWidget* page = pages->page(i);
    if (auto* slider = page->findChild<QSlider*>()) slider->setValue(slider->value() / 2 + 7);
    for (QComboBox* list : page->findChildren<QComboBox*>())
      if (!list->isEditable() && list->isEnabled() && list->count() > 1 &&
          page->objectName() == "tsEtages") {
        list->setCurrentIndex((list->currentIndex() + 1) % list->count());
        break;
      }
    for (QPushButton* button : page->findChildren<QPushButton*>()) {
      const QString name = button->objectName();
      if (name.startsWith("btn") && !name.contains("Stop") && !name.contains("Export") &&
          name != "btnPsRun" && button->isEnabled())
        button->click();
    }
  }
  auto* run = form.findChild<QPushButton*>("btnPsRun");
  auto* v1 = form.findChild<QLineEdit*>("edPsV1");
  run->click();
  while (!run->isEnabled()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return !v1->text().isEmpty();
}

struct FullSheet {
  NamingDialogs dialogs;
  valvora::ui::ScopedDialogs installed{dialogs};
  QTemporaryDir dir;
  QString file = dir.filePath("fiche.vfiche");
  valvora::ui::TAtelierForm form;
  bool filled = false;
  FullSheet() {
    form.show();
    filled = fillWholeSheet(form);
    dialogs.name = file;
    form.sheet().saveAs();
  }
  bool failed(benchmark::State& state) {
    if (!filled) state.SkipWithError("the supply's run wrote no figures");
    if (!dialogs.errors.isEmpty()) state.SkipWithError(dialogs.errors.first().toUtf8().constData());
    return !filled || !dialogs.errors.isEmpty();
  }
};

void SaveFullSheet(benchmark::State& state) {
  FullSheet sheet;
  for (auto _ : state) sheet.form.sheet().save();
  state.counters["bytes"] = double(QFile(sheet.file).size());
  sheet.failed(state);
}
BENCHMARK(SaveFullSheet)->Unit(benchmark::kMillisecond);

void OpenFullSheet(benchmark::State& state) {
  FullSheet sheet;
  for (auto _ : state) sheet.form.sheet().openFile(sheet.file);
  sheet.failed(state);
}
BENCHMARK(OpenFullSheet)->Unit(benchmark::kMillisecond);

void PrintFullSheet(benchmark::State& state) {
  FullSheet sheet;
  const QString kept = qEnvironmentVariable("VALVORA_SHEET_PDF");
  sheet.dialogs.name = kept.isEmpty() ? sheet.dir.filePath("fiche.pdf") : kept;
  for (auto _ : state) sheet.form.sheet().pdf();
  state.counters["bytes"] = double(QFile(sheet.dialogs.name).size());
  sheet.failed(state);
}
BENCHMARK(PrintFullSheet)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  valvora::platform::keepDecimalPoint();
  QDir::setCurrent(QStringLiteral(VALVORA_SOURCE_DIR));
  const QTemporaryDir config;  // the recent sheets' list, not the user's
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
