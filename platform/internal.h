#pragma once

// Helpers shared by the platform's own files; not part of its interface.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string_view>
#include <utility>

namespace valvora::platform::detail {

// Closes the descriptor on every way out.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Hands the descriptor over to the caller, who closes it.
  int release() { return std::exchange(fd_, -1); }
  // Closes now and says whether the close succeeded (a delayed write error shows there).
  bool close() { return ::close(std::exchange(fd_, -1)) == 0; }
  void reset() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  }

 private:
  int fd_ = -1;
};

// open(2), again when a signal interrupted it.
inline FileDescriptor openRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd = -1;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return FileDescriptor(fd);
}

// The program's one line rule: a line ends at CR LF, CR or LF, and a final break adds no
// empty line. Calls line(begin, end, next) with the line's text from begin to end and the
// next line's start.
template <class LineFunction>
void forEachLine(std::string_view text, LineFunction&& line) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    std::size_t next = i + 1;
    if (c == '\r' && next < text.size() && text[next] == '\n') ++next;
    line(start, i, next);
    start = next;
    i = next - 1;
  }
  if (start < text.size()) line(start, text.size(), text.size());
}

}  // namespace valvora::platform::detail
