#pragma once

#include <clocale>

namespace valvora::platform {

// Qt sets the whole C locale from the desktop when the application object is made; under a
// French desktop the C library would then read and write "1,5", and ngspice would stop at the
// point of every netlist number. The process keeps the user's locale for everything else and
// numbers with a point. Called right after the application object is made.
inline void keepDecimalPoint() {
  std::setlocale(LC_NUMERIC, "C");
}

}  // namespace valvora::platform
