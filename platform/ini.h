#pragma once

// The INI layout as text, apart from any file: what the settings file's reading and writing
// make of its bytes. Internal to the platform (ProfileFile is the interface); kept apart so
// that it can be table-tested and fuzzed without files.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace valvora::platform::detail {

// Longest value, in characters, that the settings file gives or takes.
inline constexpr std::size_t kIniValueLength = 30;

// How the file's bytes hold its text; a save writes them back the same way.
enum class IniEncoding { kBytes, kUtf8Bom, kUtf16LE, kUtf16BE };

struct IniText {
  std::string text;  // as 8-bit lines: the bytes, or UTF-8 for a file with a byte order mark
  IniEncoding encoding = IniEncoding::kBytes;
};

// A UTF-8 byte order mark is skipped; UTF-16 with its mark (either byte order) becomes UTF-8
// (an unpaired surrogate or an odd last byte becomes U+FFFD). Anything else stays as it is.
IniText decodeIni(std::string_view bytes);
// The bytes of the text in its encoding, its byte order mark first.
std::string encodeIni(const IniText& text);

// A section or key name as a caller gives it, in the form the file's names are compared in:
// ended at a NUL, line breaks removed, blanks around it removed.
std::string iniName(std::string_view name);
// A value as it is written: ended at a NUL, line breaks removed, cut to kIniValueLength
// characters.
std::string iniValue(std::string_view value);
// Whether a key line written for this name reads back as this key, not as a comment, a
// section header or another key.
bool canWriteKey(std::string_view key);

// Every value of a text, looked up as a reading does: names without regard to ASCII case, the
// first of duplicate sections and of duplicate keys in it, keys before any section in none.
// A value ends at its first NUL, loses the blanks around it and one pair of matching quotes,
// and is cut to kIniValueLength characters.
class IniIndex {
 public:
  IniIndex() = default;
  explicit IniIndex(std::string_view text);
  // The empty text when the section or the key is missing.
  std::string value(std::string_view section, std::string_view key) const;

 private:
  std::map<std::pair<std::string, std::string>, std::string> values_;
};

// The text with the key set: its value replaced in place (the file's spelling of the key and
// the line's own break kept), or the key added after the section's last line that is not
// blank, or the section and the key added at the end. Every other byte as it was. The names
// and the value are taken as given (see iniName, iniValue).
std::string withKey(std::string_view text, std::string_view section, std::string_view key,
                    std::string_view value);

}  // namespace valvora::platform::detail
