#include "core/about.h"

#include "core/numtext.h"

namespace valvora {

std::string processorSpeedText(double megahertz) {
  return formatPattern("0.00", megahertz) + " MHz";
}

std::string memoryTotalText(std::uint64_t bytes, std::string_view thousandsSeparator) {
  // In the extended type: every 64-bit byte count divides by 1024 exactly.
  return formatPattern("#,###\" KB\"", static_cast<Real>(bytes) / 1024, thousandsSeparator);
}

std::string memoryLoadText(int percent) {
  return formatInteger(percent) + " %";
}

}  // namespace valvora
