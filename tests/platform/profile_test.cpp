#include "platform/profile.h"

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "as_user.h"
#include "core/failure.h"
#include "platform/atomicfile.h"
#include "platform/files.h"
#include "temp_folder.h"

namespace valvora::platform {
namespace {

using testing::As;
using testing::inChild;
using testing::TempFolder;

std::string bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The failure's message, empty when the call succeeded.
std::string failureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const CalcError& error) {
    return error.what();
  }
  return "";
}

// The write's failure and the system's error behind it; empty when it succeeded.
std::string writeFailure(const std::string& path, const std::string& value) {
  try {
    ProfileFile(path).write("S", "A", value);
  } catch (const FileError& error) {
    return error.message() + "|" + std::to_string(error.errorNumber());
  }
  return "";
}

// Files a write left beside the settings file, other than its lock.
std::vector<std::string> strayFiles(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name != "valvora.ini" && name != "valvora.ini.lock") names.push_back(name);
  }
  return names;
}

TEST(ProfileRead, NamesBlanksQuotesCommentsAndDuplicatesWithEveryLineEnd) {
  const std::string lines[] = {
      "orphan=1",     "; réglages",  "[6L6]",     "Anode = 450 ", "  cathode\t=\t\"  32,5 \"",
      "Grille='410'", "C9=\"mixed'", ";R19=note", "R19 12",       "anode=second",
      "[ el34 ]",     "Pa=25",       "[6l6]",     "R20=again",    "[Été]",
      "Clé=Ω",        "[a]b]",       "k=v",
  };
  struct Case {
    const char* section;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"6L6", "Anode", "450"},    {"6l6", "ANODE", "450"},
      {" 6L6 ", "anode ", "450"}, {"6L6", "Cathode", "  32,5 "},
      {"6L6", "Grille", "410"},   {"6L6", "C9", "\"mixed'"},
      {"6L6", "R19", ""},         {"6L6", ";R19", ""},
      {"6L6", "R20", ""},         {"EL34", "pa", "25"},
      {"Été", "CLé", "Ω"},        {"éTé", "Clé", ""},
      {"ÉTÉ", "Clé", ""},         {"a]b", "K", "v"},
      {"", "orphan", ""},         {"Absent", "Anode", ""},
      {"6L6", "Absent", ""},
  };
  const TempFolder folder;
  for (const char* end : {"\r\n", "\n", "\r"}) {
    std::string content;
    for (const std::string& line : lines) content += line + end;
    const ProfileFile file(folder.write("valvora.ini", content));
    for (const Case& c : cases) {
      EXPECT_EQ(file.read(c.section, c.key), c.value) << c.section << "/" << c.key << " " << end[0];
    }
  }
}

TEST(ProfileRead, ValuesAreCutToThirtyCharactersAndWindowsTextKeepsItsAccents) {
  const std::string e = "é";
  std::string thirtyOneE;
  for (int i = 0; i < 31; ++i) thirtyOneE += e;
  struct Case {
    std::string line;
    std::string value;
  };
  const Case cases[] = {
      {"V=" + std::string(31, '7'), std::string(30, '7')},
      {"V=" + std::string(30, '7'), std::string(30, '7')},
      {"V=" + thirtyOneE, thirtyOneE.substr(0, 60)},
      {"V=\"" + std::string(29, 'x') + "€€\"", std::string(29, 'x') + "€"},
      {"V=caf\xE9 \x80", "café €"},
      {"v=" + std::string(31, '\xE9'), thirtyOneE.substr(0, 60)},
  };
  const TempFolder folder;
  for (const Case& c : cases) {
    const ProfileFile file(folder.write("valvora.ini", "[S]\r\n" + c.line + "\r\n"));
    EXPECT_EQ(file.read("s", "V"), c.value) << c.line;
  }
}

TEST(ProfileRead, MissingIsEmptyAndUnreadableFails) {
  const TempFolder folder;
  std::filesystem::create_directories(folder.path() / "folder.ini");
  folder.write("plain", "x");
  folder.write("big.ini", "[S]\r\nA=1\r\n" + std::string(1 << 20, ';'));
  ::mkfifo((folder / "fifo.ini").c_str(), 0644);
  struct Case {
    std::string path;
    std::string failure;
  };
  const Case cases[] = {
      {folder / "absent.ini", ""},
      {folder / "absent/valvora.ini", ""},
      {folder / "plain/valvora.ini", ""},
      {folder / "folder.ini", cannotOpenMessage(folder / "folder.ini", EISDIR)},
      {folder / "big.ini", "Le fichier \"" + folder / "big.ini" + "\" dépasse 1 Mo"},
      {folder / "fifo.ini", "Impossible d'ouvrir le fichier \"" + folder / "fifo.ini" +
                                "\". Le chemin ne désigne pas un fichier ordinaire"},
  };
  for (const Case& c : cases) {
    std::string value = "unset";
    EXPECT_EQ(failureOf([&] { value = ProfileFile(c.path).read("S", "A"); }), c.failure) << c.path;
    EXPECT_EQ(value, c.failure.empty() ? "" : "unset") << c.path;
  }
}

TEST(ProfileWrite, ChangesOnlyTheKeysLineOrAddsItWhereItBelongs) {
  std::string thirtyOneE;
  for (int i = 0; i < 31; ++i) thirtyOneE += "é";
  struct Case {
    std::string before;
    const char* section;
    const char* key;
    std::string value;
    std::string after;
  };
  const Case cases[] = {
      // Replaced in place: the key's spelling and line break stay, every other byte too.
      {"; c \n[S]\n  A = 1 \r\nB=2\r[T]\nA=3", "s", "a", "9", "; c \n[S]\nA=9\r\nB=2\r[T]\nA=3"},
      {"[S]\nA=1\nA=2\n[S]\nA=3\n", "S", "A", "x", "[S]\nA=x\nA=2\n[S]\nA=3\n"},
      {"[S]\r\nA=1\r\n;B=0\r\n\r\n [T]\r\n", "S", "B", "2",
       "[S]\r\nA=1\r\n;B=0\r\nB=2\r\n\r\n [T]\r\n"},
      {"[S]\n\n\n[T]\n", "S", "B", "2", "[S]\nB=2\r\n\n\n[T]\n"},
      {"[S]\nA=1", "S", "B", "2", "[S]\nA=1\r\nB=2\r\n"},
      {"[S]\nA=1", "T", "B", "2", "[S]\nA=1\r\n[T]\r\nB=2\r\n"},
      {"x\r", "T", "B", "2", "x\r[T]\r\nB=2\r\n"},
      {"[S]\r\nN=caf\xE9\r\n; \xE9t\xE9\r\n", "S", "n", "thé", "[S]\r\nN=thé\r\n; \xE9t\xE9\r\n"},
      // Line breaks would forge keys and sections.
      {"", "S", "A", "1\r\n[Evil]\nB=2", "[S]\r\nA=1[Evil]B=2\r\n"},
      {"", "S\r\n[T", "A\n", "1", "[S[T]\r\nA=1\r\n"},
      {"", "a]b", "A", "", "[a]b]\r\nA=\r\n"},
      // Cut to 30 characters, never inside one.
      {"", "S", "A", std::string(31, '7'), "[S]\r\nA=" + std::string(30, '7') + "\r\n"},
      {"", "S", "A", thirtyOneE, "[S]\r\nA=" + thirtyOneE.substr(0, 60) + "\r\n"},
      {"", "S", "A", std::string(29, 'x') + "€€", "[S]\r\nA=" + std::string(29, 'x') + "€\r\n"},
  };
  const TempFolder folder;
  for (const Case& c : cases) {
    const std::string path = folder / "valvora.ini";
    std::filesystem::remove(path);
    if (!c.before.empty()) folder.write("valvora.ini", c.before);
    ProfileFile(path).write(c.section, c.key, c.value);
    EXPECT_EQ(bytesOf(path), c.after) << c.before;
    EXPECT_EQ(strayFiles(folder.path()), std::vector<std::string>{});
  }
}

TEST(ProfileWrite, ABatchSetsItsKeysInOrderOrNoneOfThem) {
  using Entries = std::vector<ProfileFile::Entry>;
  struct Case {
    std::string before;
    Entries entries;
    std::string after;  // empty: refused, the file stays as it was
  };
  const Case cases[] = {
      {"",
       {{"S", "A", "1"}, {"T", "A", "2"}, {"S", "B", "3"}, {"s", "a", "4"}},
       "[S]\r\nA=4\r\nB=3\r\n[T]\r\nA=2\r\n"},
      {"; keep\n[D]\nPa=25\n",
       {{"S", "A", std::string(31, '7')}, {"D", "pa", "30"}},
       "; keep\n[D]\nPa=30\n[S]\r\nA=" + std::string(30, '7') + "\r\n"},
      // A key that cannot be written, even the last, stops every other.
      {"[S]\r\nA=1\r\n", {{"S", "A", "2"}, {"T", "B", "3"}, {"S", "[C]", "4"}}, ""},
  };
  const TempFolder folder;
  for (const Case& c : cases) {
    const std::string path = folder / "valvora.ini";
    std::filesystem::remove(path);
    if (!c.before.empty()) folder.write("valvora.ini", c.before);
    const std::string failure = failureOf([&] { ProfileFile(path).write(c.entries); });
    EXPECT_EQ(failure, c.after.empty() ? "Impossible d'écrire dans " + path : "") << c.before;
    EXPECT_EQ(bytesOf(path), c.after.empty() ? c.before : c.after) << c.before;
  }
}

// Key after key, the first would have fitted; the whole batch does not, and nothing of it
// may reach the file.
TEST(ProfileWrite, ABatchWithoutRoomLeavesTheOldFile) {
  const TempFolder folder;
  const std::string old = "[6L6DataSheet]\r\nPa=19\r\n";
  const std::string path = folder.write("valvora.ini", old);
  std::vector<ProfileFile::Entry> entries;
  for (int k = 0; k < 42; ++k) entries.push_back({"S", "K" + std::to_string(k), "value"});
  EXPECT_EQ(inChild(
                As::kSelf, [&] { return failureOf([&] { ProfileFile(path).write(entries); }); },
                old.size() + 16),
            "Impossible d'écrire dans " + path);
  EXPECT_EQ(bytesOf(path), old);
  EXPECT_EQ(strayFiles(folder.path()), std::vector<std::string>{});
}

TEST(ProfileWrite, KeysThatWouldReadBackAsSomethingElseAreRefused) {
  const TempFolder folder;
  const std::string path = folder.write("valvora.ini", "[S]\r\nA=1\r\n");
  for (const char* key : {"A=B", "[T]", ";A"}) {
    EXPECT_EQ(failureOf([&] { ProfileFile(path).write("S", key, "2"); }),
              "Impossible d'écrire dans " + path)
        << key;
  }
  EXPECT_EQ(bytesOf(path), "[S]\r\nA=1\r\n");
}

TEST(ProfileWrite, ThroughALinkReplacesTheTargetAndKeepsItsMode) {
  const TempFolder folder;
  const std::string target = folder.write("real/valvora.ini", "[S]\r\nA=1\r\n");
  ::chmod(target.c_str(), 0640);
  std::filesystem::create_directories(folder.path() / "bin");
  const std::string link = folder / "bin/valvora.ini";
  std::filesystem::create_symlink("../real/valvora.ini", link);
  ProfileFile(link).write("S", "A", "2");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(bytesOf(target), "[S]\r\nA=2\r\n");
  struct stat status {};
  ASSERT_EQ(::stat(target.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  EXPECT_EQ(strayFiles(folder.path() / "real"), std::vector<std::string>{});
}

TEST(ProfileWrite, RefusalsKeepTheOldFileWhole) {
  const TempFolder folder;
  const std::string old = "; mine\n[S]\nA=old\n";
  auto prepare = [&](const char* name, mode_t folderMode, mode_t fileMode) {
    const std::string path = folder.write(std::string(name) + "/valvora.ini", old);
    // Owned by the unprivileged user, so that only the mode bits refuse.
    for (const std::string& p : {path, folder / name}) ::chown(p.c_str(), 65534, 65534);
    ::chmod(path.c_str(), fileMode);
    ::chmod((folder / name).c_str(), folderMode);
    return path;
  };
  const std::string writable = prepare("writable", 0755, 0644);
  if (inChild(As::kNobody, [&] { return writeFailure(writable, "new"); }) != "")
    GTEST_SKIP() << "cannot run as an ordinary user";
  ASSERT_EQ(bytesOf(writable), "; mine\n[S]\nA=new\n");

  struct Case {
    std::string path;
    As as;
    rlim_t sizeLimit;
    int error;  // kept inside the failure, the message being the same
  };
  const Case cases[] = {
      {prepare("readonly-folder", 0555, 0644), As::kNobody, RLIM_INFINITY, EACCES},
      {prepare("readonly-file", 0755, 0444), As::kNobody, RLIM_INFINITY, EACCES},
      {prepare("full", 0755, 0644), As::kSelf, 8, EFBIG},  // no room for the new file
  };
  for (const Case& c : cases) {
    EXPECT_EQ(inChild(
                  c.as, [&] { return writeFailure(c.path, "new"); }, c.sizeLimit),
              "Impossible d'écrire dans " + c.path + "|" + std::to_string(c.error));
    EXPECT_EQ(bytesOf(c.path), old) << c.path;
    EXPECT_EQ(strayFiles(std::filesystem::path(c.path).parent_path()), std::vector<std::string>{});
  }
  const std::string unreadable = prepare("unreadable", 0755, 0200);
  EXPECT_EQ(inChild(As::kNobody,
                    [&] { return failureOf([&] { ProfileFile(unreadable).read("S", "A"); }); }),
            cannotOpenMessage(unreadable, EACCES));
}

TEST(ProfileWrite, AKilledWriterLeavesTheOldOrTheNewFileAndNothingElse) {
  const TempFolder folder;
  const std::string a(30, 'a'), b(30, 'b');
  const int keys = 10;
  std::string padding;
  for (int i = 0; i < 500; ++i) padding += "; " + std::string(126, '-') + "\r\n";
  std::string initial = "[S]\r\n";
  for (int k = 0; k < keys; ++k) initial += "K" + std::to_string(k) + "=" + a + "\r\n";
  const std::string path = folder.write("valvora.ini", initial + padding);

  std::mt19937 random(std::random_device{}());
  bool changed = false;
  for (int iteration = 0; iteration < 200; ++iteration) {
    const pid_t child = ::fork();
    if (child == 0) {
      try {
        for (int round = 0;; ++round) {
          for (int k = 0; k < keys; ++k)
            ProfileFile(path).write("S", "K" + std::to_string(k), round % 2 == 0 ? b : a);
        }
      } catch (...) {
      }
      _exit(1);
    }
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 20000)(random));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    const std::string content = bytesOf(path);
    ASSERT_EQ(content.size(), initial.size() + padding.size());
    ASSERT_EQ(content.substr(0, 5), "[S]\r\n");
    for (int k = 0; k < keys; ++k) {
      const std::string line = content.substr(5 + k * 35, 35);
      const std::string key = "K" + std::to_string(k) + "=";
      ASSERT_TRUE(line == key + a + "\r\n" || line == key + b + "\r\n") << line;
    }
    ASSERT_EQ(content.substr(initial.size()), padding);
    changed = changed || content.substr(0, initial.size()) != initial;
  }
  EXPECT_TRUE(changed);
  // What a writer killed between naming its file and renaming it left, the next one removes.
  ProfileFile(path).write("S", "K0", a);
  EXPECT_EQ(strayFiles(folder.path()), std::vector<std::string>{});
}

// Only the temporaries of this file whose writer no longer runs are removed.
TEST(ProfileWrite, RemovesWhatKilledWritersLeft) {
  const pid_t gone = ::fork();
  if (gone == 0) _exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string dead = std::to_string(gone), alive = std::to_string(::getpid());
  struct Case {
    std::string name;
    bool kept;
  };
  const Case cases[] = {
      {".valvora.ini." + dead + ".12345", false}, {".valvora.ini." + alive + ".12345", true},
      {".valvora.ini." + dead + ".", true},       {".valvora.ini.x" + dead + ".1", true},
      {".other.ini." + dead + ".1", true},        {"valvora.ini." + dead + ".1", true},
  };
  const TempFolder folder;
  const std::string path = folder.write("valvora.ini", "[S]\r\nA=1\r\n");
  for (const Case& c : cases) folder.write(c.name, "[S]\r\nA=0\r\n");
  ProfileFile(path).write("S", "A", "2");
  for (const Case& c : cases)
    EXPECT_EQ(std::filesystem::exists(folder.path() / c.name), c.kept) << c.name;
  EXPECT_EQ(bytesOf(path), "[S]\r\nA=2\r\n");
}

// Past the process's file-size limit the write fails with its message and EFBIG, even where
// nobody asked to ignore SIGXFSZ: the program lives on, with the old file and no other.
TEST(ProfileWrite, AFileSizeLimitIsAMessage) {
  const TempFolder folder;
  const std::string old = "[6L6DataSheet]\r\nPa=19\r\n";
  struct Case {
    const char* name;
    std::function<void(const std::string&)> write;
    std::string message;  // after the path's folder
  };
  const Case cases[] = {
      {"valvora.ini",
       [](const std::string& path) { ProfileFile(path).write("S", "A", std::string(30, '7')); },
       "Impossible d'écrire dans " + folder / "valvora.ini"},
      {"report.html", [](const std::string& path) { replaceFile(path, std::string(200, 'x')); },
       "Erreur E/S 27"},
  };
  for (const Case& c : cases) {
    const std::string path = folder.write(c.name, old);
    const std::string seen = testing::runInChild(
        [&] {
          const rlimit limit{old.size() + 4, old.size() + 4};
          return ::signal(SIGXFSZ, SIG_DFL) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        },
        [&] {
          try {
            c.write(path);
          } catch (const FileError& error) {
            return error.message() + "|" + std::to_string(error.errorNumber());
          }
          return std::string("written");
        });
    EXPECT_EQ(seen, c.message + "|" + std::to_string(EFBIG)) << c.name;
    EXPECT_EQ(bytesOf(path), old) << c.name;
  }
  EXPECT_EQ(strayFiles(folder.path()), std::vector<std::string>{"report.html"});
}

std::string utf16(std::u16string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = char(unit >> 8), low = char(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

// A value ends at its first NUL, whatever follows; a byte order mark is read, and a save
// keeps it and the file's encoding.
TEST(ProfileRead, NulsAndByteOrderMarksReadAndSaved) {
  using namespace std::string_literals;
  struct Case {
    const char* what;
    std::string before;
    std::string value;    // of S/A
    std::string written;  // as the new value of S/A, then T/B
    std::string after;
  };
  const Case cases[] = {
      {"NUL",
       "[S]\r\nA=2\0"s
       "5\r\n",
       "2", "9", "[S]\r\nA=9\r\n[T]\r\nB=9\r\n"},
      {"NULs at the end", "[S]\r\nA=1\0\0\r\n"s, "1", "3\0x"s, "[S]\r\nA=3\r\n[T]\r\nB=3\r\n"},
      {"UTF-8 mark", "\xEF\xBB\xBF[S]\r\nA=1\r\n", "1", "é",
       "\xEF\xBB\xBF[S]\r\nA=é\r\n[T]\r\nB=é\r\n"},
      {"UTF-16 LE", utf16(u"; Ω\r\n[S]\r\nA=é1\r\n", false), "é1", "€",
       utf16(u"; Ω\r\n[S]\r\nA=€\r\n[T]\r\nB=€\r\n", false)},
      {"UTF-16 BE", utf16(u"[S]\nA=\"😀 1\"\n", true), "😀 1", "2",
       utf16(u"[S]\nA=2\n[T]\r\nB=2\r\n", true)},
  };
  const TempFolder folder;
  for (const Case& c : cases) {
    const ProfileFile file(folder.write("valvora.ini", c.before));
    EXPECT_EQ(file.read("s", "a"), c.value) << c.what;
    file.write({{"S", "A", c.written}, {"T", "B", c.written}});
    EXPECT_EQ(bytesOf(file.path()), c.after) << c.what;
  }
}

TEST(ProfileWrite, TwoWritersAtOnceLoseNoKey) {
  const TempFolder folder;
  const std::string path = folder.write("valvora.ini", "[S]\r\n");
  const int keys = 15;
  auto writer = [&](char name) {
    const pid_t child = ::fork();
    if (child == 0) {
      try {
        for (int k = 0; k < keys; ++k)
          ProfileFile(path).write("S", name + std::to_string(k), std::string(1, name));
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
    return child;
  };
  const pid_t children[] = {writer('P'), writer('Q')};
  for (const pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  const ProfileFile file(path);
  for (const char name : {'P', 'Q'}) {
    for (int k = 0; k < keys; ++k)
      EXPECT_EQ(file.read("S", name + std::to_string(k)), std::string(1, name)) << name << k;
  }
}

TEST(SettingsPath, LiesBesideTheExecutable) {
  const std::string folder = executableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "valvora_platform_tests"));
  EXPECT_EQ(settingsPath(), folder + "valvora.ini");
}

}  // namespace
}  // namespace valvora::platform
