#pragma once

#include <string>
#include <string_view>

namespace valvora {

// What a calculator sees of its page: the text of a control by name, and a way to write a
// result into one. The main window implements it over its widgets, tests over a map.
struct Fields {
  virtual ~Fields() = default;
  virtual std::string text(std::string_view control) const = 0;
  virtual void write(std::string_view control, std::string text) = 0;
};

}  // namespace valvora
