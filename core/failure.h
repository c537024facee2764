#pragma once

#include <stdexcept>
#include <string>

namespace valvora {

// The one failure of the program: a French message (UTF-8) shown as it stands in the
// error box. Readings, checked arithmetic and file operations throw it; the window catches
// it at the handler boundary only.
class CalcError : public std::runtime_error {
 public:
  explicit CalcError(const std::string& message) : std::runtime_error(message), message_(message) {}
  // The whole message: what() stops at a NUL that a quoted text may carry.
  const std::string& message() const noexcept { return message_; }

 private:
  std::string message_;
};

}  // namespace valvora
