#pragma once

#include <string>
#include <string_view>

namespace valvora {

// What a calculator sees of its page: the text of a control by name, and a way to write a
// result into one. The windows implement it over their widgets, tests over a map.
// A write notifies like typing does: the widget's change signals fire (textChanged, the
// list's edit text), so the colour code follows a value the program writes. A handler that
// writes into the fields it listens to (a live curve) must not recompute on its own writes.
struct Fields {
  virtual ~Fields() = default;
  virtual std::string text(std::string_view control) const = 0;
  virtual void write(std::string_view control, std::string text) = 0;
};

}  // namespace valvora
