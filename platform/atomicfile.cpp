#include "platform/atomicfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <random>
#include <utility>

#include "platform/files.h"
#include "platform/internal.h"
#include "platform/writefile.h"

namespace valvora::platform {

namespace {

// Temporary names stay within a folder entry's 255 bytes whatever the file's own name.
constexpr std::size_t kNamePartLimit = 100;

[[noreturn]] void fail(int errorNumber) {
  throw FileError(fileErrorMessage(errorNumber), errorNumber);
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// ".<name>.": the start of every temporary of that file.
std::string temporaryPrefix(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return "." + name.substr(0, kNamePartLimit) + ".";
}

std::string temporaryName(const std::string& target) {
  static std::random_device random;
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  return folder + temporaryPrefix(target) + std::to_string(::getpid()) + "." +
         std::to_string(random());
}

void writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
}

// Mode, owner and content of the new file, on the disk before it takes the name.
void fill(int fd, std::string_view content, const struct stat* old) {
  if (old != nullptr) {
    if (::fchmod(fd, old->st_mode & 07777) != 0) fail(errno);
    // Keeps the owner when another account (root) writes the file; allowed or not, the
    // file stays usable by whoever may write it.
    if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(fd, old->st_uid, old->st_gid);
    }
  }
  writeAll(fd, content);
  if (::fsync(fd) != 0) fail(errno);
}

// A named temporary, removed unless it took the target's place.
class Named {
 public:
  explicit Named(std::string path) : path_(std::move(path)) {}
  ~Named() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  Named(const Named&) = delete;
  Named& operator=(const Named&) = delete;
  void renameTo(const std::string& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) fail(errno);
    path_.clear();
  }

 private:
  std::string path_;
};

// The file written under a name of its own from the start, for file systems without
// nameless files.
void replaceThroughNamed(const std::string& target, std::string_view content,
                         const struct stat* old, mode_t newMode) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = temporaryName(target);
    detail::FileDescriptor file = detail::openRetrying(
        name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, newMode);
    if (!file.valid()) {
      if (errno == EEXIST) continue;
      fail(errno);
    }
    Named named(std::move(name));
    fill(file.get(), content, old);
    if (!file.close()) fail(errno);
    named.renameTo(target);
    return;
  }
  fail(EEXIST);
}

// Written nameless, then named and renamed at once: only a kill between those two steps
// can leave the temporary behind. False when the file system or the system cannot.
bool replaceThroughNameless(const std::string& target, std::string_view content,
                            const struct stat* old, mode_t newMode) {
  const detail::FileDescriptor file =
      detail::openRetrying(folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, newMode);
  if (!file.valid()) {
    // No such files on this file system or kernel; any other refusal is the folder's.
    if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return false;
    fail(errno);
  }
  fill(file.get(), content, old);
  const std::string self = "/proc/self/fd/" + std::to_string(file.get());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = temporaryName(target);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      if (errno == EEXIST) continue;
      // Without /proc the file cannot be named: write it again with a name.
      if (errno == ENOENT) return false;
      fail(errno);
    }
    Named named(std::move(name));
    named.renameTo(target);
    return true;
  }
  fail(EEXIST);
}

}  // namespace

void ignoreFileSizeSignal() {
  struct sigaction current {};
  if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
    ::signal(SIGXFSZ, SIG_IGN);
}

std::string replacedFile(const std::string& path) {
  std::string current = path;
  for (int depth = 0; depth < 40; ++depth) {
    struct stat status {};
    if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return current;
    std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
    const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
    if (length < 0) fail(errno);
    if (static_cast<std::size_t>(length) >= target.size()) fail(ENAMETOOLONG);
    target.resize(static_cast<std::size_t>(length));
    if (target.front() != '/') {
      const std::size_t slash = current.rfind('/');
      target = (slash == std::string::npos ? std::string() : current.substr(0, slash + 1)) + target;
    }
    current = std::move(target);
  }
  fail(ELOOP);
}

void replaceFile(const std::string& path, std::string_view content, mode_t newMode) {
  if (path.empty()) fail(ENOENT);
  ignoreFileSizeSignal();
  const std::string target = replacedFile(path);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) fail(errno);
  // Writing into a device or a pipe could block or damage it; a folder cannot be written.
  if (exists && !S_ISREG(old.st_mode)) fail(EACCES);
  // A file made read-only is kept so, although the folder would let us replace it.
  if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) fail(errno);
  const struct stat* kept = exists ? &old : nullptr;
  if (!replaceThroughNameless(target, content, kept, newMode))
    replaceThroughNamed(target, content, kept, newMode);
  // The rename itself must reach the disk too. Some file systems cannot sync a folder;
  // the file is in place anyway.
  const detail::FileDescriptor folder =
      detail::openRetrying(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder.valid() && ::fsync(folder.get()) != 0 && errno != EINVAL && errno != EROFS)
    fail(errno);
}

void removeStaleTemporaries(const std::string& file) {
  const std::string folder = folderOf(file);
  const std::string prefix = temporaryPrefix(file);
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (!name.starts_with(prefix)) continue;
    // "<pid>.<number>" after the prefix, and nothing else.
    const std::string_view rest = name.substr(prefix.size());
    const std::size_t dot = rest.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot + 1 == rest.size()) continue;
    bool digits = true;
    for (std::size_t i = 0; i < rest.size(); ++i)
      digits = digits && (i == dot || (rest[i] >= '0' && rest[i] <= '9'));
    if (!digits || dot > 9) continue;
    const pid_t writer = static_cast<pid_t>(std::stol(std::string(rest.substr(0, dot))));
    if (writer > 0 && ::kill(writer, 0) != 0 && errno == ESRCH)
      ::unlinkat(::dirfd(listing), entry->d_name, 0);
  }
  ::closedir(listing);
}

}  // namespace valvora::platform
