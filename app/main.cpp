// Start-up: one instance only, a splash while the windows are built, then the event loop. A
// job sheet named on the command line opens in the workshop window; a second start hands its
// sheet to the running copy through a local socket beside the lock.

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "platform/atomicfile.h"
#include "platform/instancelock.h"
#include "platform/numericlocale.h"
#include "ui/AboutUnit.h"
#include "ui/AlimUnit.h"
#include "ui/DataSheetUnit.h"
#include "ui/Dialogs.h"
#include "ui/MainUnit.h"
#include "ui/SplashUnit.h"

namespace {

// A path handed over is at most this long; a peer sending more is cut off.
constexpr qint64 kLongestPath = 4096;
constexpr int kHandOverWaitMs = 3000;

// The socket beside the lock file, named after it: the lock's folder is private to the user.
QString socketName(const valvora::platform::InstanceLock& lock) {
  std::string path = lock.path();
  if (path.empty()) return {};
  const std::string suffix = ".lock";
  if (path.size() > suffix.size() &&
      path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0)
    path.resize(path.size() - suffix.size());
  return QFile::decodeName(QByteArray::fromStdString(path + ".socket"));
}

// The second start's side: the path, then a line break, to the running copy.
bool handOver(const QString& socket, const QString& sheet) {
  if (socket.isEmpty()) return false;
  QLocalSocket peer;
  peer.connectToServer(socket);
  if (!peer.waitForConnected(kHandOverWaitMs)) return false;
  const QByteArray message = QFile::encodeName(sheet) + '\n';
  if (message.size() > kLongestPath + 1) return false;
  peer.write(message);
  if (!peer.waitForBytesWritten(kHandOverWaitMs)) return false;
  peer.disconnectFromServer();
  if (peer.state() != QLocalSocket::UnconnectedState) peer.waitForDisconnected(kHandOverWaitMs);
  return true;
}

// The running copy's side: each peer sends one path ended by a line break; more than a path
// can hold, and the peer is dropped.
void listenForSheets(QLocalServer& server, const QString& socket,
                     const std::function<void(const QString&)>& open) {
  if (socket.isEmpty()) return;
  server.setSocketOptions(QLocalServer::UserAccessOption);
  // We hold the lock: a socket left there is from a copy that died.
  QLocalServer::removeServer(socket);
  if (!server.listen(socket)) return;
  QObject::connect(&server, &QLocalServer::newConnection, &server, [&server, open] {
    while (QLocalSocket* peer = server.nextPendingConnection()) {
      QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
      auto buffer = std::make_shared<QByteArray>();
      QObject::connect(peer, &QLocalSocket::readyRead, peer, [peer, buffer, open] {
        buffer->append(peer->read(kLongestPath + 2 - buffer->size()));
        const qsizetype end = buffer->indexOf('\n');
        if (end < 0 && buffer->size() <= kLongestPath) return;
        peer->abort();
        if (end <= 0) return;
        const QString name = QFile::decodeName(buffer->left(end));
        // Opened once the peer is let go: the question about changes may wait on the user.
        QTimer::singleShot(0, qApp, [open, name] { open(name); });
      });
    }
  });
}

}  // namespace

int main(int argc, char* argv[]) {
  // A sheet named on the command line, absolute: the running copy works in another folder.
  const QString sheet =
      argc > 1 ? QFileInfo(QFile::decodeName(argv[1])).absoluteFilePath() : QString();
  // Held until the process ends; the system drops it when the process dies. A second start
  // ends here, silently, before any window exists.
  static valvora::platform::InstanceLock instance("Nom de l application");
  if (!instance.acquired()) {
    if (sheet.isEmpty()) return 0;
    QCoreApplication handing(argc, argv);
    if (handOver(socketName(instance), sheet)) return 0;
    std::fputs("valvora : la fiche n'a pu être remise au programme déjà ouvert.\n", stderr);
    return 1;
  }
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
  const auto openSheet = [&mainForm](const QString& name) { mainForm.openSheet(name); };
  QLocalServer sheets;
  listenForSheets(sheets, socketName(instance), openSheet);
  if (!sheet.isEmpty()) QTimer::singleShot(0, &mainForm, [&] { openSheet(sheet); });
  QApplication::exec();
  return 0;
}
