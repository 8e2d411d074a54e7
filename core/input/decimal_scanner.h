#pragma once
// The number scanner shared by the ASCII STL and 3MF readers: a fast, locale-free decimal reader
// that works straight on the bytes.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vantorel::DecimalScanner {

/// Whitespace for the scanner and the ASCII STL form: exactly space, tab, line feed, carriage return.
/// (A bit test rather than four comparisons: this runs for nearly every byte of a text file.)
inline bool isSpace(unsigned char c) {
  constexpr std::uint64_t spaces = (1ull << ' ') | (1ull << '\t') | (1ull << '\n') | (1ull << '\r');
  return c <= ' ' && ((spaces >> c) & 1u) != 0;
}

/// 10^0 … 10^22, each exactly representable as a double.
extern const double exactPowersOfTen[23];

/// Far beyond any double's range; keeps the exponent counter from overflowing on endless digit runs.
inline constexpr int exponentClamp = 100000;

/// A number as written: sign, up to 18 significant digits and a power of ten.
struct Decimal {
  bool negative = false;
  std::uint64_t mantissa = 0;
  int exponent = 0;
};

namespace detail {

/// How many of the eight bytes of `word` (the first byte in the lowest bits) are digits before the
/// first byte that isn't, with their value; without a loop whose end the processor can't predict.
struct DigitRun {
  int count;
  std::uint64_t value;
};
inline DigitRun digitRun(std::uint64_t word) {
  const std::uint64_t values = word ^ 0x3030303030303030ull;  // digits become 0 … 9
  // A byte's top bit where it isn't a digit; a carry out of a byte only ever follows a marked one,
  // so the lowest mark is exact.
  const std::uint64_t other = ((values + 0x7676767676767676ull) | values) & 0x8080808080808080ull;
  const int count = other == 0 ? 8 : std::countr_zero(other) / 8;
  if (count == 0) return {0, 0};
  // The digits moved to the top with zeros below, then combined pairwise into one number.
  std::uint64_t v = values << (8 * (8 - count) % 64);
  v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFull;
  v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFull;
  v = (v * 10000 + (v >> 32)) & 0xFFFFFFFFull;
  return {count, v};
}

inline std::uint64_t load8(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

inline constexpr std::uint64_t powersOfTen[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

/// The common coordinate, fewer than eight digits before and after an optional point, read eight
/// bytes at a time; the mantissa and exponent are those of the digit-by-digit reading, which has
/// nothing to cap at so few digits. Returns false, having moved nothing, for anything else.
inline bool readShort(const char*& pos, const char* end, std::uint64_t& mantissa, int& exponent) {
  if constexpr (std::endian::native != std::endian::little) return false;
  const char* p = pos;
  if (end - p < 17) return false;
  const DigitRun whole = digitRun(load8(p));
  if (whole.count == 0 || whole.count == 8) return false;
  p += whole.count;
  std::uint64_t m = whole.value;
  int e = 0;
  if (*p == '.') {
    const DigitRun fraction = digitRun(load8(p + 1));
    if (fraction.count == 8) return false;
    p += 1 + fraction.count;
    m = m * powersOfTen[fraction.count] + fraction.value;
    e = -fraction.count;
  }
  mantissa = m;
  exponent = e;
  pos = p;
  return true;
}

}  // namespace detail

/// Reads one decimal number at `pos` (after optional whitespace): sign, digits, optional fraction,
/// optional exponent. On success stores it in `number`, moves `pos` past it and returns true. On
/// failure (end of data, no digit, "nan", "inf", a comma …) returns false with `pos` just after the
/// skipped whitespace. Never reads at or past `end`.
[[gnu::always_inline]] inline bool read(const char*& pos, const char* end, Decimal& number) {
  const char* p = pos;
  while (p < end && isSpace(static_cast<unsigned char>(*p))) ++p;
  pos = p;
  if (p == end) return false;

  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');

  std::uint64_t mantissa = 0;
  int significant = 0;
  int exponent = 0;
  bool sawDigit = detail::readShort(p, end, mantissa, exponent);
  if (!sawDigit) {
    // Digit by digit: at most 18 significant ones count; leading zeros don't.
    const auto take = [&](unsigned digit, bool fraction) {
      sawDigit = true;
      if (significant < 18) {
        mantissa = mantissa * 10 + digit;
        if (mantissa != 0) ++significant;
        if (fraction && exponent > -exponentClamp) --exponent;
      } else if (!fraction && exponent < exponentClamp) {
        ++exponent;  // a whole-number digit past the 18th still counts for magnitude
      }
    };
    while (p < end && unsigned(*p - '0') < 10) take(unsigned(*p++ - '0'), false);
    if (p < end && *p == '.') {
      ++p;
      while (p < end && unsigned(*p - '0') < 10) take(unsigned(*p++ - '0'), true);
    }
  }
  if (!sawDigit) return false;

  if (p < end && (*p == 'e' || *p == 'E')) {
    // The usual "e+01" or "e-05" at once.
    if (end - p >= 5 && (p[1] == '+' || p[1] == '-') && unsigned(p[2] - '0') < 10 && unsigned(p[3] - '0') < 10 &&
        unsigned(p[4] - '0') >= 10) {
      const int e = int(p[2] - '0') * 10 + int(p[3] - '0');
      exponent += p[1] == '-' ? -e : e;
      number = {negative, mantissa, exponent};
      pos = p + 4;
      return true;
    }
    const char* q = p + 1;
    bool expNegative = false;
    if (q < end && (*q == '+' || *q == '-')) expNegative = (*q++ == '-');
    if (q < end && unsigned(*q - '0') < 10) {
      int e = 0;
      while (q < end && unsigned(*q - '0') < 10) {
        e = e * 10 + int(*q - '0');
        if (e > 9999) e = 9999;
        ++q;
      }
      exponent += expNegative ? -e : e;
      p = q;
    }
  }
  number = {negative, mantissa, exponent};
  pos = p;
  return true;
}

/// The value of `number` as a 64-bit float: the mantissa multiplied or divided by an exact power
/// of ten, which rounds correctly for up to 15 or so digits and exponents up to 22.
inline double value(const Decimal& number) {
  double result = double(number.mantissa);
  // Zero stays zero whatever the exponent (0 × 10^400 must not become NaN).
  const int exponent = number.exponent;
  if (number.mantissa != 0 && exponent != 0) {
    if (exponent > 0 && exponent <= 22) result *= exactPowersOfTen[exponent];
    else if (exponent < 0 && exponent >= -22) result /= exactPowersOfTen[-exponent];
    else result *= std::pow(10.0, double(exponent));
  }
  return number.negative ? -result : result;
}

/// Scans one number (see read) as a 64-bit float.
inline bool scan(const char*& pos, const char* end, double& out) {
  Decimal number;
  if (!read(pos, end, number)) return false;
  out = value(number);
  return true;
}

/// 10^-1 … 10^-22, each the nearest double.
extern const double nearestNegativePowersOfTen[23];

/// The float nearest to `number`, where it is settled without a division: a whole mantissa below
/// 2^53, or one over 10^1 … 10^22. Multiplying by the nearest double of 10^-k is off by at most a
/// few units in the last place of the double; that decides the float unless it lies next to the
/// midpoint between two floats. Returns false for those and for anything else, which then needs a
/// full conversion.
inline bool nearestFloat(const Decimal& number, float& out) {
  const int exponent = number.exponent;
  if (number.mantissa >= (std::uint64_t(1) << 53) || exponent > 0 || exponent < -22) return false;
  float f;
  if (exponent == 0 || number.mantissa == 0) {
    f = float(double(number.mantissa));  // exact as a double, so rounded once
  } else {
    const double product = double(number.mantissa) * nearestNegativePowersOfTen[-exponent];
    std::uint64_t bits;
    std::memcpy(&bits, &product, sizeof bits);
    // The 29 bits below a float's precision; far from the halfway pattern, the float is settled.
    // Below the normal float range fewer bits count, so those take the exact path too.
    const std::uint64_t below = bits & ((std::uint64_t(1) << 29) - 1);
    const bool nearHalfway = below - ((std::uint64_t(1) << 28) - 8) <= 16;
    if (nearHalfway || product < 0x1p-125) return false;
    f = float(product);
  }
  out = number.negative ? -f : f;
  return true;
}

/// float(value(number)), always, but without the division for the usual coordinates.
inline float floatValue(const Decimal& number) {
  float f;
  if (nearestFloat(number, f)) return f;
  return float(value(number));
}

/// Scans one number (see read) as a 32-bit float, as float() of the 64-bit scan would give.
[[gnu::always_inline]] inline bool scan(const char*& pos, const char* end, float& out) {
  Decimal number;
  if (!read(pos, end, number)) return false;
  out = floatValue(number);
  return true;
}

}  // namespace vantorel::DecimalScanner
