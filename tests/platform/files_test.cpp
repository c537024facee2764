#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "as_user.h"
#include "bounded_child.h"
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

// Empty when the file could be read as an ordinary user.
std::string failureAsOrdinaryUser(const std::string& path) {
  return testing::inChild(testing::As::kNobody, [&] { return failureOf(path); });
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

// What a data folder may hold in place of the impedance list: each refused at once with a
// message naming it, never waited on, never read whole.
TEST(ReadLines, HostileFilesAreRefusedAtOnce) {
  const TempFolder folder;
  const std::string fifo = folder / "fifo.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string zero = folder / "zero.txt";
  std::filesystem::create_symlink("/dev/zero", zero);
  const std::string socketPath = folder / "socket.txt";
  const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  std::filesystem::create_directory(folder.path() / "folder.txt");
  std::string million;
  for (int i = 0; i < 1000000; ++i) million += "8\n";
  const std::string sparse = folder.write("sparse.txt", "");
  std::filesystem::resize_file(sparse, std::uintmax_t{100} << 20);
  std::string tooManyLines;
  for (int i = 0; i < 1001; ++i) tooManyLines += "8\n";

  const std::string notAFile = "Le chemin ne désigne pas un fichier ordinaire";
  struct Case {
    std::string path;
    std::string expected;
  };
  const Case cases[] = {
      {fifo, message(fifo, notAFile)},
      {zero, message(zero, notAFile)},
      {socketPath, message(socketPath, notAFile)},
      {folder / "folder.txt",
       message(folder / "folder.txt", "Le chemin désigne un dossier, pas un fichier")},
      {folder.write("million.txt", million),
       "Le fichier \"" + folder / "million.txt" + "\" dépasse 64 Ko"},
      {sparse, "Le fichier \"" + sparse + "\" dépasse 64 Ko"},
      {folder.write("lines.txt", tooManyLines),
       "Le fichier \"" + folder / "lines.txt" + "\" compte plus de 1000 lignes"},
  };
  for (const Case& c : cases) {
    const std::string outcome = testing::inBoundedChild([&] {
      readLines(c.path);
      return std::string("read");
    });
    EXPECT_EQ(outcome, c.expected) << c.path;
  }
  ::close(listening);
}

// A line keeps every byte it has, as text: a NUL stays in the middle, and a line that is not
// UTF-8 is Windows-1252.
TEST(ReadLines, EntriesAreTextWhateverTheirBytes) {
  const TempFolder folder;
  using namespace std::string_literals;
  struct Case {
    std::string content;
    Lines lines;
  };
  const Case cases[] = {
      {"8\0junk\r\n16"s, {"8\0junk"s, "16"}},
      {"8 \xCE\xA9\n", {"8 \xCE\xA9"}},  // UTF-8 kept
      {"caf\xE9\n\x80 \x81 \x9F", {"caf\xC3\xA9", "\xE2\x82\xAC \xC2\x81 \xC5\xB8"}},
      {"\xC3\xA9 \xE9", {"\xC3\x83\xC2\xA9 \xC3\xA9"}},    // a mixed line is 1252
      {"\xC0\xAF", {"\xC3\x80\xC2\xAF"}},                  // overlong is not UTF-8
      {"\xED\xA0\x80", {"\xC3\xAD\xC2\xA0\xE2\x82\xAC"}},  // nor a surrogate
  };
  for (const Case& c : cases) EXPECT_EQ(readLines(folder.write("list.txt", c.content)), c.lines);
  std::string thousand;
  for (int i = 0; i < 1000; ++i) thousand += "16\r\n";
  EXPECT_EQ(readLines(folder.write("list.txt", thousand)).size(), 1000u);
}

TEST(CannotOpenMessage, UnusualErrorsKeepTheSystemsWords) {
  EXPECT_EQ(cannotOpenMessage("/srv/data\\x.jpg", EXDEV),
            message("/srv/data/x.jpg", std::strerror(EXDEV)));
}

}  // namespace
}  // namespace valvora::platform
