#pragma once
// The number scanner shared by the ASCII STL and 3MF readers: a fast, locale-free decimal reader
// that works straight on the bytes.
#include <cmath>
#include <cstdint>

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

/// Scans one decimal number at `pos` (after optional whitespace): sign, digits, optional fraction,
/// optional exponent. On success stores it in `value`, moves `pos` past it and returns true. On
/// failure (end of data, no digit, "nan", "inf", a comma …) returns false with `pos` just after the
/// skipped whitespace. Never reads at or past `end`.
inline bool scan(const char*& pos, const char* end, double& value) {
  const char* p = pos;
  while (p < end && isSpace(static_cast<unsigned char>(*p))) ++p;
  pos = p;
  if (p == end) return false;

  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');

  std::uint64_t mantissa = 0;
  int significant = 0;
  int exponent = 0;
  bool sawDigit = false;
  while (p < end && unsigned(*p - '0') < 10) {
    const unsigned d = unsigned(*p - '0');
    sawDigit = true;
    if (significant < 18) {
      mantissa = mantissa * 10 + d;
      if (mantissa != 0) ++significant;
    } else if (exponent < exponentClamp) {
      ++exponent;
    }
    ++p;
  }
  if (p < end && *p == '.') {
    ++p;
    while (p < end && unsigned(*p - '0') < 10) {
      const unsigned d = unsigned(*p - '0');
      sawDigit = true;
      if (significant < 18) {
        mantissa = mantissa * 10 + d;
        if (mantissa != 0) ++significant;
        if (exponent > -exponentClamp) --exponent;
      }
      ++p;
    }
  }
  if (!sawDigit) return false;

  if (p < end && (*p == 'e' || *p == 'E')) {
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

  double result = double(mantissa);
  // Zero stays zero whatever the exponent (0 × 10^400 must not become NaN).
  if (mantissa != 0 && exponent != 0) {
    if (exponent > 0 && exponent <= 22) result *= exactPowersOfTen[exponent];
    else if (exponent < 0 && exponent >= -22) result /= exactPowersOfTen[-exponent];
    else result *= std::pow(10.0, double(exponent));
  }
  value = negative ? -result : result;
  pos = p;
  return true;
}

}  // namespace vantorel::DecimalScanner
