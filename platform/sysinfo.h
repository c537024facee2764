#pragma once

// What the About window tells of the machine: processor speed, system name, memory.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace valvora::platform {

// --- Processor speed ---------------------------------------------------------------------

// The measurement's clock: the cycle counter and the sleep. The real one reads the
// processor's time-stamp counter; tests give their own counts and do not wait.
struct CycleClock {
  std::function<std::uint64_t()> readCounter;
  std::function<void(std::chrono::milliseconds)> sleep;
};
CycleClock processorClock();

inline constexpr std::chrono::milliseconds kSpeedSettle{10};
inline constexpr std::chrono::milliseconds kSpeedWindow{500};

// MHz from the counts over a window: the difference is taken over 64 bits, so that neither
// a counter wrapping nor a count of 2^32 or more over the window (above 8,59 GHz for half a
// second) falls back to a small figure.
double megahertz(std::uint64_t t0, std::uint64_t t1,
                 std::chrono::milliseconds window = kSpeedWindow);

// Sleeps kSpeedSettle, reads the counter, sleeps the window, reads it again, with this
// thread's scheduling raised where the system allows it (a refusal is not an error) and
// put back afterwards.
double measureProcessorMHz(const CycleClock& clock = processorClock(),
                           std::chrono::milliseconds window = kSpeedWindow);

// --- System name -------------------------------------------------------------------------

// A Windows-style version record, for the systems that have one.
enum class VersionPlatform { Win32s, Windows9x, WindowsNT, Other };
struct VersionRecord {
  unsigned major = 0;
  unsigned minor = 0;
  VersionPlatform platform = VersionPlatform::Other;
  std::string servicePack;  // only its first character counts
};

// The name the window shows for such a record: "Windows 98 SP 2", ..., "Inconnue".
std::string windowsName(const VersionRecord& version);

// PRETTY_NAME of an os-release text (quotes and escapes removed), empty when it has none.
std::string prettyName(std::string_view osRelease);

// This system's own name: PRETTY_NAME of os-release, else the kernel's name and release
// ("Linux 6.8.0"); a system with a version record would use windowsName instead.
std::string systemName();

// --- Memory ------------------------------------------------------------------------------

struct MemoryStatus {
  std::uint64_t totalBytes = 0;  // physical memory, over 64 bits: above 4 GiB too
  int loadPercent = 0;           // 0 to 100: the share of it in use
};

// From a /proc/meminfo text: MemTotal, and MemAvailable (or, on older kernels, free plus
// buffers plus cache) for the load. Nothing known gives zeros.
MemoryStatus memoryStatusOf(std::string_view meminfo);

// /proc/meminfo, or sysinfo() when that cannot be read.
MemoryStatus memoryStatus();

// --- User's number settings --------------------------------------------------------------

// The thousands separator of the user's numeric locale (LC_ALL, LC_NUMERIC, LANG), in
// UTF-8: U+202F for fr_FR.UTF-8, empty for the C locale.
std::string userThousandsSeparator();

}  // namespace valvora::platform
