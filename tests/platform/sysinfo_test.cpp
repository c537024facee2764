#include "platform/sysinfo.h"

#include <locale.h>
#include <pthread.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace valvora::platform {
namespace {

using std::chrono::milliseconds;

TEST(ProcessorSpeed, MegahertzFromCounts) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  const struct {
    std::uint64_t t0, t1;
    double mhz;
  } cases[] = {
      {1000, 1000 + 1396730000, 2793.46},
      {0, 0, 0},
      // 2^32 counts and more over the half second: 10 GHz, not the 1410 MHz of a 32-bit wrap.
      {123, 123 + 5000000000, 10000},
      // The counter wrapped between the two reads.
      {kMax - 99, 1396730000 - 100, 2793.46},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(megahertz(c.t0, c.t1), c.mhz) << c.t0;
  EXPECT_DOUBLE_EQ(megahertz(0, 2000000, milliseconds(1)), 2000);
}

TEST(ProcessorSpeed, MeasuresBetweenTwoReadsAndPutsThePriorityBack) {
  std::vector<long> sleeps;
  std::vector<std::uint64_t> counts = {7000, 7000 + 1396730000};
  std::size_t reads = 0;
  const CycleClock clock{[&] { return counts.at(reads++); },
                         [&](milliseconds d) { sleeps.push_back(long(d.count())); }};
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, 0);
  int policy = -1;
  sched_param param{};
  ASSERT_EQ(::pthread_getschedparam(::pthread_self(), &policy, &param), 0);

  EXPECT_DOUBLE_EQ(measureProcessorMHz(clock), 2793.46);
  EXPECT_EQ(sleeps, (std::vector<long>{10, 500}));
  EXPECT_EQ(reads, 2u);

  EXPECT_EQ(::getpriority(PRIO_PROCESS, 0), nice);
  int policyAfter = -1;
  sched_param paramAfter{};
  ASSERT_EQ(::pthread_getschedparam(::pthread_self(), &policyAfter, &paramAfter), 0);
  EXPECT_EQ(policyAfter, policy);
  EXPECT_EQ(paramAfter.sched_priority, param.sched_priority);
}

TEST(SystemName, WindowsVersionTable) {
  using P = VersionPlatform;
  const struct {
    unsigned major, minor;
    P platform;
    const char* sp;
    const char* name;
  } cases[] = {
      {3, 51, P::WindowsNT, "", "Windows NT 3.51"},
      {3, 0, P::Win32s, "x", "Windows NT 3.51"},
      {4, 0, P::Windows9x, "A", "Windows 95 SP 1"},
      {4, 0, P::Windows9x, "B", "Windows 95 SP 2"},
      {4, 0, P::Windows9x, "C", "Inconnue"},
      {4, 0, P::Windows9x, "", "Inconnue"},
      {4, 0, P::WindowsNT, "Service Pack 6", "Windows NT 4.0"},
      {4, 0, P::WindowsNT, "", "Windows NT 4.0"},
      {4, 0, P::Win32s, "A", "Inconnue"},
      {4, 0, P::Other, "", "Inconnue"},
      {4, 10, P::Windows9x, "A", "Windows 98 SP 1"},
      {4, 10, P::WindowsNT, "B", "Windows 98 SP 2"},
      {4, 10, P::Windows9x, "a", "Inconnue"},
      {4, 10, P::Windows9x, "", "Inconnue"},
      {4, 90, P::Windows9x, "", "Windows ME"},
      {4, 3, P::Windows9x, "A", "Inconnue"},
      {5, 0, P::WindowsNT, "", "Windows 2000"},
      {5, 1, P::WindowsNT, "Service Pack 2", "Windows XP"},
      {5, 2, P::WindowsNT, "", "Windows 2003"},
      {5, 3, P::WindowsNT, "", "Inconnue"},
      {6, 0, P::WindowsNT, "", "Inconnue"},
      {10, 0, P::WindowsNT, "", "Inconnue"},
      {0, 0, P::Other, "", "Inconnue"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(windowsName({c.major, c.minor, c.platform, c.sp}), c.name)
        << c.major << "." << c.minor << " '" << c.sp << "'";
  }
}

TEST(SystemName, PrettyNameOfOsRelease) {
  const struct {
    std::string text;
    std::string name;
  } cases[] = {
      {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
       "Debian GNU/Linux 12 (bookworm)"},
      {"PRETTY_NAME='Simple'\r\n", "Simple"},
      {"PRETTY_NAME=Bare\n", "Bare"},
      {"PRETTY_NAME=\"Say \\\"hi\\\" \\\\ \\$HOME\"\n", "Say \"hi\" \\ $HOME"},
      {"PRETTY_NAME=\"first\"\nPRETTY_NAME=\"second\"\n", "second"},
      {"NAME=Nothing pretty\n# PRETTY_NAME=\"commented\"\n", ""},
      {"", ""},
      {"PRETTY_NAME=\"Syst\xE8me\"\n", "Système"},  // a Latin-1 file keeps its accent
  };
  for (const auto& c : cases) EXPECT_EQ(prettyName(c.text), c.name) << c.text;
}

TEST(SystemName, ThisSystemHasAName) {
  const std::string name = systemName();
  EXPECT_FALSE(name.empty());
  EXPECT_NE(name, "Inconnue");
}

TEST(Memory, StatusFromMeminfo) {
  const struct {
    std::string text;
    std::uint64_t total;
    int load;
  } cases[] = {
      {"MemTotal:        1048576 kB\nMemFree:          100000 kB\nMemAvailable:     629145 kB\n",
       1073741824, 40},
      // Above 4 GiB: the whole figure.
      {"MemTotal:       16777216 kB\nMemAvailable:   16777216 kB\n", std::uint64_t{16} << 30, 0},
      // Without MemAvailable (older kernels): free, buffers and cache are available.
      {"MemTotal: 1000 kB\nMemFree: 200 kB\nBuffers: 50 kB\nCached: 170 kB\n", 1024000, 58},
      {"MemTotal: 1000 kB\nMemAvailable: 2000 kB\n", 1024000, 0},
      {"MemFree: 200 kB\n", 0, 0},
      {"MemTotal: lots\n", 0, 0},
      {"MemTotalish: 5 kB\nMemTotal: 4 kB\n", 4096, 100},
      {"MemTotal: 99999999999999999999 kB\n", 0, 0},  // beyond 64 bits: not a figure
      {"MemTotal: 18014398509481984 kB\n", std::numeric_limits<std::uint64_t>::max(), 100},
  };
  for (const auto& c : cases) {
    const MemoryStatus s = memoryStatusOf(c.text);
    EXPECT_EQ(s.totalBytes, c.total) << c.text;
    EXPECT_EQ(s.loadPercent, c.load) << c.text;
  }
}

TEST(Memory, ThisMachine) {
  const MemoryStatus s = memoryStatus();
  EXPECT_GT(s.totalBytes, std::uint64_t{0});
  EXPECT_GE(s.loadPercent, 0);
  EXPECT_LE(s.loadPercent, 100);
}

// Sets one environment variable for the life of the object.
class Environment {
 public:
  Environment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value, 1);
  }
  ~Environment() {
    if (old_.empty())
      ::unsetenv(name_);
    else
      ::setenv(name_, old_.c_str(), 1);
  }

 private:
  const char* name_;
  std::string old_;
};

TEST(UserNumbers, ThousandsSeparatorOfTheLocale) {
  {
    const Environment c("LC_ALL", "C");
    EXPECT_EQ(userThousandsSeparator(), "");
  }
  {
    const Environment missing("LC_ALL", "xx_NOWHERE.UTF-8");
    EXPECT_EQ(userThousandsSeparator(), "");
  }
  if (locale_t fr = ::newlocale(LC_NUMERIC_MASK, "fr_FR.UTF-8", locale_t{})) {
    ::freelocale(fr);
    const Environment french("LC_ALL", "fr_FR.UTF-8");
    EXPECT_EQ(userThousandsSeparator(), "\u202F");
  } else {
    GTEST_SKIP() << "fr_FR.UTF-8 is not installed";
  }
}

}  // namespace
}  // namespace valvora::platform
