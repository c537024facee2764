#include "core/about.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace valvora {
namespace {

TEST(AboutTexts, ProcessorSpeed) {
  const struct {
    double mhz;
    const char* text;
  } cases[] = {
      {2793.46, "2793,46 MHz"},
      {1396730000.0 / 500000, "2793,46 MHz"},
      {0, "0,00 MHz"},
      // The carry reaches a new digit.
      {999.995, "1000,00 MHz"},
      // No grouping in the speed.
      {10000, "10000,00 MHz"},
  };
  for (const auto& c : cases) EXPECT_EQ(processorSpeedText(c.mhz), c.text) << c.mhz;
}

TEST(AboutTexts, MemoryTotal) {
  const std::string nnbsp = "\u202F";
  const struct {
    std::uint64_t bytes;
    std::string separator;
    std::string text;
  } cases[] = {
      {1073741824, nnbsp, "1" + nnbsp + "048" + nnbsp + "576 KB"},
      {1073741824, ".", "1.048.576 KB"},
      {1073741824, "", "1048576 KB"},
      {1022976, " ", "999 KB"},
      {1023488, " ", "1 000 KB"},  // 999,5 KB: a new group by the rounding
      {1024 * 1000, " ", "1 000 KB"},
      {1535, " ", "1 KB"},  // 1,499 KB rounds down
      {1536, " ", "2 KB"},  // 1,5 KB rounds away from zero
      // Above 4 GiB: the whole figure, not what a 32-bit count would keep.
      {std::uint64_t{16} << 30, " ", "16 777 216 KB"},
      {std::uint64_t{1} << 40, " ", "1 073 741 824 KB"},
  };
  for (const auto& c : cases) EXPECT_EQ(memoryTotalText(c.bytes, c.separator), c.text) << c.bytes;
}

TEST(AboutTexts, MemoryLoad) {
  EXPECT_EQ(memoryLoadText(42), "42 %");
  EXPECT_EQ(memoryLoadText(0), "0 %");
  EXPECT_EQ(memoryLoadText(100), "100 %");
}

}  // namespace
}  // namespace valvora
