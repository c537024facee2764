#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <new>
#include <string>

#include "as_user.h"
#include "core/failure.h"

namespace valvora::platform::testing {

// Runs action in a child process allowed one second and 50 MB of address space beyond what
// the test process had, and gives what it returned, its failure's message, or how it ended
// ("timed out", "out of memory", "signal N"). Address sanitizer reserves terabytes up
// front, so under it only the time is bounded.
inline std::string inBoundedChild(const std::function<std::string()>& action) {
  return runInChild(
      [] {
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
        return true;
      },
      [&]() -> std::string {
        try {
          return action();
        } catch (const CalcError& error) {
          return error.message();
        } catch (const std::bad_alloc&) {
          return "out of memory";
        }
      });
}

}  // namespace valvora::platform::testing
