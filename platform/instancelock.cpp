#include "platform/instancelock.h"

#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include "platform/internal.h"

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

std::string withoutSlashes(std::string name) {
  std::replace(name.begin(), name.end(), '/', '_');
  return name;
}

std::string hostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return "localhost";
  return withoutSlashes(name);
}

enum class Attempt { Acquired, HeldElsewhere, Unusable, Impossible };

Attempt tryLock(const std::string& path, detail::FileDescriptor& file) {
  constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
  file = detail::openRetrying(path.c_str(), O_RDWR | O_CREAT | kFlags, 0600);
  // A lock file on a read-only file system, or one made read-only, still locks: flock
  // needs no write access.
  if (!file.valid() && (errno == EROFS || errno == EACCES))
    file = detail::openRetrying(path.c_str(), O_RDONLY | kFlags);
  // A name too long for any folder fails the same everywhere.
  if (!file.valid()) return errno == ENAMETOOLONG ? Attempt::Impossible : Attempt::Unusable;
  struct stat status {};
  const bool ours =
      ::fstat(file.get(), &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::getuid();
  if (ours && ::flock(file.get(), LOCK_EX | LOCK_NB) == 0) return Attempt::Acquired;
  // Only a lock held on our own file means another instance; a file system that cannot
  // lock sends us on to the next folder.
  const bool held = ours && errno == EWOULDBLOCK;
  file.reset();
  return held ? Attempt::HeldElsewhere : Attempt::Unusable;
}

struct Candidate {
  std::string folder;
  std::string file;
  bool ours;  // a folder we make when it is missing
};

}  // namespace

LockFolders LockFolders::ofAccount() {
  LockFolders folders;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/')
    folders.home = found->pw_dir;
  return folders;
}

InstanceLock::InstanceLock(std::string_view name, const LockFolders& folders) {
  const std::string fileName = withoutSlashes(std::string(name)) + ".lock";
  const std::string uid = std::to_string(::getuid());

  // Every start of this user walks the same folders in the same order, whatever its
  // environment, so two starts meet at the same file. A folder another user made first is
  // passed over, and so is its file.
  std::vector<Candidate> candidates;
  if (!folders.home.empty()) {
    const std::string cache = folders.home + "/.cache";
    if (::mkdir(cache.c_str(), 0700) == 0 || errno == EEXIST)
      candidates.push_back({cache + "/valvora",
                            withoutSlashes(std::string(name)) + "@" + hostName() + ".lock", true});
  }
  candidates.push_back({folders.runtimeRoot + "/" + uid, fileName, false});
  for (int n = 0; n < kSharedCandidates; ++n) {
    std::string folder = folders.sharedRoot;
    folder += "/valvora-";
    folder += uid;
    if (n > 0) {
      folder += '-';
      folder += std::to_string(n);
    }
    candidates.push_back({std::move(folder), fileName, true});
  }
  for (const Candidate& c : candidates) {
    // The runtime folder is the system's to make; the others we make.
    if (c.ours && ::mkdir(c.folder.c_str(), 0700) != 0 && errno != EEXIST) {
      // A read-only file system may still hold a folder and its lock file from before.
      if (errno != EROFS) continue;
    }
    if (!isPrivateFolder(c.folder)) continue;
    const std::string path = c.folder + "/" + c.file;
    detail::FileDescriptor file;
    switch (tryLock(path, file)) {
      case Attempt::Acquired:
        path_ = path;
        fd_ = file.release();
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
