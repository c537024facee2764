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

std::string writeFailure(const std::string& path, const std::string& message) {
  return failureOf([&] { ProfileFile(path).write("S", "A", message); });
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
  };
  const Case cases[] = {
      {prepare("readonly-folder", 0555, 0644), As::kNobody, RLIM_INFINITY},
      {prepare("readonly-file", 0755, 0444), As::kNobody, RLIM_INFINITY},
      {prepare("full", 0755, 0644), As::kSelf, 8},  // no room for the new file
  };
  for (const Case& c : cases) {
    EXPECT_EQ(inChild(
                  c.as, [&] { return writeFailure(c.path, "new"); }, c.sizeLimit),
              "Impossible d'écrire dans " + c.path);
    EXPECT_EQ(bytesOf(c.path), old) << c.path;
    EXPECT_EQ(strayFiles(std::filesystem::path(c.path).parent_path()), std::vector<std::string>{});
  }
  const std::string unreadable = prepare("unreadable", 0755, 0200);
  EXPECT_EQ(inChild(As::kNobody,
                    [&] { return failureOf([&] { ProfileFile(unreadable).read("S", "A"); }); }),
            cannotOpenMessage(unreadable, EACCES));
}

TEST(ProfileWrite, AKilledWriterLeavesTheOldOrTheNewFile) {
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
  for (int iteration = 0; iteration < 30; ++iteration) {
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
    ::usleep(std::uniform_int_distribution<useconds_t>(1000, 40000)(random));
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
