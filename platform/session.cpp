#include "platform/session.h"

#include <langinfo.h>
#include <locale.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/files.h"

namespace valvora::platform {
namespace {

// The name field of a user database entry is short; the rest of an entry (its comment and
// paths) rarely passes a few kilobytes.
constexpr std::size_t kEntryBufferLimit = std::size_t{1} << 20;
// Names from this length on are not given, as the report has always shown them.
constexpr std::size_t kUserNameLimit = 255;

locale_t asLocale(void* l) {
  return static_cast<locale_t>(l);
}

}  // namespace

std::string logonUserName() {
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  for (;;) {
    const int error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error != ERANGE || buffer.size() >= kEntryBufferLimit) break;
    buffer.resize(buffer.size() * 2);
  }
  if (found == nullptr || found->pw_name == nullptr) return "Unknown";
  const std::string name = found->pw_name;
  if (name.empty() || name.size() >= kUserNameLimit) return "Unknown";
  return lineAsUtf8(name);
}

RegionalTime::RegionalTime() : RegionalTime("") {}

RegionalTime::RegionalTime(const char* localeName) {
  locale_t l = ::newlocale(LC_TIME_MASK, localeName, locale_t(nullptr));
  if (l == locale_t(nullptr)) l = ::newlocale(LC_TIME_MASK, "C", locale_t(nullptr));
  locale_ = l;
  if (l == locale_t(nullptr)) {
    dateFormat_ = "%m/%d/%y";
    timeFormat_ = "%H:%M:%S";
    return;
  }
  dateFormat_ = ::nl_langinfo_l(D_FMT, l);
  timeFormat_ = ::nl_langinfo_l(T_FMT, l);
}

RegionalTime::~RegionalTime() {
  if (locale_ != nullptr) ::freelocale(asLocale(locale_));
}

std::string RegionalTime::date(std::time_t moment) const {
  return format(dateFormat_, moment);
}

std::string RegionalTime::time(std::time_t moment) const {
  return format(timeFormat_, moment);
}

std::string RegionalTime::format(const std::string& pattern, std::time_t moment) const {
  struct tm local {};
  if (::localtime_r(&moment, &local) == nullptr) return std::string();
  char text[256];
  // An empty result is also what a too long one gives; neither happens with the usual formats.
  const std::size_t length =
      locale_ != nullptr
          ? ::strftime_l(text, sizeof text, pattern.c_str(), &local, asLocale(locale_))
          : ::strftime(text, sizeof text, pattern.c_str(), &local);
  return lineAsUtf8(std::string_view(text, length));
}

}  // namespace valvora::platform
