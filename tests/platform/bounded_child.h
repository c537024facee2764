#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <new>
#include <string>

#include "core/failure.h"

namespace valvora::platform::testing {

// Runs action in a child process allowed one second and 50 MB of address space beyond what
// the test process had, and gives what it returned, its failure's message, or how it ended
// ("timed out", "out of memory", "signal N"). Address sanitizer reserves terabytes up
// front, so under it only the time is bounded.
inline std::string inBoundedChild(const std::function<std::string()>& action) {
  int channel[2];
  if (::pipe(channel) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
#ifndef __SANITIZE_ADDRESS__
    long kilobytes = 0;
    std::ifstream status("/proc/self/status");
    for (std::string word; status >> word;)
      if (word == "VmSize:" && status >> kilobytes) break;
    const rlim_t limit = rlim_t(kilobytes) * 1024 + (rlim_t{50} << 20);
    const rlimit bound{limit, limit};
    ::setrlimit(RLIMIT_AS, &bound);
#endif
    ::alarm(1);
    std::string text;
    try {
      text = action();
    } catch (const CalcError& error) {
      text = error.message();
    } catch (const std::bad_alloc&) {
      text = "out of memory";
    }
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

}  // namespace valvora::platform::testing
