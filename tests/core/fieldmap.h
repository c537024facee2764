#pragma once

#include <map>
#include <string>
#include <string_view>

#include "core/fields.h"

namespace valvora::testing {

// Fields over a map, recording which controls a run wrote.
class FieldMap : public Fields {
 public:
  FieldMap() = default;
  FieldMap(std::initializer_list<std::pair<const std::string, std::string>> init) : f_(init) {}
  std::string text(std::string_view control) const override {
    auto it = f_.find(std::string(control));
    return it == f_.end() ? std::string() : it->second;
  }
  void write(std::string_view control, std::string text) override {
    f_[std::string(control)] = std::move(text);
  }
  std::string& operator[](const std::string& control) { return f_[control]; }

 private:
  std::map<std::string, std::string, std::less<>> f_;
};

}  // namespace valvora::testing
