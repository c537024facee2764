// Start-up: one instance only, a splash while the windows are built, then the event loop.

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

#include "platform/atomicfile.h"
#include "platform/instancelock.h"
#include "platform/numericlocale.h"
#include "ui/AboutUnit.h"
#include "ui/AlimUnit.h"
#include "ui/DataSheetUnit.h"
#include "ui/Dialogs.h"
#include "ui/MainUnit.h"
#include "ui/SplashUnit.h"

int main(int argc, char* argv[]) {
  // Held until the process ends; the system drops it when the process dies. A second start
  // ends here, silently, before any window exists.
  static valvora::platform::InstanceLock instance("Nom de l application");
  if (!instance.acquired()) return 0;
  // Past a file-size limit (some shells and services set one) a save fails with its message
  // instead of ending the program.
  valvora::platform::ignoreFileSizeSignal();

  QApplication app(argc, argv);
  valvora::platform::keepDecimalPoint();
  // The desktop knows the program by these: the window class and the menu entry's name.
  QApplication::setApplicationName(QStringLiteral("valvora"));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.valvora"));
  QTranslator qtFrench;  // the standard dialogs' own texts in French
  if (qtFrench.load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtFrench);

  auto* splash = new valvora::ui::TSplashForm;  // freed when the main window first shows
  splash->show();
  splash->raise();
  QApplication::processEvents();
  splash->repaint();

  valvora::ui::setApplicationTitle();
  QApplication::setWindowIcon(valvora::ui::applicationIcon());

  // One reading of the settings file for both windows; a file that cannot be read is
  // reported once.
  const auto settings =
      std::make_shared<valvora::ui::SettingsAtStartUp>(valvora::platform::settingsFile());
  valvora::ui::TMainForm mainForm(nullptr, splash, settings);
  valvora::ui::TDataSheet dataSheet(nullptr, settings);  // shows the limits read at start-up
  valvora::ui::TAboutBox aboutBox;  // measures the machine once, here (half a second)
  valvora::ui::TAlimForm alimForm;
  mainForm.setDataSheet(&dataSheet);
  mainForm.setAboutBox(&aboutBox);
  mainForm.setAlimForm(&alimForm);
  mainForm.show();
  QApplication::exec();
  return 0;
}
