#pragma once

// Unsigned integers of any size, and the small power tables, for the exact conversions.

#include <array>
#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

namespace valvora::numtext {

using u128 = unsigned __int128;

inline constexpr auto kPow10 = [] {
  std::array<std::uint64_t, 20> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

inline constexpr auto kPow5 = [] {
  std::array<std::uint64_t, 28> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 5;
  return p;
}();

inline int bitLength(u128 v) {
  const auto high = static_cast<std::uint64_t>(v >> 64);
  return high != 0 ? 128 - std::countl_zero(high)
                   : 64 - std::countl_zero(static_cast<std::uint64_t>(v));
}

// Unsigned integers of any size, for the rare values the 128-bit paths cannot take.
class Big {
 public:
  Big() = default;
  explicit Big(u128 v) {
    for (; v != 0; v >>= 64) limbs_.push_back(static_cast<std::uint64_t>(v));
  }

  // digits: decimal digits only, most significant first.
  static Big fromDigits(std::string_view digits) {
    Big r;
    std::size_t chunk = digits.size() % 19;
    if (chunk == 0) chunk = 19;
    for (std::size_t i = 0; i < digits.size(); i += chunk, chunk = 19) {
      std::uint64_t part = 0;
      for (std::size_t j = i; j < i + chunk; ++j) part = part * 10 + (digits[j] - '0');
      r.mulAdd(kPow10[chunk], part);
    }
    return r;
  }

  bool isZero() const { return limbs_.empty(); }

  int bitLength() const {
    if (limbs_.empty()) return 0;
    return static_cast<int>(limbs_.size()) * 64 - std::countl_zero(limbs_.back());
  }

  void mulAdd(std::uint64_t factor, std::uint64_t addend) {
    u128 carry = addend;
    for (auto& limb : limbs_) {
      const u128 t = static_cast<u128>(limb) * factor + carry;
      limb = static_cast<std::uint64_t>(t);
      carry = t >> 64;
    }
    if (carry != 0) limbs_.push_back(static_cast<std::uint64_t>(carry));
  }

  void mulPow5(long long n) {
    for (; n >= 27; n -= 27) mulAdd(kPow5[27], 0);
    if (n > 0) mulAdd(kPow5[n], 0);
  }

  void shiftLeft(long long bits) {
    if (limbs_.empty() || bits <= 0) return;
    const auto whole = static_cast<std::size_t>(bits / 64);
    const int part = static_cast<int>(bits % 64);
    if (part != 0) {
      std::uint64_t carry = 0;
      for (auto& limb : limbs_) {
        const std::uint64_t next = limb >> (64 - part);
        limb = (limb << part) | carry;
        carry = next;
      }
      if (carry != 0) limbs_.push_back(carry);
    }
    limbs_.insert(limbs_.begin(), whole, 0);
  }

  // Requires *this >= other.
  void subtract(const Big& other) {
    std::uint64_t borrow = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      const std::uint64_t o = i < other.limbs_.size() ? other.limbs_[i] : 0;
      const std::uint64_t d = limbs_[i] - o - borrow;
      borrow = (limbs_[i] < o || (limbs_[i] - o) < borrow) ? 1 : 0;
      limbs_[i] = d;
    }
    trim();
  }

  int compare(const Big& other) const {
    if (limbs_.size() != other.limbs_.size()) return limbs_.size() < other.limbs_.size() ? -1 : 1;
    for (std::size_t i = limbs_.size(); i-- > 0;) {
      if (limbs_[i] != other.limbs_[i]) return limbs_[i] < other.limbs_[i] ? -1 : 1;
    }
    return 0;
  }

  bool bit(long long i) const { return ((limb(i / 64) >> (i % 64)) & 1) != 0; }

  // Whether any bit below position i is set.
  bool anyBitBelow(long long i) const {
    const auto whole = static_cast<std::size_t>(i / 64);
    for (std::size_t k = 0; k < whole && k < limbs_.size(); ++k) {
      if (limbs_[k] != 0) return true;
    }
    const int part = static_cast<int>(i % 64);
    return part != 0 && (limb(whole) & ((std::uint64_t{1} << part) - 1)) != 0;
  }

  // count (at most 128) bits starting at position from.
  u128 bits(long long from, int count) const {
    const auto index = static_cast<std::size_t>(from / 64);
    const int part = static_cast<int>(from % 64);
    const u128 low = static_cast<u128>(limb(index)) | (static_cast<u128>(limb(index + 1)) << 64);
    u128 r = low >> part;
    if (part != 0) r |= static_cast<u128>(limb(index + 2)) << (128 - part);
    if (count < 128) r &= (u128{1} << count) - 1;
    return r;
  }

 private:
  std::uint64_t limb(std::size_t i) const { return i < limbs_.size() ? limbs_[i] : 0; }
  void trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  }

  std::vector<std::uint64_t> limbs_;
};

// floor(num / den) for a quotient below 2^64; num is left holding the remainder. The
// quotient is estimated from the leading bits, then corrected by at most a few steps.
std::uint64_t divideSmall(Big& num, const Big& den);

}  // namespace valvora::numtext
