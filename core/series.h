#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace valvora {

// A curve as the calculators hand it back: points (x[i], y[i]) in the order drawn, with the
// name the legend shows. Curves never travel through Fields, which carries texts.
struct Series {
  std::string name;
  std::vector<double> x, y;
};

// A simulator's results by its own names ("time", a node "v(1)", a branch "va#branch"), in
// lower case, each sampled at the points of "time".
using SpiceVectors = std::map<std::string, std::vector<double>, std::less<>>;

}  // namespace valvora
