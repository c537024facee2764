#pragma once

#include <stdexcept>
#include <string>

namespace valvora {

// The one failure of the program: a French message (UTF-8) shown as it stands in the
// error box. Readings, checked arithmetic and file operations throw it; the window catches
// it at the handler boundary only.
class CalcError : public std::runtime_error {
 public:
  explicit CalcError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace valvora
