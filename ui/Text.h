#pragma once

#include <QString>
#include <string_view>

namespace valvora::ui {

// The core's texts (tables, messages, figures) are UTF-8 in std::string or string_view,
// which need not end in a NUL: their length is taken as given.
inline QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
// A table's C string; a missing one (nullptr) is the empty text.
inline QString fromUtf8(const char* text) {
  return QString::fromUtf8(text);
}

}  // namespace valvora::ui
