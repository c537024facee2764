#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/failure.h"
#include "platform/files.h"
#include "temp_folder.h"

namespace valvora::platform {
namespace {

using testing::TempFolder;
using Lines = std::vector<std::string>;

std::string failureOf(const std::string& path) {
  try {
    readFile(path);
  } catch (const CalcError& error) {
    return error.what();
  }
  return "";
}

std::string message(const std::string& full, const std::string& description) {
  return "Impossible d'ouvrir le fichier \"" + full + "\". " + description;
}

// Permission bits stop nothing for root, so as root the attempt runs in a child process
// that first becomes "nobody". Empty when the file could be read.
std::string failureAsOrdinaryUser(const std::string& path) {
  if (::geteuid() != 0) return failureOf(path);
  int channel[2];
  if (::pipe(channel) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(2);
    const std::string text = failureOf(path);
    const bool sent = ::write(channel[1], text.data(), text.size()) == ssize_t(text.size());
    _exit(sent ? 0 : 3);
  }
  ::close(channel[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "child status " + std::to_string(status);
  return text;
}

// Runs a test from another current directory, as the program runs from its data's folder.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::filesystem::path& path)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~CurrentDirectory() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

TEST(Paths, BackslashesAndForwardSlashesNameTheSameFolder) {
  const TempFolder folder;
  const CurrentDirectory inside(folder.path());
  const std::string here = std::filesystem::current_path().string();
  struct Case {
    const char* path;
    const char* local;
    std::string full;
  };
  const Case cases[] = {
      {"data\\2series.jpg", "data/2series.jpg", here + "/data/2series.jpg"},
      {"data/alim.jpg", "data/alim.jpg", here + "/data/alim.jpg"},
      {".\\data\\..\\data\\\\x.jpg", "./data/../data//x.jpg", here + "/data/x.jpg"},
      {"Valvora.hlp", "Valvora.hlp", here + "/Valvora.hlp"},
      {"/opt/a/../b\\c.txt", "/opt/a/../b/c.txt", "/opt/b/c.txt"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(localPath(c.path), c.local) << c.path;
    EXPECT_EQ(fullPath(c.path), c.full) << c.path;
  }
  // Both spellings reach the same file.
  folder.write("data/alim.jpg", "A");
  EXPECT_EQ(readFile("data\\alim.jpg"), "A");
  EXPECT_EQ(readFile("data/alim.jpg"), "A");
}

TEST(SplitLines, EveryKindOfLineEnd) {
  struct Case {
    std::string content;
    Lines lines;
  };
  const Case cases[] = {
      {"", {}},
      {"4\r\n8\r\n16\r\n", {"4", "8", "16"}},
      {"4\r8\r16\r", {"4", "8", "16"}},
      {"4\n8\n16\n", {"4", "8", "16"}},
      {"4\r\n8\r16\n32", {"4", "8", "16", "32"}},
      {"4", {"4"}},
      {"4\r\n8", {"4", "8"}},
      {"\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"\n\r", {"", ""}},
      {"\r\r\n", {"", ""}},
      {"4\n\n8", {"4", "", "8"}},
      {" 4 \t\n8 Ω\n", {" 4 \t", "8 Ω"}},
  };
  for (const Case& c : cases) EXPECT_EQ(splitLines(c.content), c.lines) << c.content;
}

TEST(ReadFile, GivesTheBytesAsStored) {
  const TempFolder folder;
  std::string big(200000, 'x');
  big[7] = '\0';
  big[100000] = '\r';
  EXPECT_EQ(readFile(folder.write("big.bin", big)), big);
  EXPECT_EQ(readFile(folder.write("empty.txt", "")), "");
  EXPECT_EQ(readLines(folder.write("itemlist.txt", "4\r\n6\r8\n16")), (Lines{"4", "6", "8", "16"}));
  EXPECT_EQ(readLines(folder.write("blank.txt", "")), Lines{});
}

TEST(ReadFile, FailsWithTheFullPathAndTheReason) {
  const TempFolder folder;
  folder.write("plain.txt", "x");
  std::filesystem::create_directories(folder.path() / "data" / "folder.jpg");
  const CurrentDirectory inside(folder.path());
  const std::string here = std::filesystem::current_path().string();
  struct Case {
    const char* path;
    std::string expected;
  };
  const Case cases[] = {
      {"data\\itemlist.txt",
       message(here + "/data/itemlist.txt", "Le fichier spécifié est introuvable")},
      {"absent\\deeper\\x.jpg",
       message(here + "/absent/deeper/x.jpg", "Le fichier spécifié est introuvable")},
      {"plain.txt\\x.jpg",
       message(here + "/plain.txt/x.jpg", "Le chemin d'accès spécifié est introuvable")},
      {"data\\folder.jpg",
       message(here + "/data/folder.jpg", "Le chemin désigne un dossier, pas un fichier")},
      {"data", message(here + "/data", "Le chemin désigne un dossier, pas un fichier")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(failureOf(c.path), c.expected) << c.path;
    try {
      readLines(c.path);
      ADD_FAILURE() << "readLines read " << c.path;
    } catch (const CalcError& error) {
      EXPECT_EQ(error.what(), c.expected);
    }
  }
}

TEST(ReadFile, RefusedAccessIsReported) {
  const TempFolder folder;
  const std::string unreadable = folder.write("unreadable.txt", "x");
  ::chmod(unreadable.c_str(), 0);
  const std::string inLockedFolder = folder.write("locked/itemlist.txt", "x");
  ::chmod((folder / "locked").c_str(), 0);
  const std::string readable = folder.write("readable.txt", "x");

  if (failureAsOrdinaryUser(readable) != "") GTEST_SKIP() << "cannot run as an ordinary user";
  EXPECT_EQ(failureAsOrdinaryUser(unreadable), message(unreadable, "Accès refusé"));
  EXPECT_EQ(failureAsOrdinaryUser(inLockedFolder), message(inLockedFolder, "Accès refusé"));
}

TEST(CannotOpenMessage, UnusualErrorsKeepTheSystemsWords) {
  EXPECT_EQ(cannotOpenMessage("/srv/data\\x.jpg", EXDEV),
            message("/srv/data/x.jpg", std::strerror(EXDEV)));
}

}  // namespace
}  // namespace valvora::platform
