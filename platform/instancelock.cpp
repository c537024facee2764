#include "platform/instancelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace valvora::platform {

namespace {

// Private folders tried in the shared temporary folder; past them we give up the lock.
constexpr int kSharedCandidates = 16;

// A folder that only this user can fill: ours, a real folder (not a link), and writable by
// nobody else.
bool isPrivateFolder(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
         status.st_uid == ::getuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

enum class Attempt { Acquired, HeldElsewhere, Unusable, Impossible };

Attempt tryLock(const std::string& path, int& fd) {
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY,
                0600);
  } while (fd < 0 && errno == EINTR);
  // A name too long for any folder fails the same everywhere.
  if (fd < 0) return errno == ENAMETOOLONG ? Attempt::Impossible : Attempt::Unusable;
  struct stat status {};
  const bool ours =
      ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::getuid();
  if (ours && ::flock(fd, LOCK_EX | LOCK_NB) == 0) return Attempt::Acquired;
  // Only a lock held on our own file means another instance; a file system that cannot
  // lock sends us on to the next folder.
  const bool held = ours && errno == EWOULDBLOCK;
  ::close(fd);
  fd = -1;
  return held ? Attempt::HeldElsewhere : Attempt::Unusable;
}

}  // namespace

InstanceLock::InstanceLock(std::string_view name, const LockFolders& folders) {
  std::string fileName(name);
  std::replace(fileName.begin(), fileName.end(), '/', '_');
  fileName += ".lock";
  const std::string uid = std::to_string(::getuid());

  // Every start of this user walks the same folders in the same order, whatever its
  // environment, so two starts meet at the same file. A folder another user made first is
  // passed over, and so is its file.
  std::string candidates[1 + kSharedCandidates];
  candidates[0] = folders.runtimeRoot + "/" + uid;
  for (int n = 0; n < kSharedCandidates; ++n) {
    std::string& folder = candidates[1 + n];
    folder = folders.sharedRoot;
    folder += "/valvora-";
    folder += uid;
    if (n > 0) {
      folder += '-';
      folder += std::to_string(n);
    }
  }
  for (int i = 0; i < 1 + kSharedCandidates; ++i) {
    const std::string& folder = candidates[i];
    // The runtime folder is the system's to make; ours in the shared folder we make.
    if (i > 0 && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) continue;
    if (!isPrivateFolder(folder)) continue;
    const std::string path = folder + "/" + fileName;
    switch (tryLock(path, fd_)) {
      case Attempt::Acquired:
        path_ = path;
        acquired_ = true;
        return;
      case Attempt::HeldElsewhere:
        path_ = path;
        acquired_ = false;
        return;
      case Attempt::Unusable:
        break;
      case Attempt::Impossible:
        acquired_ = true;
        return;
    }
  }
  acquired_ = true;
}

InstanceLock::~InstanceLock() {
  // Closing the last descriptor drops the lock; the file stays, another start may hold it.
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace valvora::platform
