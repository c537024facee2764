#include "platform/documents.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QString>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/files.h"

namespace valvora::platform {

namespace {

// Only these count as addresses, so that a file name holding a colon stays a file name.
bool hasScheme(std::string_view text) {
  constexpr std::array<std::string_view, 5> schemes = {"http://", "https://", "ftp://",
                                                       "mailto:", "file:"};
  return std::any_of(schemes.begin(), schemes.end(), [text](std::string_view scheme) {
    return text.size() >= scheme.size() &&
           std::equal(scheme.begin(), scheme.end(), text.begin(), [](char a, char b) {
             return a == std::tolower(static_cast<unsigned char>(b));
           });
  });
}

QUrl urlOf(std::string_view nameOrAddress) {
  if (hasScheme(nameOrAddress)) {
    return QUrl(
        QString::fromUtf8(nameOrAddress.data(), static_cast<qsizetype>(nameOrAddress.size())),
        QUrl::TolerantMode);
  }
  // "Valvora.html#atelier": a section of a local page.
  const std::size_t hash = nameOrAddress.rfind('#');
  QUrl url = QUrl::fromLocalFile(QString::fromStdString(fullPath(nameOrAddress.substr(0, hash))));
  if (hash != std::string_view::npos)
    url.setFragment(QString::fromUtf8(nameOrAddress.substr(hash + 1).data(),
                                      static_cast<qsizetype>(nameOrAddress.size() - hash - 1)));
  return url;
}

}  // namespace

std::string documentUrl(std::string_view nameOrAddress) {
  return urlOf(nameOrAddress).toString(QUrl::FullyEncoded).toStdString();
}

std::string documentFile(std::string_view nameOrAddress) {
  if (hasScheme(nameOrAddress)) return {};
  return fullPath(nameOrAddress.substr(0, nameOrAddress.rfind('#')));
}

bool openDocument(std::string_view nameOrAddress) {
  // Without a running application there is no desktop session to ask.
  if (qGuiApp == nullptr) return false;
  const std::string file = documentFile(nameOrAddress);
  std::error_code error;
  if (!file.empty() && !std::filesystem::is_regular_file(file, error)) return false;
  return QDesktopServices::openUrl(urlOf(nameOrAddress));
}

}  // namespace valvora::platform
