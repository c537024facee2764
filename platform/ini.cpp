#include "platform/ini.h"

#include <optional>
#include <set>
#include <vector>

#include "platform/files.h"
#include "platform/internal.h"

namespace valvora::platform::detail {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view upToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view name) {
  std::string result(name);
  for (char& c : result) c = asciiLower(c);
  return result;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

std::string withoutLineBreaks(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    if (c != '\r' && c != '\n') result.push_back(c);
  }
  return result;
}

// The first kIniValueLength characters of valid UTF-8 text.
std::string cutValue(std::string_view text) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0u) != 0x80u;
    if (startsCharacter && ++characters > kIniValueLength) return std::string(text.substr(0, i));
  }
  return std::string(text);
}

bool isAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

struct Line {
  enum class Kind { kBlank, kSection, kKey, kOther } kind = Kind::kOther;
  std::string name;
  std::string value;  // as read: ended at a NUL, trimmed, unquoted; not yet cut
};

// Most lines of a large file are plain ASCII or blank: they are looked at in place.
Line parse(std::string_view raw) {
  std::string converted;
  if (!isAscii(raw)) converted = lineAsUtf8(raw);
  const std::string_view line = trimmed(converted.empty() ? raw : std::string_view(converted));
  Line result;
  if (line.empty()) {
    result.kind = Line::Kind::kBlank;
  } else if (line.front() == '[') {
    // The last "]" closes the name, so a name holding "]" reads back whole.
    const std::size_t close = line.rfind(']');
    if (close != 0 && close != std::string_view::npos) {
      result.kind = Line::Kind::kSection;
      result.name = trimmed(line.substr(1, close - 1));
    }
  } else if (line.front() != ';') {
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos) {
      result.kind = Line::Kind::kKey;
      result.name = trimmed(line.substr(0, equals));
      std::string_view value = trimmed(upToNul(line.substr(equals + 1)));
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
      }
      result.value = value;
    }
  }
  return result;
}

// One line of the text: from begin to end, its line break up to next.
struct Span {
  std::size_t begin;
  std::size_t end;
  std::size_t next;
};

std::vector<Span> spansOf(std::string_view text) {
  std::vector<Span> spans;
  forEachLine(text, [&](std::size_t begin, std::size_t end, std::size_t next) {
    spans.push_back({begin, end, next});
  });
  return spans;
}

// Where a section and a key stand in the text.
struct Place {
  std::optional<std::size_t> section;  // the header line
  std::size_t sectionEnd = 0;          // one past the section's last line
  std::optional<std::size_t> key;
  Line keyLine;
};

Place find(std::string_view text, const std::vector<Span>& spans, std::string_view section,
           std::string_view key) {
  Place place;
  for (std::size_t i = 0; i < spans.size(); ++i) {
    Line line = parse(text.substr(spans[i].begin, spans[i].end - spans[i].begin));
    if (line.kind == Line::Kind::kSection) {
      if (place.section) return place;  // the section ends here; later duplicates are ignored
      if (sameName(line.name, section)) place.section = i;
    } else if (place.section && !place.key && line.kind == Line::Kind::kKey &&
               sameName(line.name, key)) {
      place.key = i;
      place.keyLine = std::move(line);
    }
    place.sectionEnd = i + 1;
  }
  return place;
}

void appendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

std::string fromUtf16(std::string_view bytes, bool bigEndian) {
  std::string out;
  out.reserve(bytes.size());
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t i) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    return bigEndian ? char32_t(first << 8 | second) : char32_t(second << 8 | first);
  };
  for (std::size_t i = 0; i < units; ++i) {
    const char32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else {
      appendUtf8(out, u >= 0xD800 && u <= 0xDFFF ? kReplacement : u);
    }
  }
  if (bytes.size() % 2 != 0) appendUtf8(out, kReplacement);
  return out;
}

// The code point at text[i] and its length; a byte that starts none is U+FFFD, one byte.
std::pair<char32_t, std::size_t> utf8At(std::string_view text, std::size_t i) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) return {c, 1};
  const std::size_t length = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
  if (length == 0 || c > 0xF4 || text.size() - i < length) return {kReplacement, 1};
  char32_t code = c & (0x7Fu >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0u) != 0x80u) return {kReplacement, 1};
    code = (code << 6) | (next & 0x3Fu);
  }
  const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < smallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
    return {kReplacement, 1};
  return {code, length};
}

std::string toUtf16(std::string_view text, bool bigEndian) {
  std::string out;
  out.reserve(2 * text.size() + 2);
  auto put = [&](char32_t unit) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out.push_back(bigEndian ? high : low);
    out.push_back(bigEndian ? low : high);
  };
  put(0xFEFF);
  for (std::size_t i = 0; i < text.size();) {
    const auto [code, length] = utf8At(text, i);
    i += length;
    if (code >= 0x10000) {
      put(0xD800 + ((code - 0x10000) >> 10));
      put(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      put(code);
    }
  }
  return out;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

}  // namespace

IniText decodeIni(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Mark))
    return {std::string(bytes.substr(kUtf8Mark.size())), IniEncoding::kUtf8Bom};
  if (bytes.starts_with("\xFF\xFE"))
    return {fromUtf16(bytes.substr(2), false), IniEncoding::kUtf16LE};
  if (bytes.starts_with("\xFE\xFF"))
    return {fromUtf16(bytes.substr(2), true), IniEncoding::kUtf16BE};
  return {std::string(bytes), IniEncoding::kBytes};
}

std::string encodeIni(const IniText& text) {
  switch (text.encoding) {
    case IniEncoding::kUtf8Bom:
      return std::string(kUtf8Mark) + text.text;
    case IniEncoding::kUtf16LE:
      return toUtf16(text.text, false);
    case IniEncoding::kUtf16BE:
      return toUtf16(text.text, true);
    case IniEncoding::kBytes:
      break;
  }
  return text.text;
}

std::string iniName(std::string_view name) {
  return std::string(trimmed(withoutLineBreaks(lineAsUtf8(upToNul(name)))));
}

std::string iniValue(std::string_view value) {
  return cutValue(withoutLineBreaks(lineAsUtf8(upToNul(value))));
}

bool canWriteKey(std::string_view key) {
  return key.find('=') == std::string_view::npos &&
         (key.empty() || (key.front() != '[' && key.front() != ';'));
}

IniIndex::IniIndex(std::string_view text) {
  std::set<std::string> seen;
  std::string section;
  bool reading = false;  // in the first section of its name
  forEachLine(text, [&](std::size_t begin, std::size_t end, std::size_t) {
    const std::string_view raw = text.substr(begin, end - begin);
    if (trimmed(raw).empty()) return;
    Line line = parse(raw);
    if (line.kind == Line::Kind::kSection) {
      section = lowered(line.name);
      reading = seen.insert(section).second;
    } else if (reading && line.kind == Line::Kind::kKey) {
      values_.try_emplace({section, lowered(line.name)}, cutValue(line.value));
    }
  });
}

std::string IniIndex::value(std::string_view section, std::string_view key) const {
  const auto found = values_.find({lowered(section), lowered(key)});
  return found == values_.end() ? std::string() : found->second;
}

std::string withKey(std::string_view text, std::string_view section, std::string_view key,
                    std::string_view value) {
  const std::vector<Span> spans = spansOf(text);
  const Place place = find(text, spans, section, key);
  if (place.key) {
    const Span& span = spans[*place.key];
    return std::string(text.substr(0, span.begin)) + place.keyLine.name + "=" + std::string(value) +
           std::string(text.substr(span.end));
  }
  const std::string keyLine = std::string(key) + "=" + std::string(value) + "\r\n";
  if (place.section) {
    std::size_t last = *place.section;
    for (std::size_t i = last + 1; i < place.sectionEnd; ++i) {
      const Span& span = spans[i];
      if (!trimmed(text.substr(span.begin, span.end - span.begin)).empty()) last = i;
    }
    const Span& span = spans[last];
    const std::string insert = (span.next == span.end ? "\r\n" : "") + keyLine;
    return std::string(text.substr(0, span.next)) + insert + std::string(text.substr(span.next));
  }
  std::string result(text);
  if (!result.empty() && result.back() != '\n' && result.back() != '\r') result += "\r\n";
  return result + "[" + std::string(section) + "]\r\n" + keyLine;
}

}  // namespace valvora::platform::detail
