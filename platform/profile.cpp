#include "platform/profile.h"

#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/atomicfile.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/internal.h"

namespace valvora::platform {

static_assert(kProfileValueLength == detail::kIniValueLength);

namespace {

// A settings file is a few kilobytes; anything this large is not ours and is not loaded.
constexpr std::size_t kMaxProfileSize = std::size_t{1} << 20;
// Another writer holds the lock only for one write of a few keys; past this it is hung, and the
// user is better told than left with a frozen window.
constexpr auto kLockPatience = std::chrono::seconds(5);
// A reader gives up sooner: it reads one version of the file even without the lock.
constexpr auto kReadingPatience = std::chrono::seconds(1);
// Writers release the lock only for moments: a waiter that looks rarely would be starved by
// one that writes again and again.
constexpr auto kLockPoll = std::chrono::microseconds(200);

// On the way to a write failure; the caller gives it the write message.
[[noreturn]] void fail(int errorNumber) {
  throw FileError(std::string(), errorNumber);
}

// The file's bytes; empty when it does not exist. A FIFO or a device put in its place is
// refused without waiting on it.
std::string readProfile(const std::string& path) {
  return readFileIfExists(path, kMaxProfileSize).value_or(std::string());
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The folders on the way to a per-user file, made private to the user as a configuration
// folder should be. One that exists already is left as it is.
void makeFolders(const std::string& folder) {
  if (folder == "/" || folder == ".") return;
  struct stat status {};
  if (::stat(folder.c_str(), &status) == 0) {
    if (!S_ISDIR(status.st_mode)) fail(ENOTDIR);
    return;
  }
  makeFolders(folderOf(folder));
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) fail(errno);
}

// "<file>.lock", held exclusively while a write reads, changes and replaces the file, so that
// two programs writing their keys at once do not lose each other's, and shared while a
// reading takes its snapshot. The lock file is never removed: another process may hold it.
class FileLock {
 public:
  // A writer makes the lock file and fails when it cannot have the lock in time.
  static FileLock forWriting(const std::string& path, mode_t mode) {
    FileLock lock(detail::openRetrying(
        path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, mode));
    if (!lock.file_.valid()) fail(errno);
    // A file system without locks: writing unguarded beats never writing.
    if (!lock.take(LOCK_EX, kLockPatience) && errno == EWOULDBLOCK) fail(EBUSY);
    return lock;
  }
  // A reader never makes it (the folder may be read-only) and reads anyway without it: the
  // file is only ever replaced whole, so one reading sees one version regardless.
  static FileLock forReading(const std::string& path) {
    FileLock lock(detail::openRetrying(path.c_str(),
                                       O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK));
    if (lock.file_.valid()) lock.take(LOCK_SH, kReadingPatience);
    return lock;
  }

 private:
  explicit FileLock(detail::FileDescriptor file) : file_(std::move(file)) {}

  bool take(int mode, std::chrono::steady_clock::duration patience) {
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    while (::flock(file_.get(), mode | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) return false;
      if (std::chrono::steady_clock::now() > giveUp) {
        errno = EWOULDBLOCK;
        return false;
      }
      std::this_thread::sleep_for(kLockPoll);
    }
    return true;
  }

  detail::FileDescriptor file_;
};

// The lock of the file that a write of path replaces; nothing for a path whose links lead
// nowhere (its reading fails on its own).
std::optional<std::string> lockOf(const std::string& path) {
  try {
    return replacedFile(path) + ".lock";
  } catch (const FileError&) {
    return std::nullopt;
  }
}

std::string writeMessage(std::string_view path) {
  return "Impossible d'écrire dans " + fullPath(path);
}

}  // namespace

std::string executableFolder() {
  std::string path(256, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    // Without it, the current directory is the best guess of where the program lies.
    if (length < 0) return "";
    if (static_cast<std::size_t>(length) < path.size()) {
      path.resize(static_cast<std::size_t>(length));
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.rfind('/') + 1);
}

std::string settingsPath() {
  return executableFolder() + "valvora.ini";
}

ProfileFile settingsFileFor(const std::string& programFolder, const char* xdgConfigHome,
                            const char* home) {
  std::string shipped = programFolder + "valvora.ini";
  const std::string folder = programFolder.empty() ? "." : programFolder;
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) == 0) return ProfileFile(shipped);
  std::string configHome;
  // A relative path there is not valid and is ignored.
  if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') {
    configHome = xdgConfigHome;
  } else if (home != nullptr && home[0] == '/') {
    configHome = std::string(home) + "/.config";
  } else {
    return ProfileFile(shipped);
  }
  while (configHome.size() > 1 && configHome.back() == '/') configHome.pop_back();
  return ProfileFile(configHome + "/valvora/valvora.ini", std::move(shipped));
}

ProfileFile settingsFile() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    // A session without HOME (a service, a bare su): the account's own home folder.
    const passwd* account = ::getpwuid(::getuid());
    home = account != nullptr ? account->pw_dir : nullptr;
  }
  return settingsFileFor(executableFolder(), std::getenv("XDG_CONFIG_HOME"), home);
}

ProfileSnapshot::ProfileSnapshot() : values_(std::make_shared<detail::IniIndex>()) {}

ProfileSnapshot::ProfileSnapshot(std::shared_ptr<const detail::IniIndex> values)
    : values_(std::move(values)) {}

std::string ProfileSnapshot::read(std::string_view section, std::string_view key) const {
  return values_->value(detail::iniName(section), detail::iniName(key));
}

ProfileSnapshot ProfileFile::snapshot() const {
  const std::string own = localPath(path_);
  const std::optional<std::string> lockPath = lockOf(own);
  const std::optional<FileLock> lock =
      lockPath ? std::optional<FileLock>(FileLock::forReading(*lockPath)) : std::nullopt;
  std::optional<std::string> bytes = readFileIfExists(own, kMaxProfileSize);
  if (!bytes && !shipped_.empty()) bytes = readFileIfExists(shipped_, kMaxProfileSize);
  if (!bytes) return ProfileSnapshot();
  return ProfileSnapshot(std::make_shared<const detail::IniIndex>(detail::decodeIni(*bytes).text));
}

std::string ProfileFile::read(std::string_view section, std::string_view key) const {
  return snapshot().read(section, key);
}

void ProfileFile::write(std::string_view section, std::string_view key,
                        std::string_view value) const {
  write({Entry{std::string(section), std::string(key), std::string(value)}});
}

void ProfileFile::write(const std::vector<Entry>& entries) const {
  struct Named {
    std::string section;
    std::string key;
    std::string text;
  };
  std::vector<Named> named;
  named.reserve(entries.size());
  for (const Entry& e : entries) {
    Named n{detail::iniName(e.section), detail::iniName(e.key), detail::iniValue(e.value)};
    if (!detail::canWriteKey(n.key)) throw FileError(writeMessage(path_), EINVAL);
    named.push_back(std::move(n));
  }
  try {
    const std::string target = replacedFile(localPath(path_));
    if (!shipped_.empty()) makeFolders(folderOf(target));
    struct stat old {};
    const FileLock lock = FileLock::forWriting(
        target + ".lock", ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 0666) : 0644);
    removeStaleTemporaries(target);
    // Looked at and read again under the lock: another writer may have changed the file.
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) fail(errno);
    if (exists && !S_ISREG(old.st_mode)) fail(EACCES);
    // A file made read-only is kept so, although the folder would let us replace it.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) fail(errno);
    // The user's copy starts as the shipped file, whole.
    const std::string content =
        exists || shipped_.empty() ? readProfile(target) : readProfile(shipped_);
    detail::IniText text = detail::decodeIni(content);
    for (const Named& n : named) {
      text.text = detail::withKey(text.text, n.section, n.key, n.text);
      if (text.text.size() > kMaxProfileSize) fail(EFBIG);
    }
    const std::string updated = detail::encodeIni(text);
    if (updated.size() > kMaxProfileSize) fail(EFBIG);
    if (exists && updated == content) return;
    replaceFile(target, updated, 0644);
  } catch (const FileError& failure) {
    throw FileError(writeMessage(path_), failure.errorNumber());
  }
}

}  // namespace valvora::platform
