// ngspice is initialised once per process: each case runs in its own child process, with the
// library, home and current folder it chooses.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/failure.h"
#include "platform/spice.h"
#include "tests/platform/as_user.h"
#include "tests/platform/temp_folder.h"

namespace valvora::platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kShortRun = "* t\nV1 1 0 1\nR1 1 0 1k\n.tran 1u 1m\n.end\n";

// Runs the short circuit in a child process after setup; gives "ran" or the failure's message.
std::string runInOwnProcess(const std::function<void()>& setup) {
  return testing::runInChild(
      [] {
        ::alarm(30);
        return true;
      },
      [&]() -> std::string {
        setup();
        try {
          return ngspice().run(kShortRun, [](int) {}) ? "ran" : "halted";
        } catch (const CalcError& e) {
          return e.message();
        }
      });
}

TEST(NgspiceProcess, LibraryMissingOrIncompleteOrNeverStarting) {
  const struct {
    const char* library;
    const char* message;
  } cases[] = {
      {"/nonexistent/libngspice.so.0",
       "Le simulateur ngspice n'est pas installé (paquet libngspice0)."},
      {"libm.so.6", "Le simulateur ngspice n'est pas installé (paquet libngspice0)."},
      {VALVORA_FAKE_NGSPICE, "Le simulateur ne démarre pas."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.library);
    EXPECT_EQ(runInOwnProcess([&] { ::setenv("VALVORA_NGSPICE_LIBRARY", c.library, 1); }),
              c.message);
  }
}

// A .spiceinit in the launch folder or the home would run its shell command at ngspice's
// first initialisation; the folder and the home are the caller's again afterwards.
TEST(NgspiceProcess, SpiceinitOfTheUsersFoldersIsNotRead) {
  const testing::TempFolder root;
  const fs::path launch = root.path() / "launch", home = root.path() / "home";
  const fs::path marker = root.path() / "marker";
  for (const fs::path& folder : {launch, home}) {
    fs::create_directories(folder);
    std::ofstream(folder / ".spiceinit") << "shell touch " << marker.string() << "\n";
  }
  EXPECT_EQ(runInOwnProcess([&] {
              ::setenv("HOME", home.c_str(), 1);
              fs::current_path(launch);
            }),
            "ran");
  EXPECT_FALSE(fs::exists(marker));
  const std::string where =
      testing::runInChild([] { return true; },
                          [&] {
                            ::setenv("HOME", home.c_str(), 1);
                            fs::current_path(launch);
                            ngspice().run(kShortRun, [](int) {});
                            return fs::current_path().string() + " " + std::getenv("HOME");
                          });
  EXPECT_EQ(where, launch.string() + " " + home.string());
}

}  // namespace
}  // namespace valvora::platform
