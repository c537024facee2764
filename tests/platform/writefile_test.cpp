#include "platform/writefile.h"

#include "platform/atomicfile.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "as_user.h"
#include "core/failure.h"
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

std::string writeFailure(const std::string& path, std::string_view bytes) {
  try {
    replaceFile(path, bytes);
  } catch (const CalcError& error) {
    return error.message();
  }
  return "";
}

TEST(Windows1252, OneByteACharacterAndAQuestionMarkForTheRest) {
  const struct {
    std::string utf8;
    std::string bytes;
  } cases[] = {
      {"Fichier généré à 22:41", "Fichier g\xE9n\xE9r\xE9 \xE0 22:41"},
      {"€ œ Ÿ ‰ ’", "\x80 \x9C \x9F \x89 \x92"},
      {"Ω 日本 😀.", "? ?? ?."},
      {"caf\xE9 ok", "caf? ok"},  // a Windows-1252 byte, not UTF-8: one mark, the rest kept
      {"x\xE2\x82", "x??"},       // cut inside a character
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(toWindows1252(c.utf8), c.bytes) << c.utf8;
}

TEST(FileErrorMessage, EachSystemErrorItsMessage) {
  const struct {
    int error;
    const char* message;
  } cases[] = {
      {ENOENT, "Fichier introuvable"},
      {ENOTDIR, "Nom de fichier incorrect"},
      {ENAMETOOLONG, "Nom de fichier incorrect"},
      {EINVAL, "Nom de fichier incorrect"},
      {EMFILE, "Trop de fichiers ouverts"},
      {ENFILE, "Trop de fichiers ouverts"},
      {EACCES, "Accès au fichier refusé"},
      {EPERM, "Accès au fichier refusé"},
      {EROFS, "Accès au fichier refusé"},
      {ENOSPC, "Disque plein"},
      {EDQUOT, "Disque plein"},
      {EIO, "Erreur E/S 5"},
      {EFBIG, "Erreur E/S 27"},
  };
  for (const auto& c : cases) EXPECT_EQ(fileErrorMessage(c.error), c.message) << c.error;
}

TEST(ReplaceFile, CreatesOrReplacesAndRefusesWhatIsNotAFile) {
  const TempFolder folder;
  const std::string created = folder / "new.html";
  EXPECT_EQ(writeFailure(created, "a\r\nb\r\n"), "");
  EXPECT_EQ(bytesOf(created), "a\r\nb\r\n");
  EXPECT_EQ(writeFailure(created, "c"), "");
  EXPECT_EQ(bytesOf(created), "c");
  EXPECT_TRUE(regularFileExists(created));

  std::filesystem::create_directories(folder.path() / "folder.html");
  ::mkfifo((folder / "fifo.html").c_str(), 0644);
  const struct {
    std::string path;
    const char* message;
  } cases[] = {
      {folder / "absent/r.html", "Fichier introuvable"},
      {folder / "new.html/r.html", "Nom de fichier incorrect"},
      {folder / std::string(300, 'n'), "Nom de fichier incorrect"},
      {folder / "folder.html", "Accès au fichier refusé"},
      {folder / "fifo.html", "Accès au fichier refusé"},  // refused, not waited on
      {"", "Fichier introuvable"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(writeFailure(c.path, "x"), c.message) << c.path;
    EXPECT_FALSE(regularFileExists(c.path)) << c.path;
  }
}

TEST(ReplaceFile, AReadOnlyFolderOrFileIsRefused) {
  const TempFolder folder;
  std::filesystem::create_directories(folder.path() / "ro");
  const std::string old = folder.write("ro/old.html", "old");
  ::chmod(old.c_str(), 0444);
  ::chmod((folder / "ro").c_str(), 0555);
  EXPECT_EQ(inChild(As::kNobody, [&] { return writeFailure(folder / "ro/new.html", "x"); }),
            "Accès au fichier refusé");
  EXPECT_EQ(inChild(As::kNobody, [&] { return writeFailure(old, "x"); }),
            "Accès au fichier refusé");
  EXPECT_EQ(bytesOf(old), "old");
  EXPECT_FALSE(std::filesystem::exists(folder / "ro/new.html"));
}

}  // namespace
}  // namespace valvora::platform
