// Where the settings file lies: beside the executable while its folder can be written, else
// the user's own copy made from the shipped file. As root every folder can be written, so
// the cases run in a child switched to the unprivileged user.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "as_user.h"
#include "core/failure.h"
#include "platform/profile.h"
#include "temp_folder.h"

namespace valvora::platform {
namespace {

using testing::As;
using testing::inChild;
using testing::TempFolder;

constexpr uid_t kNobody = 65534;

const std::string kShipped =
    "; limites des fiches techniques\r\n[6L6DataSheet]\r\nPa=19\r\nPg2=2,5\r\n"
    "[EL34DataSheet]\r\nPa=25\r\n";

std::string bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string failureOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const CalcError& error) {
    return error.what();
  }
  return "";
}

// An installed program folder: root's, with the shipped file, which nobody else may write.
struct Installed {
  TempFolder root;
  std::string program = root / "lib/valvora/";
  std::string shipped = root.write("lib/valvora/valvora.ini", kShipped);
  std::string home = root / "home";  // the user's, where the copy goes
  Installed() {
    std::filesystem::create_directories(home);
    ::chown(home.c_str(), kNobody, kNobody);
  }
};

// Runs body as the unprivileged user; skips the test when this machine cannot.
bool canRunAsNobody() {
  return ::geteuid() != 0 || inChild(As::kNobody, [] { return std::string("ok"); }) == "ok";
}

TEST(SettingsLocation, FollowsTheProgramFolderAndTheEnvironment) {
  if (!canRunAsNobody()) GTEST_SKIP() << "cannot run as an ordinary user";
  const Installed in;
  const TempFolder writable;
  ::chown(writable.path().c_str(), kNobody, kNobody);
  const std::string own = writable.path().string() + "/";
  struct Case {
    std::string folder;
    const char* xdg;
    const char* home;
    std::string path;
    std::string shipped;
  };
  const Case cases[] = {
      // The build tree or an unpacked folder: the file beside the executable, as always.
      {own, "/cfg", "/home/u", own + "valvora.ini", ""},
      {own, nullptr, nullptr, own + "valvora.ini", ""},
      // Installed: the user's copy.
      {in.program, "/cfg", "/home/u", "/cfg/valvora/valvora.ini", in.shipped},
      {in.program, "/cfg/", "/home/u", "/cfg/valvora/valvora.ini", in.shipped},
      {in.program, nullptr, "/home/u", "/home/u/.config/valvora/valvora.ini", in.shipped},
      {in.program, "", "/home/u", "/home/u/.config/valvora/valvora.ini", in.shipped},
      {in.program, "cfg", "/home/u", "/home/u/.config/valvora/valvora.ini", in.shipped},
      // No place of the user's at all: the shipped file, whose writes then fail.
      {in.program, nullptr, nullptr, in.shipped, ""},
      {in.program, "cfg", "", in.shipped, ""},
  };
  for (const Case& c : cases) {
    const std::string got = inChild(As::kNobody, [&] {
      const ProfileFile file = settingsFileFor(c.folder, c.xdg, c.home);
      return file.path() + "|" + file.shipped();
    });
    EXPECT_EQ(got, c.path + "|" + c.shipped)
        << c.folder << " " << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
  }
}

TEST(SettingsLocation, TheFirstWriteCopiesTheShippedFileWholeAndLaterReadsTakeTheCopy) {
  if (!canRunAsNobody()) GTEST_SKIP() << "cannot run as an ordinary user";
  const Installed in;
  const std::string copy = in.home + "/.config/valvora/valvora.ini";
  const std::string text = inChild(As::kNobody, [&] {
    const ProfileFile file = settingsFileFor(in.program, nullptr, in.home.c_str());
    std::string seen = file.read("EL34DataSheet", "Pa") + "|";  // before any copy exists
    file.write({{"6L6", "Anode", "235"}, {"6L6DataSheet", "Pa", "20"}});
    seen += file.read("6L6", "Anode") + "|" + file.read("6L6DataSheet", "Pa") + "|";
    file.write("6L6", "Anode", "240");  // the copy is now the file; nothing is copied again
    return seen + file.read("6L6", "Anode") + "|" + file.read("EL34DataSheet", "Pa");
  });
  EXPECT_EQ(text, "25|235|20|240|25");
  EXPECT_EQ(bytesOf(in.shipped), kShipped);
  EXPECT_EQ(bytesOf(copy),
            "; limites des fiches techniques\r\n[6L6DataSheet]\r\nPa=20\r\nPg2=2,5\r\n"
            "[EL34DataSheet]\r\nPa=25\r\n[6L6]\r\nAnode=240\r\n");
  struct stat status {};
  ASSERT_EQ(::stat(copy.c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, kNobody);
  ASSERT_EQ(::stat((in.home + "/.config/valvora").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);
}

TEST(SettingsLocation, AnExistingCopyIsReadInsteadOfTheShippedFile) {
  if (!canRunAsNobody()) GTEST_SKIP() << "cannot run as an ordinary user";
  const Installed in;
  const std::string mine = "[6L6DataSheet]\nPa=30\n";
  const std::string copy = in.root.write("cfg/valvora/valvora.ini", mine);
  for (const std::string& p : {copy, in.root / "cfg/valvora", in.root / "cfg"})
    ::chown(p.c_str(), kNobody, kNobody);
  const std::string cfg = in.root / "cfg";
  const std::string text = inChild(As::kNobody, [&] {
    const ProfileFile file = settingsFileFor(in.program, cfg.c_str(), in.home.c_str());
    // The copy is the whole file: a section only the shipped file has is not looked up.
    return file.read("6L6DataSheet", "Pa") + "|" + file.read("EL34DataSheet", "Pa");
  });
  EXPECT_EQ(text, "30|");
  EXPECT_EQ(bytesOf(copy), mine);
  EXPECT_FALSE(std::filesystem::exists(in.home + "/.config"));
}

TEST(SettingsLocation, AFolderThatCannotBeMadeFailsWithTheUsersPathAndLosesNothing) {
  if (!canRunAsNobody()) GTEST_SKIP() << "cannot run as an ordinary user";
  const Installed in;
  const std::string locked = in.root / "locked";  // root's: the user cannot make cfg in it
  std::filesystem::create_directories(locked);
  const std::string blocked = in.root.write("home/file", "");  // a file where a folder goes
  ::chown(blocked.c_str(), kNobody, kNobody);
  for (const std::string& configHome : {locked + "/cfg", blocked}) {
    const std::string text = inChild(As::kNobody, [&] {
      const ProfileFile file = settingsFileFor(in.program, configHome.c_str(), in.home.c_str());
      return failureOf([&] { file.write("6L6", "Anode", "235"); }) + "|" +
             file.read("6L6DataSheet", "Pa");
    });
    EXPECT_EQ(text, "Impossible d'écrire dans " + configHome + "/valvora/valvora.ini|19");
    EXPECT_EQ(bytesOf(in.shipped), kShipped);
  }
  EXPECT_TRUE(std::filesystem::is_empty(locked));
  EXPECT_EQ(bytesOf(blocked), "");
}

}  // namespace
}  // namespace valvora::platform
