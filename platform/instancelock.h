#pragma once

#include <string>
#include <string_view>

namespace valvora::platform {

// Where the lock files may live, in this order: a private folder of ours in the user's home
// (<home>/.cache/valvora, a file named with the host name, so that a home shared over the
// network does not stop the same user on another machine), the system's per-user runtime
// folder (<runtime>/<uid>) when it is private, then private folders of ours in the shared
// temporary folder. Tests give their own.
struct LockFolders {
  std::string runtimeRoot = "/run/user";
  std::string sharedRoot = "/tmp";
  std::string home;  // empty: no home folder is tried

  // The system's folders and the account's home as the user database gives it (not $HOME,
  // which the environment may point anywhere).
  static LockFolders ofAccount();
};

// A system-wide named lock, one per user whatever the environment, that the system drops
// when the holding process dies (flock). The holder keeps it for as long as the object
// lives. A folder or file that another user made is never trusted: it can neither stop
// the program nor let it run twice.
class InstanceLock {
 public:
  explicit InstanceLock(std::string_view name,
                        const LockFolders& folders = LockFolders::ofAccount());
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
