#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace valvora::platform {

namespace detail {
class IniIndex;
}

// Longest value, in characters, that the settings file gives or takes.
inline constexpr std::size_t kProfileValueLength = 30;

// The folder of the running executable, with its trailing "/".
std::string executableFolder();

// "valvora.ini" beside the executable, whatever the current directory: the shipped file.
std::string settingsPath();

// The values of a settings file as one reading found them: every key from the same version
// of the file, however often it is looked up and whatever writers do meanwhile.
class ProfileSnapshot {
 public:
  ProfileSnapshot();  // of a missing file: every value empty
  explicit ProfileSnapshot(std::shared_ptr<const detail::IniIndex> values);
  // As ProfileFile::read.
  std::string read(std::string_view section, std::string_view key) const;

 private:
  std::shared_ptr<const detail::IniIndex> values_;
};

// One INI text file, opened for each operation and released at its end (also on failure).
// Section and key names match without regard to case; the first of duplicates wins.
class ProfileFile {
 public:
  explicit ProfileFile(std::string path) : path_(std::move(path)) {}
  // A file of the user's own that starts as a copy of a shipped one: until it exists, reads
  // take the shipped file; the first write copies the shipped file whole (comments and other
  // sections kept), creating the folders on the way, then writes as usual, all under the
  // same lock and in the same replacement. The shipped file is never written.
  ProfileFile(std::string path, std::string shipped)
      : path_(std::move(path)), shipped_(std::move(shipped)) {}

  // The file read once, while no writer of ours is replacing it (the write lock's shared
  // mode, when the lock file exists). A UTF-8 byte order mark is skipped and UTF-16 with its
  // mark is read. Fails (FileError) only when the file exists but cannot be read.
  ProfileSnapshot snapshot() const;

  // The value of the key in a new snapshot: ended at its first NUL, with blanks around it
  // and one pair of matching quotes removed, cut to kProfileValueLength characters; the
  // empty text when the file, the section or the key is missing.
  std::string read(std::string_view section, std::string_view key) const;

  // Replaces the key's value (ended at a NUL, line breaks removed, cut to
  // kProfileValueLength characters),
  // or adds the key to its section, or the section and key at the end of the file. Every
  // other line is kept byte for byte. The file is replaced whole or not at all; a failure
  // raises CalcError "Impossible d'écrire dans <full path>", as does a read-only file or a
  // key name that would not read back as itself ("=" inside, or a leading "[" or ";"); the
  // failure (FileError) keeps the system's error number. The file keeps its encoding and
  // byte order mark. Writers of the same file wait for one another through "<file>.lock"
  // beside it, and the first to hold it removes what killed writers left; through a
  // symbolic link, the link's target is replaced.
  void write(std::string_view section, std::string_view key, std::string_view value) const;

  struct Entry {
    std::string section;
    std::string key;
    std::string value;
  };
  // Several keys set as write() sets one, in order, in one replacement of the file: a
  // failure leaves none of them written and the old file whole.
  void write(const std::vector<Entry>& entries) const;

  const std::string& path() const { return path_; }
  // The file copied on the first write; empty for a plain file.
  const std::string& shipped() const { return shipped_; }

 private:
  std::string path_;
  std::string shipped_;
};

// The settings file of a program installed in programFolder (with its trailing "/"): the
// shipped "valvora.ini" there while that folder can be written (a build tree, an unpacked
// folder); otherwise, as for any program in a read-only system folder, the user's own copy
// <configHome>/valvora/valvora.ini, where configHome is xdgConfigHome when it is an absolute
// path, else <home>/.config. With neither, the shipped file (whose writes then fail).
ProfileFile settingsFileFor(const std::string& programFolder, const char* xdgConfigHome,
                            const char* home);

// settingsFileFor the executable's folder, the environment and the account's home folder.
ProfileFile settingsFile();

}  // namespace valvora::platform
