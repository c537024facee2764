#include "platform/instancelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace valvora::platform {

namespace {

bool isWritableFolder(const char* path) {
  struct stat status {};
  return ::stat(path, &status) == 0 && S_ISDIR(status.st_mode) && ::access(path, W_OK | X_OK) == 0;
}

// The lock is per user, as the session's own: in the runtime folder, which is the user's,
// or else in /tmp under a name that carries the user id.
std::string lockPath(std::string_view name) {
  std::string fileName(name);
  std::replace(fileName.begin(), fileName.end(), '/', '_');
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0' && isWritableFolder(runtime)) {
    return std::string(runtime) + "/" + fileName + ".lock";
  }
  return "/tmp/" + fileName + "." + std::to_string(::getuid()) + ".lock";
}

}  // namespace

InstanceLock::InstanceLock(std::string_view name) : path_(lockPath(name)) {
  // No O_TRUNC and never unlinked: another process may be holding this very file. Not
  // inherited by the programs we start, or they would keep the lock after we end.
  do {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  } while (fd_ < 0 && errno == EINTR);
  // Without a lock file we cannot tell whether another instance runs: better to run twice
  // than never.
  if (fd_ < 0) {
    acquired_ = true;
    return;
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
    acquired_ = true;
    return;
  }
  // Only a lock held elsewhere means another instance; a file system that cannot lock
  // is treated like a missing lock file.
  acquired_ = errno != EWOULDBLOCK;
  if (!acquired_) {
    ::close(fd_);
    fd_ = -1;
  }
}

InstanceLock::~InstanceLock() {
  // Closing the last descriptor drops the lock.
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace valvora::platform
