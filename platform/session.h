#pragma once

#include <ctime>
#include <string>

namespace valvora::platform {

// The name of the user running the program, from the system's user database (UTF-8; a name
// in another encoding is read as Windows-1252). "Unknown" when the database has no entry for
// the user, or the name is empty or 255 bytes or longer.
std::string logonUserName();

// The user's short date and long time formats (LC_TIME's date and time formats), taken once,
// when constructed: the program builds one at start-up, so later changes to the environment
// do not move its dates.
class RegionalTime {
 public:
  RegionalTime();  // from LC_ALL, LC_TIME or LANG; the "C" formats when those name no locale
  explicit RegionalTime(const char* localeName);
  ~RegionalTime();
  RegionalTime(const RegionalTime&) = delete;
  RegionalTime& operator=(const RegionalTime&) = delete;

  // The local date and time of a moment in those formats (UTF-8).
  std::string date(std::time_t moment) const;
  std::string time(std::time_t moment) const;

 private:
  std::string format(const std::string& pattern, std::time_t moment) const;

  void* locale_ = nullptr;  // locale_t
  std::string dateFormat_;
  std::string timeFormat_;
};

}  // namespace valvora::platform
