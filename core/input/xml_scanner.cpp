#include "input/xml_scanner.h"

#include "input/decimal_scanner.h"
#include "input/load_error.h"
#include "base/utf8.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vantorel::XMLScanner {
namespace {

inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
inline bool endsName(char c) { return isSpace(c) || c == '/' || c == '>'; }

// Position just after the next `marker` at or after `from`, or npos.
std::size_t after(std::string_view doc, std::size_t from, std::string_view marker) {
  if (from > doc.size()) return std::string_view::npos;
  const std::size_t at = doc.find(marker, from);
  return at == std::string_view::npos ? at : at + marker.size();
}

[[noreturn]] void unclosed() { throw LoadError::malformed("an XML tag isn't closed"); }

void appendUTF8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | cp >> 6));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | cp >> 12));
    out.push_back(char(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | cp >> 18));
    out.push_back(char(0x80 | (cp >> 12 & 0x3F)));
    out.push_back(char(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

// The code point of a numeric reference body ("#65", "#x41"), or nothing when it is not one or
// does not name a Unicode scalar value.
std::optional<std::uint32_t> numericReference(std::string_view body) {
  if (body.size() < 2 || body[0] != '#') return std::nullopt;
  const bool hex = body[1] == 'x';
  std::string_view digits = body.substr(hex ? 2 : 1);
  if (digits.empty()) return std::nullopt;
  std::uint64_t v = 0;
  for (const char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0) return std::nullopt;
    v = v * (hex ? 16 : 10) + std::uint64_t(d);  // at most 8 digits fit in ten characters
  }
  if (v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return std::nullopt;
  return std::uint32_t(v);
}

}  // namespace

namespace {

enum class Found { tag, more, end };

// The scan proper, over a document that may continue past `doc` (unless `last`): where the bytes
// end inside a tag, or too early to tell what markup starts there, it answers `more` with `pos`
// at the first byte it still needs; where they end inside a comment or other markup, it notes the
// end marker in `skipping` and keeps only the bytes that may begin that marker.
Found nextTagIn(std::string_view doc, std::size_t& pos, XMLTag& tag, bool last, std::string_view& skipping) {
  const std::size_t n = doc.size();
  const char* d = doc.data();
  const Found out = last ? Found::end : Found::more;
  const auto skip = [&](std::size_t from, std::string_view marker) {
    const std::size_t to = after(doc, from, marker);
    if (to != std::string_view::npos) {
      pos = to;
      skipping = {};
      return true;
    }
    if (last) {
      pos = n;
    } else {
      skipping = marker;
      pos = std::max(std::min(from, n), n - std::min(n, marker.size() - 1));
    }
    return false;
  };
  if (!skipping.empty() && !skip(pos, skipping)) return out;
  while (pos < n) {
    // Tags are usually a few bytes apart, where a plain loop beats a library call.
    std::size_t lt = pos;
    while (lt < n && d[lt] != '<') ++lt;
    if (lt == n) {
      pos = n;
      return out;
    }
    // Four bytes tell a comment from the other markup and from a tag.
    if (!last && n - lt < 4) {
      pos = lt;
      return Found::more;
    }
    if (lt + 1 == n) {
      pos = n;
      return Found::end;
    }
    const std::string_view rest = doc.substr(lt);
    std::size_t from = 0;
    std::string_view marker;
    if (rest.starts_with("<!--")) from = lt + 4, marker = "-->";
    else if (rest.starts_with("<![")) from = lt + 3, marker = "]]>";
    else if (rest.starts_with("<!")) from = lt + 2, marker = ">";
    else if (rest.starts_with("<?")) from = lt + 2, marker = "?>";
    if (!marker.empty()) {
      if (!skip(from, marker)) return out;
      continue;
    }

    const auto cut = [&] {
      if (last) unclosed();
      pos = lt;
      return Found::more;
    };
    std::size_t p = lt + 1;
    const bool isEnd = d[p] == '/';
    if (isEnd) ++p;
    if (p >= n) return cut();
    const std::size_t nameStart = p;
    while (p < n && !endsName(d[p])) ++p;
    if (p == n) return cut();
    const std::size_t nameEnd = p;

    // The closing ">", with ">" inside quoted values not counting.
    for (;;) {
      if (p == n) return cut();
      const char c = d[p];
      if (c == '>') break;
      if (c == '"' || c == '\'') {
        ++p;
        while (p < n && d[p] != c) ++p;
        if (p == n) return cut();
      }
      ++p;
    }
    const std::size_t gt = p;
    pos = gt + 1;
    if (nameStart == nameEnd) continue;

    const bool isEmpty = gt > nameEnd && d[gt - 1] == '/';
    tag.document = doc;
    tag.name = doc.substr(nameStart, nameEnd - nameStart);
    tag.attributes = doc.substr(nameEnd, (isEmpty ? gt - 1 : gt) - nameEnd);
    tag.isEndTag = isEnd;
    tag.isEmptyElement = isEmpty;
    return Found::tag;
  }
  return out;
}

}  // namespace

bool nextTag(std::string_view doc, std::size_t& pos, XMLTag& tag) {
  std::string_view skipping;
  return nextTagIn(doc, pos, tag, true, skipping) == Found::tag;
}

bool PieceJoiner::take(const Piece& piece) {
  last_ = piece.size == 0;
  const std::string_view rest = document_.substr(pos_);
  pos_ = 0;
  if (last_ && !gathering_) {
    document_ = rest;  // still valid: the piece before stays until the next call
    return true;
  }
  if (!last_ && rest.size() <= piece.room) {
    char* begin = reinterpret_cast<char*>(piece.data) - rest.size();
    if (!rest.empty()) std::memmove(begin, rest.data(), rest.size());
    document_ = {begin, rest.size() + piece.size};
    gathering_ = false;
    return true;
  }
  gather(rest, piece);
  return last_ || document_.size() >= retryAt_;
}

void PieceJoiner::gather(std::string_view rest, const Piece& piece) {
  const std::size_t need = rest.size() + piece.size;
  if (need > gatheredCapacity_) {
    // Doubling keeps the copies linear; the document's size caps what one tag can need.
    std::size_t capacity = std::max(need, std::min(2 * gatheredCapacity_, documentSize_));
    auto grown = std::make_unique_for_overwrite<char[]>(capacity);
    if (!rest.empty()) std::memcpy(grown.get(), rest.data(), rest.size());
    gathered_ = std::move(grown);
    gatheredCapacity_ = capacity;
  } else if (!rest.empty() && rest.data() != gathered_.get()) {
    std::memmove(gathered_.get(), rest.data(), rest.size());
  }
  if (piece.size > 0) std::memcpy(gathered_.get() + rest.size(), piece.data, piece.size);
  document_ = {gathered_.get(), need};
  gathering_ = true;
}

bool PieceJoiner::nextTag(XMLTag& tag) {
  const Found found = nextTagIn(document_, pos_, tag, last_, skipping_);
  if (found == Found::end) ended_ = true;
  if (found == Found::more) retryAt_ = 2 * (document_.size() - pos_);
  return found == Found::tag;
}

std::string_view localName(std::string_view name) {
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool nextAttribute(std::string_view a, std::size_t& pos, Attribute& out) {
  const std::size_t n = a.size();
  std::size_t p = pos;
  while (p < n) {
    while (p < n && (isSpace(a[p]) || a[p] == '/')) ++p;
    const std::size_t nameStart = p;
    std::size_t localStart = p;
    while (p < n && !isSpace(a[p]) && a[p] != '=') {
      if (a[p] == ':') localStart = p + 1;
      ++p;
    }
    const std::string_view local = a.substr(localStart, p - localStart);
    while (p < n && isSpace(a[p])) ++p;
    if (p == n || a[p] != '=') continue;  // no value
    ++p;
    while (p < n && isSpace(a[p])) ++p;
    if (p == n || (a[p] != '"' && a[p] != '\'')) continue;
    const char quote = a[p++];
    const std::size_t valueStart = p;
    const std::size_t close = a.find(quote, p);
    const std::size_t valueEnd = close == std::string_view::npos ? n : close;
    p = close == std::string_view::npos ? n : close + 1;
    out.localName = local;
    out.prefix = a.substr(nameStart, localStart == nameStart ? 0 : localStart - 1 - nameStart);
    out.value = a.substr(valueStart, valueEnd - valueStart);
    pos = p;
    return true;
  }
  pos = n;
  return false;
}

std::optional<std::string_view> attribute(const XMLTag& tag, std::string_view local) {
  std::size_t pos = 0;
  Attribute a;
  while (nextAttribute(tag.attributes, pos, a)) {
    if (a.localName == local) return a.value;
  }
  return std::nullopt;
}

std::uint8_t Namespaces::lookup(std::string_view prefix) const {
  if (prefix.empty()) return defaultID_;
  for (std::size_t i = count_; i-- > 0;) {
    if (bindings_[i].prefix == prefix) return bindings_[i].id;
  }
  return kUnknown;
}

void Namespaces::declare(std::string_view prefix, std::string_view name, std::size_t depth) {
  if (count_ == kMaxBindings) return;
  std::uint8_t id = kUnknown;
  for (std::size_t i = 0; i < known_.size() && i < kUnknown; ++i) {
    if (known_[i] == name) id = std::uint8_t(i);
  }
  // xmlns="" takes the default namespace away, which leaves the reader's own default.
  if (prefix.empty() && name.empty()) id = fallback_;
  Binding& b = bindings_[count_++];
  b.prefix.assign(prefix);  // reuses the slot's storage
  b.id = id;
  b.depth = depth;
  if (prefix.empty()) defaultID_ = id;
}

void Namespaces::dropDeeperThan(std::size_t depth) {
  if (count_ == 0 || bindings_[count_ - 1].depth <= depth) return;
  // Bindings are pushed in depth order, so those out of scope are at the top.
  while (count_ > 0 && bindings_[count_ - 1].depth > depth) --count_;
  defaultID_ = fallback_;
  for (std::size_t i = count_; i-- > 0;) {
    if (bindings_[i].prefix.empty()) {
      defaultID_ = bindings_[i].id;
      break;
    }
  }
}

std::uint8_t Namespaces::resolve(const XMLTag& tag) {
  // Declarations of the last tag, if it was empty or an end tag, end their scope here.
  dropDeeperThan(depth_);
  const std::size_t colon = tag.name.rfind(':');
  const std::string_view prefix = colon == std::string_view::npos ? std::string_view() : tag.name.substr(0, colon);
  if (tag.isEndTag) {
    const std::uint8_t id = lookup(prefix);
    if (depth_ > 0) --depth_;
    return id;
  }
  const std::size_t level = depth_ + 1;
  if (tag.attributes.find("xmlns") != std::string_view::npos) {
    std::size_t pos = 0;
    Attribute a;
    while (nextAttribute(tag.attributes, pos, a)) {
      if (a.prefix.empty() && a.localName == "xmlns") declare({}, a.value, level);
      else if (a.prefix == "xmlns" && !a.localName.empty()) declare(a.localName, a.value, level);
    }
  }
  const std::uint8_t id = lookup(prefix);
  if (!tag.isEmptyElement) depth_ = level;
  return id;
}

std::optional<std::int64_t> parseInteger(std::string_view v) {
  std::size_t p = 0;
  while (p < v.size() && isSpace(v[p])) ++p;
  const bool negative = p < v.size() && v[p] == '-';
  if (negative) ++p;
  const std::size_t first = p;
  std::uint64_t magnitude = 0;
  // Eighteen digits cannot overflow; only longer runs need the careful check.
  while (p < v.size() && unsigned(v[p] - '0') < 10 && p - first < 18) magnitude = magnitude * 10 + unsigned(v[p++] - '0');
  if (p == first) return std::nullopt;
  constexpr std::uint64_t limit = std::uint64_t(std::numeric_limits<std::int64_t>::max()) + 1;  // |INT64_MIN|
  for (; p < v.size() && unsigned(v[p] - '0') < 10; ++p) {
    const unsigned digit = unsigned(v[p] - '0');
    if (magnitude > (limit - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  if (negative) return magnitude == limit ? std::numeric_limits<std::int64_t>::min() : -std::int64_t(magnitude);
  if (magnitude == limit) return std::nullopt;
  return std::int64_t(magnitude);
}

std::vector<double> parseNumberList(std::string_view v) {
  std::vector<double> numbers;
  const char* p = v.data();
  const char* end = p + v.size();
  double x = 0;
  while (p < end && DecimalScanner::scan(p, end, x)) numbers.push_back(x);
  return numbers;
}

std::string decodeText(std::string_view v) {
  if (v.find('&') == std::string_view::npos) return decodeUTF8Lossy(v);
  std::string out;
  out.reserve(v.size());
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '&') {
      out.push_back(v[i]);
      continue;
    }
    const std::size_t semi = v.substr(i + 1, 10).find(';');
    if (semi == std::string_view::npos) {
      out.push_back('&');
      continue;
    }
    const std::string_view body = v.substr(i + 1, semi);
    std::optional<std::uint32_t> cp;
    if (body == "amp") cp = '&';
    else if (body == "lt") cp = '<';
    else if (body == "gt") cp = '>';
    else if (body == "quot") cp = '"';
    else if (body == "apos") cp = '\'';
    else cp = numericReference(body);
    if (!cp) {
      out.push_back('&');  // copied unchanged; the body follows as ordinary bytes
      continue;
    }
    appendUTF8(out, *cp);
    i += semi + 1;
  }
  return decodeUTF8Lossy(out);
}

}  // namespace vantorel::XMLScanner
