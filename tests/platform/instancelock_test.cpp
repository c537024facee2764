#include <grp.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "as_user.h"
#include "platform/instancelock.h"
#include "temp_folder.h"

extern char** environ;

namespace valvora::platform {
namespace {

// Each test gets its own folders and names unique to this run, so parallel runs and
// leftovers from earlier ones cannot interfere.
class InstanceLockTest : public ::testing::Test {
 protected:
  InstanceLockTest() {
    // Like /tmp: anyone may make a folder there, nobody may remove another's.
    std::filesystem::permissions(shared_.path(), std::filesystem::perms(01777));
    folders_ = {runtime_.path().string(), shared_.path().string(), ""};
  }

  static std::string name(const std::string& what) {
    return "Nom de l application " + std::to_string(::getpid()) + " " + what;
  }

  // Exit code of a child process that tries the lock: 0 when it got it, 1 when not.
  int childTries(const std::string& lockName) const {
    const pid_t child = ::fork();
    if (child == 0) {
      const InstanceLock lock(lockName, folders_);
      _exit(lock.acquired() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string sharedFolder(const std::string& suffix = "") const {
    return (shared_.path() / ("valvora-" + std::to_string(::getuid()) + suffix)).string();
  }

  testing::TempFolder runtime_;
  testing::TempFolder shared_;
  LockFolders folders_;
};

TEST_F(InstanceLockTest, AnotherProcessWaitsForTheHolder) {
  const std::string lockName = name("held");
  {
    const InstanceLock held(lockName, folders_);
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
    const InstanceLock lock(lockName, folders_);
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
  EXPECT_FALSE(InstanceLock(lockName, folders_).acquired());
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_TRUE(InstanceLock(lockName, folders_).acquired());
}

TEST_F(InstanceLockTest, ProgramsStartedByTheHolderDoNotKeepIt) {
  const std::string lockName = name("spawn");
  pid_t sleeper = 0;
  {
    const InstanceLock held(lockName, folders_);
    ASSERT_TRUE(held.acquired());
    char program[] = "/bin/sleep";
    char seconds[] = "30";
    char* arguments[] = {program, seconds, nullptr};
    ASSERT_EQ(::posix_spawn(&sleeper, program, nullptr, nullptr, arguments, environ), 0);
  }
  EXPECT_TRUE(InstanceLock(lockName, folders_).acquired());
  ::kill(sleeper, SIGKILL);
  ::waitpid(sleeper, nullptr, 0);
}

TEST_F(InstanceLockTest, NameWithSlashesStaysInItsFolder) {
  const std::string lockName = name("a/b/../c");
  const InstanceLock first(lockName, folders_);
  const InstanceLock second(lockName, folders_);
  EXPECT_TRUE(first.acquired());
  EXPECT_FALSE(second.acquired());
  EXPECT_EQ(std::filesystem::path(first.path()).parent_path(), sharedFolder());
}

// The environment plays no part: a start with XDG_RUNTIME_DIR and one without meet.
TEST_F(InstanceLockTest, OneLockWhateverTheEnvironment) {
  const std::string file = runtime_.write("not-a-folder", "");
  const InstanceLock held(name("env"), folders_);
  ASSERT_TRUE(held.acquired());
  const char* const runtimes[] = {"", "/nonexistent/valvora", file.c_str(), "/proc", nullptr};
  for (const char* runtime : runtimes) {
    const std::string before = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
    runtime ? ::setenv("XDG_RUNTIME_DIR", runtime, 1) : ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(InstanceLock(name("env"), folders_).path(), held.path());
    EXPECT_EQ(childTries(name("env")), 1) << (runtime ? runtime : "(unset)");
    ::setenv("XDG_RUNTIME_DIR", before.c_str(), 1);
  }
}

// The system's runtime folder of the user comes first, when it is truly private.
TEST_F(InstanceLockTest, PrefersAPrivateRuntimeFolder) {
  const std::filesystem::path mine = runtime_.path() / std::to_string(::getuid());
  std::filesystem::create_directory(mine);
  struct Case {
    std::filesystem::perms mode;
    bool used;
  };
  for (const Case c :
       {Case{std::filesystem::perms(0700), true}, Case{std::filesystem::perms(0777), false}}) {
    std::filesystem::permissions(mine, c.mode);
    const InstanceLock lock(name("runtime"), folders_);
    EXPECT_TRUE(lock.acquired());
    EXPECT_EQ(std::filesystem::path(lock.path()).parent_path() == mine, c.used) << lock.path();
  }
}

// What another user made under our names: a folder holding a lock they keep, a folder of
// theirs with a file we could not trust, a link to elsewhere. None of it stops the start or
// lets a second one through.
TEST_F(InstanceLockTest, AnotherUsersFilesAreNotTrusted) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  struct Case {
    const char* what;
    const char* script;  // run as "nobody" in the shared folder; prints "ready" when set
  };
  const Case cases[] = {
      {"held lock",
       "mkdir -m 700 \"$D\" && touch \"$F\" && exec flock \"$F\" sh -c 'echo ready; sleep 30'"},
      {"open folder",
       "mkdir -m 777 \"$D\" && touch \"$F\" && chmod 600 \"$F\" && echo ready && sleep 30"},
      {"link", "ln -s /tmp \"$D\" && echo ready && sleep 30"},
  };
  const std::string folder = sharedFolder();
  const std::string file = folder + "/" + name("trust") + ".lock";
  for (const Case& c : cases) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t intruder = ::fork();
    if (intruder == 0) {
      ::setpgid(0, 0);  // so that its sleeping children go with it
      ::dup2(ready[1], 1);
      if (::chdir(shared_.path().c_str()) != 0 || ::setgroups(0, nullptr) != 0 ||
          ::setgid(65534) != 0 || ::setuid(65534) != 0)
        _exit(2);
      ::setenv("D", folder.c_str(), 1);
      ::setenv("F", file.c_str(), 1);
      ::execl("/bin/sh", "sh", "-c", c.script, nullptr);
      _exit(3);
    }
    ::close(ready[1]);
    char line[6] = {};
    ASSERT_EQ(::read(ready[0], line, 5), 5) << c.what;
    ::close(ready[0]);

    {
      const InstanceLock lock(name("trust"), folders_);
      EXPECT_TRUE(lock.acquired()) << c.what;
      EXPECT_EQ(std::filesystem::path(lock.path()).parent_path(), sharedFolder("-1")) << c.what;
      EXPECT_EQ(childTries(name("trust")), 1) << c.what;
    }
    ::kill(-intruder, SIGKILL);
    ::waitpid(intruder, nullptr, 0);
    std::filesystem::remove_all(sharedFolder());
    std::filesystem::remove_all(sharedFolder("-1"));
  }
}

// First in the user's home, in a file named with the host, when the folder is truly ours.
TEST_F(InstanceLockTest, PrefersAPrivateFolderOfTheHome) {
  const testing::TempFolder home;
  folders_.home = home.path().string();
  const std::filesystem::path cache = home.path() / ".cache/valvora";
  char host[256] = {};
  ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
  struct Case {
    std::filesystem::perms mode;
    uid_t owner;
    bool used;
  };
  const Case cases[] = {
      {std::filesystem::perms(0700), ::getuid(), true},  // made by the first start
      {std::filesystem::perms(0777), ::getuid(), false},
      {std::filesystem::perms(0700), 65534, ::getuid() == 65534},
  };
  for (const Case& c : cases) {
    if (std::filesystem::exists(cache)) {
      std::filesystem::permissions(cache, c.mode);
      if (::chown(cache.c_str(), c.owner, c.owner) != 0) GTEST_SKIP() << "cannot give the folder";
    }
    {
      const InstanceLock lock(name("home"), folders_);
      EXPECT_TRUE(lock.acquired());
      EXPECT_EQ(lock.path() == (cache / (name("home") + "@" + host + ".lock")).string(), c.used)
          << lock.path();
      EXPECT_EQ(childTries(name("home")), 1) << lock.path();
    }
  }
}

// Another user who makes the sixteen shared folders first can no longer let a second start
// run: the home folder, or a private runtime folder, comes before them.
TEST_F(InstanceLockTest, SquattedSharedFoldersDoNotLetTwoRun) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  const std::string squat = testing::inChild(testing::As::kNobody, [&] {
    for (int n = 0; n < 16; ++n) {
      const std::string folder = sharedFolder(n == 0 ? "" : "-" + std::to_string(n));
      if (::mkdir(folder.c_str(), 0777) != 0 || ::chmod(folder.c_str(), 0777) != 0)
        return "cannot make " + folder;
    }
    return std::string();
  });
  ASSERT_EQ(squat, "");
  const testing::TempFolder home;
  const std::filesystem::path runtime = runtime_.path() / std::to_string(::getuid());
  struct Case {
    const char* what;
    std::string home;
    bool runtime;
  };
  const Case cases[] = {{"home", home.path().string(), false}, {"runtime folder", "", true}};
  for (const Case& c : cases) {
    folders_.home = c.home;
    if (c.runtime) std::filesystem::create_directory(runtime);
    const InstanceLock lock(name("squat"), folders_);
    EXPECT_TRUE(lock.acquired()) << c.what;
    EXPECT_NE(lock.path(), "") << c.what;
    EXPECT_EQ(childTries(name("squat")), 1) << c.what;
  }
}

// A lock file in a shared folder that became read-only still locks: flock needs no write
// access. The real /tmp, made read-only in a mount namespace of the test's own.
TEST_F(InstanceLockTest, AReadOnlyTmpWithTheLockFileStillLocks) {
  const std::string folder = "/tmp/valvora-" + std::to_string(::getuid());
  const std::string lockName = name("ro");  // the same name in every process of the test
  const std::string seen = testing::runInChild(
      [] { return true; },
      [&]() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", "/tmp", "tmpfs", 0, "mode=1777") != 0)
          return "no namespace";
        if (::mkdir(folder.c_str(), 0700) != 0) return "no folder";
        const std::string file = folder + "/" + lockName + ".lock";
        std::ofstream(file).put('\n');
        if (::chmod(file.c_str(), 0600) != 0 ||
            ::mount("tmpfs", "/tmp", "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) != 0)
          return "not read-only";
        const LockFolders system{"/nonexistent", "/tmp", ""};
        const InstanceLock lock(lockName, system);
        const pid_t second = ::fork();
        if (second == 0) _exit(InstanceLock(lockName, system).acquired() ? 0 : 1);
        int status = 0;
        ::waitpid(second, &status, 0);
        return std::string(lock.acquired() ? "first runs" : "first stopped") +
               (lock.path() == file ? "" : " elsewhere: " + lock.path()) +
               (WIFEXITED(status) && WEXITSTATUS(status) == 1 ? ", second stopped"
                                                              : ", second runs");
      });
  if (seen == "no namespace") GTEST_SKIP() << "no private mount namespace on this machine";
  EXPECT_EQ(seen, "first runs, second stopped");
}

TEST_F(InstanceLockTest, NoLockAtAllDoesNotStopTheProgram) {
  const std::string tooLong = name(std::string(300, 'x'));
  EXPECT_TRUE(InstanceLock(tooLong, folders_).acquired());
  EXPECT_EQ(childTries(tooLong), 0);
  const LockFolders nowhere{"/nonexistent", "/nonexistent", ""};
  EXPECT_TRUE(InstanceLock(name("nowhere"), nowhere).acquired());
  EXPECT_EQ(InstanceLock(name("nowhere"), nowhere).path(), "");
}

}  // namespace
}  // namespace valvora::platform
