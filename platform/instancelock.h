#pragma once

#include <string>
#include <string_view>

namespace valvora::platform {

// A system-wide named lock that the system drops when the holding process dies (flock on a
// file in the user's runtime folder). The holder keeps it for as long as the object lives.
class InstanceLock {
 public:
  explicit InstanceLock(std::string_view name);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // False when another process already holds a lock of that name.
  bool acquired() const { return acquired_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int fd_ = -1;
  bool acquired_ = false;
};

}  // namespace valvora::platform
