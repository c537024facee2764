#pragma once

#include <string>
#include <string_view>

namespace valvora::platform {

// Where the lock files may live: the system's per-user runtime folders (<runtime>/<uid>),
// then private folders of ours in the shared temporary folder. Tests give their own.
struct LockFolders {
  std::string runtimeRoot = "/run/user";
  std::string sharedRoot = "/tmp";
};

// A system-wide named lock, one per user whatever the environment, that the system drops
// when the holding process dies (flock). The holder keeps it for as long as the object
// lives. A folder or file that another user made is never trusted: it can neither stop
// the program nor let it run twice.
class InstanceLock {
 public:
  explicit InstanceLock(std::string_view name, const LockFolders& folders = {});
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // False when another process of this user already holds a lock of that name. True also
  // when no lock could be had at all: better to run twice than never.
  bool acquired() const { return acquired_; }
  // The lock file, empty when no lock could be had.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
  bool acquired_ = false;
};

}  // namespace valvora::platform
