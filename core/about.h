#pragma once

// The texts of the About window's system figures.

#include <cstdint>
#include <string>
#include <string_view>

namespace valvora {

// "2793,46 MHz": two decimals, the decimal comma.
std::string processorSpeedText(double megahertz);

// Whole kilobytes, rounded, in groups of three with the user's thousands separator, then
// " KB": 1073741824 bytes give "1 048 576 KB" with a blank as separator.
std::string memoryTotalText(std::uint64_t bytes, std::string_view thousandsSeparator);

// "42 %".
std::string memoryLoadText(int percent);

}  // namespace valvora
