#include "core/numtext/bigint.h"

namespace valvora::numtext {

std::uint64_t divideSmall(Big& num, const Big& den) {
  const int denBits = den.bitLength();
  if (denBits <= 64) {
    const u128 n = num.bits(0, 128);
    const auto d = static_cast<std::uint64_t>(den.bits(0, 64));
    num = Big(n % d);
    return static_cast<std::uint64_t>(n / d);
  }
  const int shift = denBits - 64;
  const u128 numTop = num.bits(shift, 128);
  const u128 denTop = den.bits(shift, 64);
  auto q = static_cast<std::uint64_t>(numTop / (denTop + 1));  // never above the quotient
  Big product = den;
  product.mulAdd(q, 0);
  num.subtract(product);
  while (num.compare(den) >= 0) {
    num.subtract(den);
    ++q;
  }
  return q;
}

}  // namespace valvora::numtext
