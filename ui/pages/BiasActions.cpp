#include "ui/pages/BiasActions.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <ctime>
#include <vector>

#include "core/biasreport.h"
#include "platform/atomicfile.h"
#include "platform/profile.h"
#include "platform/session.h"
#include "platform/writefile.h"
#include "ui/Dialogs.h"

namespace valvora::ui::pages {

void saveMeasurements(const Fields& page, const platform::ProfileFile& settingsFile) {
  std::vector<platform::ProfileFile::Entry> entries;
  for (const MeasurementKey& k : measurementKeys())
    entries.push_back({k.section, k.key, page.text(k.field)});
  settingsFile.write(entries);
}

void loadMeasurements(Fields& page, const platform::ProfileSnapshot& settings) {
  for (const MeasurementKey& k : measurementKeys())
    page.write(k.field, settings.read(k.section, k.key));
}

BiasReport::BiasReport(QWidget* page)
    : button_(page->findChild<QPushButton*>("btnHTML")),
      info_(page->findChild<QLabel*>("lbInfo")) {}

void BiasReport::run(const std::function<void()>& computeBias, const BiasRecords& records) {
  // Restored on every way out, a failure or an unexpected exception included.
  struct Busy {
    QPushButton* button;
    QLabel* info;
    Busy(QPushButton* b, QLabel* i) : button(b), info(i) {
      button->setEnabled(false);
      info->show();
    }
    ~Busy() {
      info->hide();
      button->setEnabled(true);
    }
  } busy(button_, info_);
  guarded(button_, [&] { write(computeBias, records); });
}

void BiasReport::write(const std::function<void()>& computeBias, const BiasRecords& records) {
  computeBias();
  const std::string user = platform::logonUserName();
  const QString name = dialogs().saveFileName(
      button_, {lastName_, QStringLiteral("Fichiers HTML (*.html, *.htm) (*.html)"),
                QStringLiteral("html")});
  if (name.isEmpty()) return;
  lastName_ = name;
  const std::string path = QFile::encodeName(name).toStdString();
  if (platform::regularFileExists(path) &&
      dialogs().confirmOrCancel(button_, QStringLiteral("Remplacer le fichier %1").arg(name)) !=
          Dialogs::Answer::kOui)
    return;
  // One reading of the clock, so that the date and the time are of the same moment.
  const std::time_t now = std::time(nullptr);
  const ReportStamp stamp{clock_.date(now), clock_.time(now), user};
  platform::replaceFile(path,
                        platform::toWindows1252(biasReportText(records, kApplicationTitle, stamp)));
  dialogs().openDocument(name);
}

}  // namespace valvora::ui::pages
