// Pictures of the main window's pages and the Atelier window's tabs, for review and for the
// README:
//   valvora_screenshots <output folder> [width height]...
// Run from the folder that holds data/ (scripts/screenshots does it under Xvfb).

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QTextStream>

#include "platform/numericlocale.h"
#include "ui/AboutUnit.h"
#include "ui/AtelierUnit.h"
#include "ui/DataSheetUnit.h"
#include "ui/Dialogs.h"
#include "ui/MainUnit.h"
#include "ui/PageControl.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  valvora::platform::keepDecimalPoint();
  valvora::ui::setApplicationTitle();
  const QStringList args = QApplication::arguments();
  if (args.size() < 2) {
    QTextStream(stderr) << "usage: valvora_screenshots <folder> [width height]...\n";
    return 2;
  }
  const QDir out(args[1]);
  QDir().mkpath(out.path());
  QList<QSize> sizes;
  for (int i = 2; i + 1 < args.size(); i += 2) sizes << QSize(args[i].toInt(), args[i + 1].toInt());
  if (sizes.isEmpty()) sizes << QSize(770, 600) << QSize(1280, 800);

  valvora::ui::TMainForm form(nullptr);
  form.setWindowState(Qt::WindowNoState);
  form.show();
  valvora::ui::PageControl* pages = form.pageControl();
  for (const QSize& size : sizes) {
    form.resize(size);
    for (int i = 0; i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      for (int k = 0; k < 5; ++k) QApplication::processEvents();
      const QString name = QStringLiteral("%1x%2-%3-%4.png")
                               .arg(size.width())
                               .arg(size.height())
                               .arg(i + 1, 2, 10, QChar('0'))
                               .arg(pages->page(i)->objectName());
      form.grab().save(out.filePath(name));
    }
  }
  pages->setCurrentIndex(0);

  // Each Atelier tab as it opens, at the window's own size.
  valvora::ui::TAtelierForm atelier;
  atelier.show();
  auto* tabs = atelier.findChild<valvora::ui::PageControl*>(QStringLiteral("pcAtelier"));
  for (int i = 0; i < tabs->count(); ++i) {
    tabs->setCurrentIndex(i);
    for (int k = 0; k < 5; ++k) QApplication::processEvents();
    atelier.grab().save(out.filePath(QStringLiteral("Atelier-%1-%2.png")
                                         .arg(i + 1, 2, 10, QChar('0'))
                                         .arg(tabs->page(i)->objectName())));
  }
  atelier.close();

  valvora::ui::TDataSheet dataSheet;
  dataSheet.show();
  for (int k = 0; k < 5; ++k) QApplication::processEvents();
  dataSheet.grab().save(out.filePath(QStringLiteral("DataSheet.png")));

  // The bias page's questions: saving the measurements, replacing a report.
  const struct {
    const char* file;
    const char* text;
    bool withCancel;
  } questions[] = {
      {"Confirmation.png", "Etes vous sur d'enregistrer les modifications ?", false},
      {"Confirmation-report.png", "Remplacer le fichier /home/atelier/report.html", true},
  };
  for (const auto& q : questions) {
    const auto box = valvora::ui::confirmationBox(QString::fromUtf8(q.text), q.withCancel);
    box->show();
    for (int k = 0; k < 5; ++k) QApplication::processEvents();
    box->grab().save(out.filePath(QString::fromUtf8(q.file)));
  }

  valvora::ui::TAboutBox about;
  about.show();
  for (int k = 0; k < 5; ++k) QApplication::processEvents();
  about.grab().save(out.filePath(QStringLiteral("AboutBox.png")));
  return 0;
}
