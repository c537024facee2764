#pragma once

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace valvora::platform::testing {

// Runs body in a forked child process after setup (which changes the child's user or limits,
// and returns false when it cannot), and gives back what body returned, or how the child
// ended: "timed out" (SIGALRM), "signal N", "child status N".
inline std::string runInChild(const std::function<bool()>& setup,
                              const std::function<std::string()>& body) {
  int channel[2];
  if (::pipe(channel) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    if (!setup()) _exit(2);
    const std::string text = body();
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
  if (WIFSIGNALED(status))
    return WTERMSIG(status) == SIGALRM ? "timed out" : "signal " + std::to_string(WTERMSIG(status));
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "child status " + std::to_string(status);
  return text;
}

// kUnlisted: a user id that the user database does not know.
enum class As { kSelf, kNobody, kUnlisted };
inline constexpr uid_t kUnlistedUser = 54321;

// Runs body in a child process and gives back its text. Permission bits stop nothing for
// root, so as root the child first becomes "nobody" (or the unlisted user) when asked.
inline std::string inChild(As as, const std::function<std::string()>& body,
                           rlim_t fileSizeLimit = RLIM_INFINITY) {
  return runInChild(
      [&] {
        const uid_t user = as == As::kNobody ? 65534 : kUnlistedUser;
        if (as != As::kSelf && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0))
          return false;
        // Past the limit a write fails with EFBIG instead of killing the process.
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
      },
      body);
}

}  // namespace valvora::platform::testing
