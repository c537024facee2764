#include "platform/profile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <random>
#include <thread>
#include <utility>
#include <vector>

#include "core/failure.h"
#include "platform/files.h"

namespace valvora::platform {

namespace {

// A settings file is a few kilobytes; anything this large is not ours and is not loaded.
constexpr std::size_t kMaxProfileSize = std::size_t{1} << 20;
// Another writer holds the lock only for one write of a few keys; past this it is hung, and the
// user is better told than left with a frozen window.
constexpr auto kLockPatience = std::chrono::seconds(5);

// Any failure on the way to a replaced file; reported once with the write message.
struct WriteFailure {};

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

int openRetrying(const char* path, int flags, mode_t mode = 0) {
  int fd = -1;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// The file's bytes; empty when it does not exist. A FIFO or a device put in its place is
// refused without waiting on it.
std::string readProfile(const std::string& path) {
  return readFileIfExists(path, kMaxProfileSize).value_or(std::string());
}

// --- The INI layout -------------------------------------------------------------------

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

std::string withoutLineBreaks(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    if (c != '\r' && c != '\n') result.push_back(c);
  }
  return result;
}

// A name as the caller gives it, in the form the file's names are compared in.
std::string nameOf(std::string_view name) {
  return std::string(trimmed(withoutLineBreaks(lineAsUtf8(name))));
}

// The first kProfileValueLength characters of valid UTF-8 text.
std::string cutValue(std::string_view text) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0u) != 0x80u;
    if (startsCharacter && ++characters > kProfileValueLength)
      return std::string(text.substr(0, i));
  }
  return std::string(text);
}

// One line of the file: its text runs from begin to end, its line break to next.
struct Span {
  std::size_t begin;
  std::size_t end;
  std::size_t next;
};

std::vector<Span> spansOf(std::string_view content) {
  std::vector<Span> spans;
  std::size_t start = 0;
  for (std::size_t i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c != '\r' && c != '\n') continue;
    std::size_t next = i + 1;
    if (c == '\r' && next < content.size() && content[next] == '\n') ++next;
    spans.push_back({start, i, next});
    start = next;
    i = next - 1;
  }
  if (start < content.size()) spans.push_back({start, content.size(), content.size()});
  return spans;
}

struct Line {
  enum class Kind { kBlank, kSection, kKey, kOther } kind = Kind::kOther;
  std::string name;
  std::string value;
};

Line parse(std::string_view raw) {
  const std::string text = lineAsUtf8(raw);
  const std::string_view line = trimmed(text);
  Line result;
  if (line.empty()) {
    result.kind = Line::Kind::kBlank;
  } else if (line.front() == '[') {
    // The last "]" closes the name, so a name holding "]" reads back whole.
    const std::size_t close = line.rfind(']');
    if (close != 0 && close != std::string_view::npos) {
      result.kind = Line::Kind::kSection;
      result.name = trimmed(line.substr(1, close - 1));
    }
  } else if (line.front() != ';') {
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos) {
      result.kind = Line::Kind::kKey;
      result.name = trimmed(line.substr(0, equals));
      std::string_view value = trimmed(line.substr(equals + 1));
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      result.value = value;
    }
  }
  return result;
}

// Where a section and a key stand in the file.
struct Place {
  std::optional<std::size_t> section;  // the header line
  std::size_t sectionEnd = 0;          // one past the section's last line
  std::optional<std::size_t> key;
  Line keyLine;
};

Place find(std::string_view content, const std::vector<Span>& spans, std::string_view section,
           std::string_view key) {
  Place place;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    Line line = parse(content.substr(spans[i].begin, spans[i].end - spans[i].begin));
    if (line.kind == Line::Kind::kSection) {
      if (place.section) return place;  // the section ends here; later duplicates are ignored
      if (sameName(line.name, section)) place.section = i;
    } else if (place.section && !place.key && line.kind == Line::Kind::kKey &&
               sameName(line.name, key)) {
      place.key = i;
      place.keyLine = std::move(line);
    }
    place.sectionEnd = i + 1;
  }
  return place;
}

// The content with the key set; every other byte as it was.
std::string withKey(const std::string& content, std::string_view section, std::string_view key,
                    std::string_view value) {
  const std::vector<Span> spans = spansOf(content);
  const Place place = find(content, spans, section, key);
  if (place.key) {
    // The file's own spelling of the key stays, with the line's own line break.
    const Span& span = spans[*place.key];
    return content.substr(0, span.begin) + place.keyLine.name + "=" + std::string(value) +
           content.substr(span.end);
  }
  const std::string keyLine = std::string(key) + "=" + std::string(value) + "\r\n";
  if (place.section) {
    std::size_t last = *place.section;
    for (std::size_t i = last + 1; i < place.sectionEnd; ++i) {
      const Span& span = spans[i];
      if (!trimmed(std::string_view(content).substr(span.begin, span.end - span.begin)).empty())
        last = i;
    }
    const Span& span = spans[last];
    const std::string insert = (span.next == span.end ? "\r\n" : "") + keyLine;
    return content.substr(0, span.next) + insert + content.substr(span.next);
  }
  std::string result = content;
  if (!result.empty() && result.back() != '\n' && result.back() != '\r') result += "\r\n";
  return result + "[" + std::string(section) + "]\r\n" + keyLine;
}

// A key line written for this name must read back as this key, not as a comment, a
// section header or another key.
bool canWriteKey(std::string_view key) {
  return key.find('=') == std::string_view::npos &&
         (key.empty() || (key.front() != '[' && key.front() != ';'));
}

// --- Replacing the file ---------------------------------------------------------------

// The file a write must replace: the settings path itself, or the end of its chain of
// symbolic links, so that the link stays a link. The target need not exist yet.
std::string replacedFile(std::string path) {
  for (int depth = 0; depth < 40; ++depth) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    std::string target(static_cast<std::size_t>(PATH_MAX), '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= target.size()) throw WriteFailure{};
    target.resize(static_cast<std::size_t>(length));
    if (target.front() != '/') {
      const std::size_t slash = path.rfind('/');
      target = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + target;
    }
    path = std::move(target);
  }
  throw WriteFailure{};
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
    if (!S_ISDIR(status.st_mode)) throw WriteFailure{};
    return;
  }
  makeFolders(folderOf(folder));
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) throw WriteFailure{};
}

// Held while a write reads, changes and replaces the file, so that two programs writing
// their keys at once do not lose each other's. The lock file is never removed: another
// process may be holding it.
class WriteLock {
 public:
  WriteLock(const std::string& path, mode_t mode)
      : file_(openRetrying(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY,
                           mode)) {
    if (file_.get() < 0) throw WriteFailure{};
    const auto giveUp = std::chrono::steady_clock::now() + kLockPatience;
    while (::flock(file_.get(), LOCK_EX | LOCK_NB) != 0) {
      // A file system without locks: writing unguarded beats never writing.
      if (errno != EWOULDBLOCK && errno != EINTR) return;
      if (std::chrono::steady_clock::now() > giveUp) throw WriteFailure{};
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

 private:
  FileDescriptor file_;
};

// A new file beside the old one, removed unless it replaced it.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string prefix = target.substr(0, slash + 1) + "." + target.substr(slash + 1) + "." +
                               std::to_string(::getpid()) + ".";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = prefix + std::to_string(random());
      // 0644 less the umask, as any new file of the user's; an old file's mode follows.
      fd_ = openRetrying(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
      if (fd_ >= 0) return;
      if (errno != EEXIST) break;
    }
    path_.clear();
    throw WriteFailure{};
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return fd_; }
  // Closes now, so that a failing close (a delayed write error) is seen.
  bool close() { return ::close(std::exchange(fd_, -1)) == 0; }
  // Renames it over the target; from then on it is no longer ours to remove.
  bool renameTo(const std::string& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) return false;
    path_.clear();
    return true;
  }

 private:
  int fd_ = -1;
  std::string path_;
};

void writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      throw WriteFailure{};
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
}

// Writes the content to a new file and renames it over the target: a reader, a crash or
// a full disk sees the old file or the new one, never a mix.
void replace(const std::string& target, std::string_view content, const struct stat* old) {
  TemporaryFile temporary(target);
  if (old != nullptr) {
    if (::fchmod(temporary.fd(), old->st_mode & 07777) != 0) throw WriteFailure{};
    // Keeps the owner when another account (root) writes the file; allowed or not, the
    // file stays usable by whoever may write it.
    if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(temporary.fd(), old->st_uid, old->st_gid);
    }
  }
  writeAll(temporary.fd(), content);
  if (::fsync(temporary.fd()) != 0 || !temporary.close()) throw WriteFailure{};
  if (!temporary.renameTo(target)) throw WriteFailure{};
  // The rename itself must reach the disk too. Some file systems cannot sync a folder;
  // the file is in place anyway.
  const int folder = openRetrying(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    const FileDescriptor guard(folder);
    if (::fsync(folder) != 0 && errno != EINVAL && errno != EROFS) throw WriteFailure{};
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

std::string ProfileFile::read(std::string_view section, std::string_view key) const {
  std::optional<std::string> own = readFileIfExists(localPath(path_), kMaxProfileSize);
  const std::string content =
      own ? std::move(*own) : (shipped_.empty() ? std::string() : readProfile(shipped_));
  const std::vector<Span> spans = spansOf(content);
  const Place place = find(content, spans, nameOf(section), nameOf(key));
  return place.key ? cutValue(place.keyLine.value) : std::string();
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
    Named n{nameOf(e.section), nameOf(e.key), cutValue(withoutLineBreaks(lineAsUtf8(e.value)))};
    if (!canWriteKey(n.key)) throw CalcError(writeMessage(path_));
    named.push_back(std::move(n));
  }
  try {
    const std::string target = replacedFile(localPath(path_));
    if (!shipped_.empty()) makeFolders(folderOf(target));
    struct stat old {};
    const WriteLock lock(target + ".lock",
                         ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 0666) : 0644);
    // Looked at and read again under the lock: another writer may have changed the file.
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) throw WriteFailure{};
    if (exists && !S_ISREG(old.st_mode)) throw WriteFailure{};
    // A file made read-only is kept so, although the folder would let us replace it.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
      throw WriteFailure{};
    }
    // The user's copy starts as the shipped file, whole.
    const std::string content =
        exists || shipped_.empty() ? readProfile(target) : readProfile(shipped_);
    std::string updated = content;
    for (const Named& n : named) {
      updated = withKey(updated, n.section, n.key, n.text);
      if (updated.size() > kMaxProfileSize) throw WriteFailure{};
    }
    if (exists && updated == content) return;
    replace(target, updated, exists ? &old : nullptr);
  } catch (const WriteFailure&) {
    throw CalcError(writeMessage(path_));
  } catch (const CalcError&) {
    throw CalcError(writeMessage(path_));
  }
}

}  // namespace valvora::platform
