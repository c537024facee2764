#include "platform/sysinfo.h"

#include <langinfo.h>
#include <locale.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <limits>
#include <optional>
#include <thread>

#include "core/failure.h"
#include "platform/files.h"

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace valvora::platform {
namespace {

// Raises this thread's scheduling for the measurement and puts it back on the way out. Each
// step is tried on its own; one the system refuses (no privilege) is simply skipped.
class PriorityBoost {
 public:
  PriorityBoost() {
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, 0);  // this thread, on Linux
    if (errno == 0) nice_ = nice;
    if (::pthread_getschedparam(::pthread_self(), &policy_, &param_) == 0) {
      sched_param top{};
      top.sched_priority = ::sched_get_priority_max(SCHED_FIFO);
      realTime_ = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &top) == 0;
    }
    if (nice_) niced_ = ::setpriority(PRIO_PROCESS, 0, -20) == 0;
  }
  ~PriorityBoost() {
    if (niced_) ::setpriority(PRIO_PROCESS, 0, *nice_);
    if (realTime_) ::pthread_setschedparam(::pthread_self(), policy_, &param_);
  }
  PriorityBoost(const PriorityBoost&) = delete;
  PriorityBoost& operator=(const PriorityBoost&) = delete;

 private:
  std::optional<int> nice_;
  int policy_ = SCHED_OTHER;
  sched_param param_{};
  bool realTime_ = false;
  bool niced_ = false;
};

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// A shell-style value of os-release: "..." with \" \\ \$ \` escapes, '...', or bare.
std::string unquote(std::string_view value) {
  value = trim(value);
  if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
    return std::string(value.substr(1, value.size() - 2));
  if (value.size() < 2 || value.front() != '"' || value.back() != '"') return std::string(value);
  value = value.substr(1, value.size() - 2);
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size() &&
        std::string_view("\"\\$`").find(value[i + 1]) != std::string_view::npos)
      ++i;
    out += value[i];
  }
  return out;
}

// The figure of a "Key:   1234 kB" line of /proc/meminfo, in bytes.
std::optional<std::uint64_t> meminfoBytes(std::string_view content, std::string_view key) {
  for (const std::string& line : splitLines(content)) {
    const std::string_view l(line);
    if (l.size() <= key.size() || l.substr(0, key.size()) != key || l[key.size()] != ':') continue;
    const std::string_view rest = trim(l.substr(key.size() + 1));
    std::uint64_t kb = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), kb);
    if (ec != std::errc() || end == rest.data()) return std::nullopt;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    return kb > kMax / 1024 ? kMax : kb * 1024;
  }
  return std::nullopt;
}

int loadOf(std::uint64_t total, std::uint64_t available) {
  if (total == 0) return 0;
  available = std::min(available, total);
  // In long double: the product of a figure near 2^64 by 100 would wrap.
  return static_cast<int>(static_cast<long double>(total - available) * 100 /
                          static_cast<long double>(total));
}

}  // namespace

CycleClock processorClock() {
  CycleClock clock;
#if defined(__x86_64__) || defined(__i386__)
  clock.readCounter = [] { return static_cast<std::uint64_t>(__rdtsc()); };
#else
  clock.readCounter = [] { return std::uint64_t{0}; };  // no cycle counter we can read
#endif
  clock.sleep = [](std::chrono::milliseconds d) { std::this_thread::sleep_for(d); };
  return clock;
}

double megahertz(std::uint64_t t0, std::uint64_t t1, std::chrono::milliseconds window) {
  if (window.count() <= 0) return 0;
  // Unsigned subtraction: a counter that wrapped between the reads still gives the count.
  const std::uint64_t counts = t1 - t0;
  return static_cast<double>(counts) / (static_cast<double>(window.count()) * 1000.0);
}

double measureProcessorMHz(const CycleClock& clock, std::chrono::milliseconds window) {
  const PriorityBoost boost;
  clock.sleep(kSpeedSettle);
  const std::uint64_t t0 = clock.readCounter();
  clock.sleep(window);
  const std::uint64_t t1 = clock.readCounter();
  return megahertz(t0, t1, window);
}

std::string windowsName(const VersionRecord& v) {
  const char sp = v.servicePack.empty() ? '\0' : v.servicePack.front();
  switch (v.major) {
    case 3:
      return "Windows NT 3.51";
    case 4:
      if (v.minor == 0) {
        if (v.platform == VersionPlatform::Windows9x) {
          if (sp == 'A') return "Windows 95 SP 1";
          if (sp == 'B') return "Windows 95 SP 2";
          return "Inconnue";
        }
        if (v.platform == VersionPlatform::WindowsNT) return "Windows NT 4.0";
        return "Inconnue";
      }
      if (v.minor == 10) {
        if (sp == 'A') return "Windows 98 SP 1";
        if (sp == 'B') return "Windows 98 SP 2";
        return "Inconnue";
      }
      if (v.minor == 90) return "Windows ME";
      return "Inconnue";
    case 5:
      if (v.minor == 0) return "Windows 2000";
      if (v.minor == 1) return "Windows XP";
      if (v.minor == 2) return "Windows 2003";
      return "Inconnue";
    default:
      return "Inconnue";
  }
}

std::string prettyName(std::string_view osRelease) {
  constexpr std::string_view kKey = "PRETTY_NAME=";
  std::string name;
  // The last assignment wins, as when the file is sourced by a shell.
  for (const std::string& line : splitLines(osRelease)) {
    const std::string_view l = trim(line);
    if (l.substr(0, kKey.size()) == kKey) name = lineAsUtf8(unquote(l.substr(kKey.size())));
  }
  return name;
}

std::string systemName() {
  constexpr std::size_t kOsReleaseLimit = std::size_t{64} << 10;
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    try {
      if (const auto content = readFileIfExists(path, kOsReleaseLimit)) {
        std::string name = prettyName(*content);
        if (!name.empty()) return name;
      }
    } catch (const CalcError&) {
      // Unreadable, too large or not a file: the next source says it instead.
    }
  }
  utsname u{};
  if (::uname(&u) == 0) return std::string(u.sysname) + " " + u.release;
  return "Inconnue";
}

MemoryStatus memoryStatusOf(std::string_view meminfo) {
  MemoryStatus status;
  const auto total = meminfoBytes(meminfo, "MemTotal");
  if (!total) return status;
  status.totalBytes = *total;
  std::optional<std::uint64_t> available = meminfoBytes(meminfo, "MemAvailable");
  if (!available) {
    std::uint64_t sum = 0;
    for (std::string_view key : {"MemFree", "Buffers", "Cached"})
      sum += meminfoBytes(meminfo, key).value_or(0);
    available = sum;
  }
  status.loadPercent = loadOf(*total, *available);
  return status;
}

MemoryStatus memoryStatus() {
  constexpr std::size_t kMeminfoLimit = std::size_t{64} << 10;
  try {
    const MemoryStatus status = memoryStatusOf(readFile("/proc/meminfo", kMeminfoLimit));
    if (status.totalBytes != 0) return status;
  } catch (const CalcError&) {
    // No /proc (a container without it): the system call below has the same figures.
  }
  MemoryStatus status;
  struct sysinfo info {};
  if (::sysinfo(&info) != 0) return status;
  const std::uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
  status.totalBytes = std::uint64_t{info.totalram} * unit;
  status.loadPercent =
      loadOf(status.totalBytes, (std::uint64_t{info.freeram} + info.bufferram) * unit);
  return status;
}

std::string userThousandsSeparator() {
  const locale_t user = ::newlocale(LC_NUMERIC_MASK, "", locale_t{});
  if (user == locale_t{}) return {};  // a locale the system lacks: the C locale's, none
  const char* separator = ::nl_langinfo_l(THOUSEP, user);
  std::string result = separator ? separator : "";
  ::freelocale(user);
  // A locale in a single-byte code page gives one byte: read it as such.
  return lineAsUtf8(result);
}

}  // namespace valvora::platform
