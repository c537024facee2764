#pragma once

// What a tool publishes of each of its input fields. The tab builders make the controls from
// it, the decimal-key filter and the tests read it, and the reader below checks a text
// against it, so that a control's name, caption and range stand in one place.

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/fields.h"
#include "core/numtext.h"

namespace valvora {

struct FieldDef {
  std::string_view name;         // the control's objectName
  std::string_view label;        // the caption without unit and colon: messages name it
  std::string_view unit;         // "µF", "kΩ"; empty when the value has none
  std::string_view defaultText;  // as the field opens; empty for an empty field
  bool numeric = true;           // a number: the decimal key types the comma
  double min = 0, max = 0;       // the plausible range in the field's unit, ends included;
                                 // min == max: no range (a text field, a list)
};

// Reads a field's text as the Atelier does: a point is taken for the decimal comma, a text of
// several lines is refused, and the value as computed must lie within the range. Failures
// name the field: « Capacité : '' n'est pas un nombre. », « Capacité : entre 0,001 et
// 100 000 µF. »
Real readDefinedField(const FieldDef& def, std::string_view text);
Real readDefinedField(const Fields& f, const FieldDef& def);
// The same, an empty (or blank) text giving nothing: an optional part ("empty: none").
std::optional<Real> readOptionalDefinedField(const Fields& f, const FieldDef& def);

// « Capacité : entre 0,001 et 100 000 µF. »
std::string rangeMessage(const FieldDef& def);
// A typed text as a message quotes it: its first 40 characters, then "…".
std::string quotedText(std::string_view text);

// The definition of that name in a tool's table; a name not there is a programming error.
const FieldDef& fieldNamed(std::span<const FieldDef> defs, std::string_view name);

}  // namespace valvora
