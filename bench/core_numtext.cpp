// Readings and forms beside the standard double conversions on the same values.

#include <benchmark/benchmark.h>

#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "core/numtext.h"

namespace {

// What the fields hold and what the calculators write: short decimals, results of divisions,
// small and large magnitudes.
const std::vector<std::string> kCommaTexts = {"8,5",
                                              "100",
                                              "0,333333333333333",
                                              "2,66666666666667",
                                              "1234,5678",
                                              "1E-5",
                                              "1,5E20",
                                              "0,47",
                                              "-12,75",
                                              "4700",
                                              "22000",
                                              "0,0022"};

std::vector<std::string> pointTexts() {
  std::vector<std::string> out = kCommaTexts;
  for (auto& t : out) {
    for (auto& c : t) {
      if (c == ',') c = '.';
    }
  }
  return out;
}

std::vector<double> values() {
  std::vector<double> out;
  for (const auto& t : kCommaTexts) out.push_back(valvora::store(valvora::readReal(t)));
  out.push_back(2.0 / 3.0);
  out.push_back(1.0 / 3.0);
  return out;
}

void BM_ReadReal(benchmark::State& state) {
  for (auto _ : state) {
    for (const auto& t : kCommaTexts) benchmark::DoNotOptimize(valvora::readReal(t));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(kCommaTexts.size()));
}
BENCHMARK(BM_ReadReal);

void BM_FromCharsDouble(benchmark::State& state) {
  const auto texts = pointTexts();
  for (auto _ : state) {
    for (const auto& t : texts) {
      double v = 0;
      std::from_chars(t.data(), t.data() + t.size(), v);
      benchmark::DoNotOptimize(v);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(texts.size()));
}
BENCHMARK(BM_FromCharsDouble);

void BM_FormatGeneral(benchmark::State& state) {
  const auto vs = values();
  for (auto _ : state) {
    for (const double v : vs) benchmark::DoNotOptimize(valvora::formatGeneral(v));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(vs.size()));
}
BENCHMARK(BM_FormatGeneral);

void BM_ToCharsDoubleShortest(benchmark::State& state) {
  const auto vs = values();
  char buffer[64];
  for (auto _ : state) {
    for (const double v : vs) {
      benchmark::DoNotOptimize(std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(vs.size()));
}
BENCHMARK(BM_ToCharsDoubleShortest);

void BM_ToCharsDoubleGeneral15(benchmark::State& state) {
  const auto vs = values();
  char buffer[64];
  for (auto _ : state) {
    for (const double v : vs) {
      benchmark::DoNotOptimize(
          std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 15).ptr);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(vs.size()));
}
BENCHMARK(BM_ToCharsDoubleGeneral15);

void BM_FormatPattern2(benchmark::State& state) {
  const auto vs = values();
  for (auto _ : state) {
    for (const double v : vs) benchmark::DoNotOptimize(valvora::formatPattern("0.00", v));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(vs.size()));
}
BENCHMARK(BM_FormatPattern2);

void BM_ToCharsDoubleFixed2(benchmark::State& state) {
  const auto vs = values();
  char buffer[64];
  for (auto _ : state) {
    for (const double v : vs) {
      benchmark::DoNotOptimize(
          std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, 2).ptr);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(vs.size()));
}
BENCHMARK(BM_ToCharsDoubleFixed2);

// The exact path for magnitudes far outside the pages' range.
void BM_FormatGeneralExtreme(benchmark::State& state) {
  const valvora::Real vs[] = {1e-300L, 1e300L, 1e-4000L, 1e4000L};
  for (auto _ : state) {
    for (const valvora::Real v : vs) benchmark::DoNotOptimize(valvora::formatGeneral(v));
  }
  state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_FormatGeneralExtreme);

}  // namespace
