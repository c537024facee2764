#include "platform/session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "as_user.h"

namespace valvora::platform {
namespace {

using testing::As;
using testing::inChild;

TEST(RegionalTime, TheLocalesDateAndTimeFormats) {
  const char* oldZone = std::getenv("TZ");
  const std::string keep = oldZone ? oldZone : "";
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  const std::time_t moment = 1796596903;  // 2026-12-06 22:41:43 UTC
  const struct {
    const char* locale;
    const char* date;
    const char* time;
  } cases[] = {
      {"fr_FR.UTF-8", "06/12/2026", "22:41:43"},
      {"C", "12/06/26", "22:41:43"},
      {"xx_NOWHERE.UTF-8", "12/06/26", "22:41:43"},  // unknown: the plain formats
  };
  for (const auto& c : cases) {
    const RegionalTime regional(c.locale);
    if (std::string(c.locale) == "fr_FR.UTF-8" && regional.date(0) == "01/01/70")
      GTEST_SKIP() << "no French locale on this system";
    EXPECT_EQ(regional.date(moment), c.date) << c.locale;
    EXPECT_EQ(regional.time(moment), c.time) << c.locale;
  }
  if (oldZone)
    ::setenv("TZ", keep.c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
}

TEST(LogonUserName, FromTheUserDatabaseOrUnknown) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs to switch users";
  EXPECT_EQ(inChild(As::kNobody, [] { return logonUserName(); }), "nobody");
  EXPECT_EQ(inChild(As::kUnlisted, [] { return logonUserName(); }), "Unknown");
  EXPECT_EQ(logonUserName(), "root");
}

}  // namespace
}  // namespace valvora::platform
