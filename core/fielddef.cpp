#include "core/fielddef.h"

#include <cmath>
#include <stdexcept>

namespace valvora {
namespace {

bool blank(std::string_view text) {
  for (const char c : text)
    if (c != ' ' && c != '\t') return false;
  return true;
}

// A range end as people write it: the general form, integer digits grouped by three from
// 10 000 on.
std::string rangeEnd(double value) {
  std::string s = formatGeneral(value);
  if (s.find('E') != std::string::npos) return s;
  std::size_t start = s[0] == '-' ? 1 : 0;
  std::size_t end = s.find(',');
  if (end == std::string::npos) end = s.size();
  if (end - start < 5) return s;
  for (std::size_t at = end; at > start + 3;) {
    at -= 3;
    s.insert(at, " ");
  }
  return s;
}

}  // namespace

std::string quotedText(std::string_view text) {
  constexpr std::size_t kShown = 40;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A UTF-8 character starts at every byte that is not a continuation byte.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (characters++ == kShown) return std::string(text.substr(0, i)) + "…";
  }
  return std::string(text);
}

std::string rangeMessage(const FieldDef& def) {
  std::string m(def.label);
  m += " : entre " + rangeEnd(def.min) + " et " + rangeEnd(def.max);
  if (!def.unit.empty()) m += " " + std::string(def.unit);
  return m + ".";
}

Real readDefinedField(const FieldDef& def, std::string_view text) {
  const std::string label(def.label);
  if (text.find_first_of("\r\n") != std::string_view::npos)
    throw CalcError(label + " : le texte doit tenir sur une ligne.");
  std::string typed(text);
  // A value pasted from elsewhere often has a decimal point.
  if (typed.find(',') == std::string::npos)
    for (char& c : typed)
      if (c == '.') c = ',';
  const std::optional<Real> value = tryReadReal(typed);
  if (!value) throw CalcError(label + " : '" + quotedText(text) + "' n'est pas un nombre.");
  // Checked as the tools keep it, a double: a text that rounds to zero or beyond any double
  // is out of range, and "0,001" meets a 0.001 bound.
  const double kept = static_cast<double>(*value);
  if (def.min != def.max && !(kept >= def.min && kept <= def.max))
    throw CalcError(rangeMessage(def));
  return *value;
}

Real readDefinedField(const Fields& f, const FieldDef& def) {
  return readDefinedField(def, f.text(def.name));
}

std::optional<Real> readOptionalDefinedField(const Fields& f, const FieldDef& def) {
  const std::string text = f.text(def.name);
  if (blank(text)) return std::nullopt;
  return readDefinedField(def, text);
}

const FieldDef& fieldNamed(std::span<const FieldDef> defs, std::string_view name) {
  for (const FieldDef& s : defs)
    if (s.name == name) return s;
  throw std::logic_error("no field definition named " + std::string(name));
}

}  // namespace valvora
