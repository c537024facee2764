#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "core/failure.h"
#include "platform/internal.h"

namespace valvora::platform {

namespace {

// Our own reason, next to the system's error numbers: a FIFO, a device or a socket.
constexpr int kNotARegularFile = -1;

// strerror_r comes in two flavours (GNU returns the text, XSI fills the buffer); accept both.
[[maybe_unused]] const char* errorText(const char* gnuResult, const char*) {
  return gnuResult;
}
[[maybe_unused]] const char* errorText(int xsiResult, const char* buffer) {
  return xsiResult == 0 ? buffer : "Erreur inconnue";
}

std::string describeError(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
      return "Le fichier spécifié est introuvable";
    case ENOTDIR:
      return "Le chemin d'accès spécifié est introuvable";
    case EACCES:
    case EPERM:
      return "Accès refusé";
    case EISDIR:
      return "Le chemin désigne un dossier, pas un fichier";
    case EMFILE:
    case ENFILE:
      return "Le système ne peut pas ouvrir le fichier : trop de fichiers ouverts";
    case ENAMETOOLONG:
      return "Le nom de fichier est trop long";
    case ELOOP:
      return "Le chemin contient trop de liens symboliques";
    case EIO:
      return "Erreur d'entrée/sortie sur le périphérique";
    case ENOMEM:
      return "Mémoire insuffisante pour traiter cette commande";
    case ENXIO:
    case ENODEV:
      return "Le périphérique spécifié est introuvable";
    case EBUSY:
    case ETXTBSY:
      return "Le fichier est en cours d'utilisation par un autre processus";
    case EFBIG:
    case EOVERFLOW:
      return "Le fichier est trop volumineux";
    case EROFS:
      return "Le support est protégé en écriture";
    case ENOSPC:
      return "Espace insuffisant sur le disque";
    case EINVAL:
      return "Paramètre incorrect";
    case kNotARegularFile:
      return "Le chemin ne désigne pas un fichier ordinaire";
    default:
      break;
  }
  char buffer[256] = {};
  return errorText(strerror_r(errorNumber, buffer, sizeof buffer), buffer);
}

[[noreturn]] void failToOpen(std::string_view path, int errorNumber) {
  throw FileError(cannotOpenMessage(path, errorNumber), errorNumber);
}

// Sizes as a user reads them: "64 Ko", "32 Mo".
std::string sizeText(std::size_t bytes) {
  if (bytes >= (std::size_t{1} << 20) && bytes % (std::size_t{1} << 20) == 0)
    return std::to_string(bytes >> 20) + " Mo";
  if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " Ko";
  return std::to_string(bytes) + " octets";
}

[[noreturn]] void failTooLarge(std::string_view path, std::size_t maxBytes) {
  throw FileError("Le fichier \"" + fullPath(path) + "\" dépasse " + sizeText(maxBytes), EFBIG);
}

}  // namespace

std::string localPath(std::string_view path) {
  std::string result(path);
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

std::string fullPath(std::string_view path) {
  std::filesystem::path local(localPath(path));
  if (local.is_relative()) {
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    // Without a current directory (it was removed) the relative form is the best we can show.
    if (!error) local = current / local;
  }
  return local.lexically_normal().string();
}

FileError::FileError(const std::string& message, int errorNumber)
    : CalcError(message), errorNumber_(errorNumber) {}

std::string cannotOpenMessage(std::string_view path, int errorNumber) {
  return "Impossible d'ouvrir le fichier \"" + fullPath(path) + "\". " + describeError(errorNumber);
}

namespace {

std::optional<std::string> readRegularFile(std::string_view path, std::size_t maxBytes,
                                           bool missingIsNothing) {
  const std::string local = localPath(path);
  // Non-blocking, so that a FIFO without a writer cannot hold the program at the open; a
  // terminal does not become ours.
  const detail::FileDescriptor file =
      detail::openRetrying(local.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  const int fd = file.get();
  if (fd < 0 && missingIsNothing && (errno == ENOENT || errno == ENOTDIR)) return std::nullopt;
  // A socket cannot be opened at all: say what it is, not the system's "no such device".
  if (fd < 0) failToOpen(path, errno == ENXIO ? kNotARegularFile : errno);

  // Only a regular file has an end: a FIFO, a device or a folder is refused before any read.
  struct stat status {};
  if (::fstat(fd, &status) != 0) failToOpen(path, errno);
  if (S_ISDIR(status.st_mode)) failToOpen(path, EISDIR);
  if (!S_ISREG(status.st_mode)) failToOpen(path, kNotARegularFile);
  if (static_cast<std::uintmax_t>(status.st_size) > maxBytes) failTooLarge(path, maxBytes);

  std::string content;
  content.reserve(static_cast<std::size_t>(status.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      failToOpen(path, errno);
    }
    // The file may grow while it is read.
    if (content.size() + static_cast<std::size_t>(count) > maxBytes) failTooLarge(path, maxBytes);
    content.append(buffer, static_cast<std::size_t>(count));
  }
  return content;
}

}  // namespace

std::string readFile(std::string_view path, std::size_t maxBytes) {
  return *readRegularFile(path, maxBytes, false);
}

std::optional<std::string> readFileIfExists(std::string_view path, std::size_t maxBytes) {
  return readRegularFile(path, maxBytes, true);
}

std::vector<std::string> splitLines(std::string_view content) {
  std::vector<std::string> lines;
  detail::forEachLine(content, [&](std::size_t begin, std::size_t end, std::size_t) {
    lines.emplace_back(content.substr(begin, end - begin));
  });
  return lines;
}

namespace {

bool isUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t code = 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      code = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      code = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      code = c & 0x07u;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0u) != 0x80u) return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
      return false;
    i += length;
  }
  return true;
}

// Windows-1252 from 0x80 to 0x9F; its five unassigned bytes keep their C1 code points, as
// Windows itself converts them.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

std::string lineAsUtf8(std::string_view line) {
  if (isUtf8(line)) return std::string(line);
  std::string out;
  out.reserve(line.size() * 2);
  for (const char byte : line) {
    const auto c = static_cast<unsigned char>(byte);
    appendUtf8(out, c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : char32_t{c});
  }
  return out;
}

std::vector<std::string> readLines(std::string_view path, std::size_t maxBytes,
                                   std::size_t maxLines) {
  std::vector<std::string> lines = splitLines(readFile(path, maxBytes));
  if (lines.size() > maxLines) {
    throw CalcError("Le fichier \"" + fullPath(path) + "\" compte plus de " +
                    std::to_string(maxLines) + " lignes");
  }
  for (std::string& line : lines) line = lineAsUtf8(line);
  return lines;
}

}  // namespace valvora::platform
