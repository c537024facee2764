// Feeds arbitrary texts and extended bit patterns to the readings, forms and checked
// operations; aborts on any text the calculators must never write.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "core/numtext.h"

namespace {

using valvora::CalcError;
using valvora::Real;

constexpr struct {
  std::string_view pattern;
  std::size_t decimals;
} kPatterns[] = {{"0", 0}, {"0.00", 2}, {"0.000", 3}, {"0.0000", 4}, {"0.00000", 5}};
constexpr std::string_view kKilobytes = "#,###\" KB\"";

void require(bool ok) {
  if (!ok) std::abort();
}

void requirePlain(std::string_view text) {
  require(text.find('.') == std::string_view::npos);
  require(text.find("nan") == std::string_view::npos);
  require(text.find("inf") == std::string_view::npos);
}

bool isKnownFailure(std::string_view message) {
  return message == valvora::msg::kFloatZeroDivide || message == valvora::msg::kFloatInvalid ||
         message == valvora::msg::kFloatOverflow || message == valvora::msg::kIntZeroDivide;
}

// what() stops at the first NUL of a text typed with one.
bool sameMessage(const CalcError& e, const std::string& expected) {
  return std::string_view(e.what()) == std::string_view(expected.c_str());
}

void checkForms(Real v) {
  require(std::isfinite(v));
  const valvora::Decimal18 d = valvora::toDecimal18(v);
  require(d.digits == 0 ||
          (d.digits >= 100000000000000000ull && d.digits < 1000000000000000000ull));

  const std::string general = valvora::formatGeneral(v);
  requirePlain(general);
  require(!general.empty() && general != "-0");
  require(valvora::formatGeneral(valvora::readReal(general)) == general);

  const bool patternApplies = d.digits == 0 || d.exponent < 18;
  for (const auto& p : kPatterns) {
    const std::string text = valvora::formatPattern(p.pattern, v);
    requirePlain(text);
    if (!patternApplies) {
      require(text == general);
      continue;
    }
    const std::size_t comma = text.find(',');
    require((comma == std::string::npos ? 0 : text.size() - comma - 1) == p.decimals);
    if (text[0] == '-') require(text.find_first_of("123456789") != std::string::npos);
    valvora::readReal(text);  // every pattern text reads back
  }
  const std::string kb = valvora::formatPattern(kKilobytes, v);
  requirePlain(kb);
  require(!patternApplies || kb.ends_with(" KB"));

  try {
    require(std::isfinite(valvora::store(v)));
  } catch (const CalcError& e) {
    require(e.what() == valvora::msg::kFloatOverflow);
  }
}

template <class F>
void checkOperation(F&& operation) {
  try {
    require(std::isfinite(operation()));
  } catch (const CalcError& e) {
    require(isKnownFailure(e.what()));
  }
}

void checkOperations(Real a, Real b) {
  checkOperation([&] { return valvora::add(a, b); });
  checkOperation([&] { return valvora::subtract(a, b); });
  checkOperation([&] { return valvora::multiply(a, b); });
  checkOperation([&] { return valvora::divide(a, b); });
  checkOperation([&] { return valvora::power(a, b); });
  checkOperation([&] { return valvora::squareRoot(a); });
  checkOperation([&] { return valvora::ln(a); });
  checkOperation([&] { return valvora::exponential(a); });
  try {
    valvora::truncate(a);
  } catch (const CalcError& e) {
    require(e.what() == valvora::msg::kFloatInvalid);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  try {
    const std::int32_t i = valvora::readInteger(text);
    require(valvora::readInteger(valvora::formatInteger(i)) == i);
    try {
      valvora::divideInteger(i, static_cast<std::int32_t>(size) - 3);
    } catch (const CalcError& e) {
      require(isKnownFailure(e.what()));
    }
  } catch (const CalcError& e) {
    require(sameMessage(e, valvora::notAnIntegerMessage(text)));
  }

  try {
    checkForms(valvora::readReal(text));
  } catch (const CalcError& e) {
    require(sameMessage(e, valvora::notARealMessage(text)));
  }

  // Two readings separated by "|" meet every checked operation.
  const std::size_t bar = text.find('|');
  if (bar != std::string_view::npos) {
    try {
      checkOperations(valvora::readReal(text.substr(0, bar)),
                      valvora::readReal(text.substr(bar + 1)));
    } catch (const CalcError&) {
    }
  }

  // The first ten bytes as an extended value, the integer bit set as the hardware would.
  if (size >= 10) {
    std::uint64_t significand = 0;
    std::uint16_t signAndExponent = 0;
    std::memcpy(&significand, data, 8);
    std::memcpy(&signAndExponent, data + 8, 2);
    if ((signAndExponent & 0x7fff) != 0x7fff) {
      if ((signAndExponent & 0x7fff) != 0) {
        significand |= std::uint64_t{1} << 63;
      } else {
        significand &= ~(std::uint64_t{1} << 63);
      }
      Real v = 0;
      unsigned char bytes[sizeof(Real)] = {};
      std::memcpy(bytes, &significand, 8);
      std::memcpy(bytes + 8, &signAndExponent, 2);
      std::memcpy(&v, bytes, sizeof(Real));
      checkForms(v);
      checkOperations(v, static_cast<Real>(static_cast<std::int8_t>(data[size - 1])) / 4);
    }
  }
  return 0;
}
