#pragma once
// Skipping whitespace, words and lines in text model files, sixteen bytes at a time where the
// processor allows: most of a text mesh file is indentation, line breaks and words nobody reads.
#include "input/decimal_scanner.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantorel::TextSkip {

#if defined(__SSE2__)
// One bit per byte of the sixteen at p: set where the byte is whitespace (see DecimalScanner).
inline unsigned spaceMask(const char* p) {
  const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i spaces = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(' ')),
                                                   _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\n'))),
                                      _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\r')),
                                                   _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\t'))));
  return unsigned(_mm_movemask_epi8(spaces));
}
#endif

/// The first byte in [p, stop) that isn't whitespace, or stop.
inline const char* spaces(const char* p, const char* stop) {
#if defined(__SSE2__)
  while (stop - p >= 16) {
    const unsigned other = ~spaceMask(p) & 0xFFFFu;
    if (other != 0) return p + __builtin_ctz(other);
    p += 16;
  }
#endif
  while (p < stop && DecimalScanner::isSpace(static_cast<unsigned char>(*p))) ++p;
  return p;
}

/// The first whitespace byte in [p, end), or end.
inline const char* word(const char* p, const char* end) {
#if defined(__SSE2__)
  while (end - p >= 16) {
    const unsigned space = spaceMask(p);
    if (space != 0) return p + __builtin_ctz(space);
    p += 16;
  }
#endif
  while (p < end && !DecimalScanner::isSpace(static_cast<unsigned char>(*p))) ++p;
  return p;
}

/// The first line feed or carriage return in [p, end), or end.
inline const char* lineBreak(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
  while (end - p >= 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, lf), _mm_cmpeq_epi8(chunk, cr)));
    if (mask != 0) return p + __builtin_ctz(unsigned(mask));
    p += 16;
  }
#endif
  while (p < end && *p != '\n' && *p != '\r') ++p;
  return p;
}

}  // namespace vantorel::TextSkip
