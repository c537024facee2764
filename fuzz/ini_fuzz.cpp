// Feeds arbitrary settings file bytes to the INI layer: a reading never gives more than 30
// characters, a line break or a NUL; a key written reads back; a text decoded and encoded
// decodes the same again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ini.h"

namespace {

using namespace valvora::platform::detail;

void require(bool ok) {
  if (!ok) std::abort();
}

void requireValue(const std::string& value) {
  require(value.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
  std::size_t characters = 0;
  for (const char c : value) characters += (static_cast<unsigned char>(c) & 0xC0u) != 0x80u;
  require(characters <= kIniValueLength);
}

}  // namespace

// Input: "<section>|<key>|<file bytes>".
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t first = input.find('|');
  const std::size_t second = first == std::string_view::npos ? first : input.find('|', first + 1);
  if (second == std::string_view::npos) return 0;
  const std::string section = iniName(input.substr(0, first));
  const std::string key = iniName(input.substr(first + 1, second - first - 1));
  const IniText text = decodeIni(input.substr(second + 1));

  const IniText again = decodeIni(encodeIni(text));
  require(again.encoding == text.encoding);
  require(again.text == decodeIni(encodeIni(again)).text);

  requireValue(IniIndex(text.text).value(section, key));
  if (!canWriteKey(key)) return 0;
  const std::string updated = withKey(text.text, section, key, "42");
  require(IniIndex(updated).value(section, key) == "42");
  return 0;
}
