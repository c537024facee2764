// One full response curve of the tone stack (300 points), and a whole run of the tab's
// calculator: the curve, ten figures and the notch search.

#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "core/atelier/tonestack.h"

namespace {

using namespace valvora::atelier;

void ToneStackCurve(benchmark::State& state) {
  const ToneStackParts parts{250e3, 1e6, 25e3, 56e3, 250e-12, 20e-9, 20e-9, 1.3e3, 1e6};
  const PotFractions pots{0.3, 0.5, 0.3};
  for (auto _ : state) benchmark::DoNotOptimize(toneStackCurve(parts, pots));
}
BENCHMARK(ToneStackCurve)->Unit(benchmark::kMicrosecond);

struct MapFields : valvora::Fields {
  std::map<std::string, std::string, std::less<>> texts;
  std::string text(std::string_view c) const override {
    auto it = texts.find(c);
    return it == texts.end() ? std::string() : it->second;
  }
  void write(std::string_view c, std::string t) override { texts[std::string(c)] = std::move(t); }
};

void ToneStackCalculator(benchmark::State& state) {
  MapFields f;
  for (std::size_t i = 0; i < kToneStackFields.size(); ++i)
    f.texts[std::string(kToneStackFields[i].name)] = std::string(kToneStackPresets[0].texts[i]);
  f.texts["cbTsTaperT"] = f.texts["cbTsTaperB"] = std::string(kTaperTexts[1]);
  f.texts["cbTsTaperM"] = std::string(kTaperTexts[0]);
  for (auto _ : state) benchmark::DoNotOptimize(toneStack(f, {50, 50, 50}));
}
BENCHMARK(ToneStackCalculator)->Unit(benchmark::kMicrosecond);

// The Hiwatt circuit, ten nodes with ground: its curve, figures and notch.
void TenNodeCircuitCurve(benchmark::State& state) {
  const ToneCircuit& circuit = kToneCircuits.back();
  MapFields f;
  for (std::size_t i = 0; i < circuit.fields.size(); ++i)
    f.texts[std::string(circuit.fields[i].name)] = std::string(circuit.presets[0].texts[i]);
  const int knobs[] = {50, 50, 50};
  for (auto _ : state) benchmark::DoNotOptimize(toneCircuit(f, circuit, knobs));
}
BENCHMARK(TenNodeCircuitCurve)->Unit(benchmark::kMicrosecond);

}  // namespace
