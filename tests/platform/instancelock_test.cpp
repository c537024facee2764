#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/instancelock.h"
#include "temp_folder.h"

extern char** environ;

namespace valvora::platform {
namespace {

// Each test gets its own runtime folder and names unique to this run, so parallel runs
// and leftovers from earlier ones cannot interfere.
class InstanceLockTest : public ::testing::Test {
 protected:
  InstanceLockTest() {
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
    ::setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
  }
  ~InstanceLockTest() override {
    if (saved_) {
      ::setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
    } else {
      ::unsetenv("XDG_RUNTIME_DIR");
    }
  }

  static std::string name(const std::string& what) {
    return "Nom de l application " + std::to_string(::getpid()) + " " + what;
  }

  // Exit code of a child process that tries the lock: 0 when it got it, 1 when not.
  static int childTries(const std::string& lockName) {
    const pid_t child = ::fork();
    if (child == 0) {
      const InstanceLock lock(lockName);
      _exit(lock.acquired() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  testing::TempFolder runtime_;
  std::optional<std::string> saved_;
};

TEST_F(InstanceLockTest, AnotherProcessWaitsForTheHolder) {
  const std::string lockName = name("held");
  {
    const InstanceLock held(lockName);
    ASSERT_TRUE(held.acquired());
    EXPECT_EQ(childTries(lockName), 1);
    EXPECT_EQ(childTries(name("other")), 0);
  }
  EXPECT_EQ(childTries(lockName), 0);
}

TEST_F(InstanceLockTest, DiesWithItsHolder) {
  const std::string lockName = name("dies");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    const InstanceLock lock(lockName);
    const char got = lock.acquired() ? 'y' : 'n';
    if (::write(ready[1], &got, 1) != 1) _exit(2);
    ::pause();  // until killed: the lock is never released by the program itself
    _exit(0);
  }
  char got = 0;
  ASSERT_EQ(::read(ready[0], &got, 1), 1);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_EQ(got, 'y');
  EXPECT_FALSE(InstanceLock(lockName).acquired());
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_TRUE(InstanceLock(lockName).acquired());
}

TEST_F(InstanceLockTest, ProgramsStartedByTheHolderDoNotKeepIt) {
  const std::string lockName = name("spawn");
  pid_t sleeper = 0;
  {
    const InstanceLock held(lockName);
    ASSERT_TRUE(held.acquired());
    char program[] = "/bin/sleep";
    char seconds[] = "30";
    char* arguments[] = {program, seconds, nullptr};
    ASSERT_EQ(::posix_spawn(&sleeper, program, nullptr, nullptr, arguments, environ), 0);
  }
  EXPECT_TRUE(InstanceLock(lockName).acquired());
  ::kill(sleeper, SIGKILL);
  ::waitpid(sleeper, nullptr, 0);
}

TEST_F(InstanceLockTest, NameWithSlashesStaysInTheRuntimeFolder) {
  const std::string lockName = name("a/b/../c");
  const InstanceLock first(lockName);
  const InstanceLock second(lockName);
  EXPECT_TRUE(first.acquired());
  EXPECT_FALSE(second.acquired());
  EXPECT_EQ(std::filesystem::path(first.path()).parent_path(), runtime_.path());
}

TEST_F(InstanceLockTest, FallsBackToTmpWithoutAUsableRuntimeFolder) {
  const std::string file = runtime_.write("not-a-folder", "");
  for (const char* runtime : {"", "/nonexistent/valvora", file.c_str()}) {
    ::setenv("XDG_RUNTIME_DIR", runtime, 1);
    const InstanceLock lock(name("fallback"));
    EXPECT_TRUE(lock.acquired()) << runtime;
    EXPECT_EQ(std::filesystem::path(lock.path()).parent_path(), "/tmp") << runtime;
    EXPECT_NE(lock.path().find(std::to_string(::getuid())), std::string::npos) << lock.path();
    EXPECT_EQ(childTries(name("fallback")), 1) << runtime;
    std::filesystem::remove(lock.path());
  }
}

TEST_F(InstanceLockTest, AnUncreatableLockFileDoesNotStopTheProgram) {
  const std::string tooLong = name(std::string(300, 'x'));
  EXPECT_TRUE(InstanceLock(tooLong).acquired());
  EXPECT_EQ(childTries(tooLong), 0);
}

}  // namespace
}  // namespace valvora::platform
