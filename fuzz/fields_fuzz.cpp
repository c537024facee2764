// Feeds arbitrary texts to the Atelier tools' input fields, each tool run over them as its
// tab would: a run either fails with its message or writes texts, never a "nan", an "inf", a
// figure of hundreds of digits, or any exception other than the tool's failure.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "core/atelier/biassetting.h"
#include "core/atelier/discharge.h"
#include "core/atelier/standardvalues.h"
#include "core/failure.h"
#include "core/fielddef.h"

namespace {

using namespace valvora;

void require(bool ok) {
  if (!ok) std::abort();
}

class MapFields : public Fields {
 public:
  std::string text(std::string_view control) const override {
    auto it = f.find(control);
    return it == f.end() ? std::string() : it->second;
  }
  void write(std::string_view control, std::string text) override {
    // A result is a short plain figure or sentence.
    require(text.size() <= 400);
    for (std::string_view bad : {"nan", "NaN", "inf", "Inf"})
      for (std::size_t at = text.find(bad); at != std::string::npos; at = text.find(bad, at + 1))
        require(text.compare(at, 6, bad == "inf" ? "infini" : "Infini") ==
                0);  // "infinie" is a word
    f[std::string(control)] = std::move(text);
  }
  std::map<std::string, std::string, std::less<>> f;
};

// Fills every field of the table from the input, "|" between texts; a field the input runs
// out for keeps its default.
void fill(MapFields& fields, std::span<const FieldDef> defs, std::string_view& input) {
  for (const FieldDef& s : defs) {
    fields.f[std::string(s.name)] = std::string(s.defaultText);
    if (input.empty()) continue;
    const std::size_t bar = input.find('|');
    fields.f[std::string(s.name)] = std::string(input.substr(0, bar));
    input = bar == std::string_view::npos ? std::string_view() : input.substr(bar + 1);
  }
}

template <typename Run>
void tryRun(MapFields& fields, Run run) {
  try {
    run(fields);
  } catch (const CalcError& e) {
    require(!e.message().empty());
  }
}

}  // namespace

// Input: a first byte choosing the tool, then the field texts separated by "|".
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int tool = data[0] % 8;
  std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  MapFields fields;
  switch (tool) {
    case 0:
    case 1:
    case 2:
    case 3:
      fill(fields, atelier::kBiasFields, input);
      tryRun(fields, [&](Fields& f) { atelier::BiasTarget(f, atelier::BiasMethod(tool)); });
      break;
    case 4:
      fill(fields, atelier::kBiasFields, input);
      tryRun(fields, [](Fields& f) { atelier::BiasMatch(f); });
      break;
    case 5:
      fill(fields, atelier::kSafetyFields, input);
      tryRun(fields, [](Fields& f) { atelier::Discharge(f); });
      tryRun(fields, [](Fields& f) { atelier::BleederFor(f); });
      break;
    case 6:
      fill(fields, atelier::kSafetyFields, input);
      tryRun(fields, [](Fields& f) { atelier::OtLoad(f); });
      break;
    default:
      fill(fields, atelier::kStandardValueFields, input);
      tryRun(fields, [](Fields& f) { atelier::NearestStandard(f); });
      break;
  }
  return 0;
}
