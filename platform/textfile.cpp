#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/failure.h"

namespace valvora::platform {

namespace {

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
    default:
      break;
  }
  char buffer[256] = {};
  return errorText(strerror_r(errorNumber, buffer, sizeof buffer), buffer);
}

[[noreturn]] void failToOpen(std::string_view path, int errorNumber) {
  throw CalcError(cannotOpenMessage(path, errorNumber));
}

// Closes the descriptor on every way out of readFile.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { ::close(fd_); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

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

std::string cannotOpenMessage(std::string_view path, int errorNumber) {
  return "Impossible d'ouvrir le fichier \"" + fullPath(path) + "\". " + describeError(errorNumber);
}

std::string readFile(std::string_view path) {
  const std::string local = localPath(path);
  int fd = -1;
  do {
    fd = ::open(local.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) failToOpen(path, errno);
  const FileDescriptor file(fd);

  // A folder opens fine for reading here; only the read would tell, so say it at once.
  struct stat status {};
  if (::fstat(fd, &status) != 0) failToOpen(path, errno);
  if (S_ISDIR(status.st_mode)) failToOpen(path, EISDIR);

  std::string content;
  if (S_ISREG(status.st_mode) && status.st_size > 0) {
    content.reserve(static_cast<std::size_t>(status.st_size));
  }
  char buffer[65536];
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      failToOpen(path, errno);
    }
    content.append(buffer, static_cast<std::size_t>(count));
  }
  return content;
}

std::vector<std::string> splitLines(std::string_view content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(content.substr(start, i - start));
    if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < content.size()) lines.emplace_back(content.substr(start));
  return lines;
}

std::vector<std::string> readLines(std::string_view path) {
  return splitLines(readFile(path));
}

}  // namespace valvora::platform
