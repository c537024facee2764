#pragma once

#include <string>
#include <vector>

namespace valvora {

// A curve as the calculators hand it back: points (x[i], y[i]) in the order drawn, with the
// name the legend shows. Curves never travel through Fields, which carries texts.
struct Series {
  std::string name;
  std::vector<double> x, y;
};

}  // namespace valvora
