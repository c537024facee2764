#include "core/fielddef.h"

#include <gtest/gtest.h>

#include <string>

namespace valvora {
namespace {

constexpr FieldDef kCapacity{"edDeC", "Capacité", "µF", "220", true, 0.001, 100000};
constexpr FieldDef kCount{"edAsN", "Nombre de lampes", "", "2", true, 1, 8};
constexpr FieldDef kFree{"edFree", "Libre", "V", "", true, 0, 0};

struct Reading {
  const FieldDef* def;
  std::string text;
  double value;         // when message is empty
  std::string message;  // the failure's text
};

TEST(FieldDef, ReadsOrNamesTheFieldAndItsRange) {
  const std::string forty(40, 'x');
  const Reading cases[] = {
      {&kCapacity, "220", 220, ""},
      {&kCapacity, "32.5", 32.5, ""},  // pasted with a point
      {&kCapacity, " 0,001 ", 0.001, ""},
      {&kCapacity, "100000", 100000, ""},
      {&kCapacity, "", 0, "Capacité : '' n'est pas un nombre."},
      {&kCapacity, "1,5.2", 0, "Capacité : '1,5.2' n'est pas un nombre."},
      {&kCapacity, "1E300", 0, "Capacité : entre 0,001 et 100 000 µF."},
      {&kCapacity, "1E-400", 0, "Capacité : entre 0,001 et 100 000 µF."},  // reads as 0
      {&kCapacity, "-5", 0, "Capacité : entre 0,001 et 100 000 µF."},
      {&kCapacity, "1E5000", 0, "Capacité : '1E5000' n'est pas un nombre."},  // beyond any real
      {&kCapacity, "2\n2", 0, "Capacité : le texte doit tenir sur une ligne."},
      {&kCapacity, forty + "yz", 0, "Capacité : '" + forty + "…' n'est pas un nombre."},
      {&kCapacity, "éééééééééééééééééééééééééééééééééééééééééé", 0,
       "Capacité : 'éééééééééééééééééééééééééééééééééééééééé…' n'est pas un nombre."},
      {&kCount, "9", 0, "Nombre de lampes : entre 1 et 8."},
      {&kFree, "-1E300", -1e300, ""},
  };
  for (const Reading& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.message.empty()) {
      EXPECT_DOUBLE_EQ(static_cast<double>(readDefinedField(*c.def, c.text)), c.value);
      continue;
    }
    try {
      readDefinedField(*c.def, c.text);
      ADD_FAILURE() << "read";
    } catch (const CalcError& e) {
      EXPECT_EQ(e.message(), c.message);
    }
  }
}

}  // namespace
}  // namespace valvora
