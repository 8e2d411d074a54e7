#include "input/obj_reader.h"

#include "input/load_error.h"
#include "input/text_skip.h"
#include "input/utf8.h"
#include "input/vertex_welder.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace vantorel::OBJReader {
namespace {

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }
inline bool isBreak(char c) { return c == '\n' || c == '\r'; }

// The next space- or tab-separated token of a line, or an empty view at the line's end.
std::string_view nextToken(const char*& p, const char* lineEnd) {
  while (p < lineEnd && isBlank(*p)) ++p;
  const char* start = p;
  while (p < lineEnd && !isBlank(*p)) ++p;
  return {start, std::size_t(p - start)};
}

// A whole token as a 32-bit float, as the platform conversion reads it: an optional leading "+"
// and no trailing text.
bool toFloat(std::string_view token, float& out) {
  if (token.starts_with('+')) token.remove_prefix(1);
  if (token.empty() || token.front() == '+') return false;
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), out);
  if (end != token.data() + token.size()) return false;
  if (ec == std::errc::result_out_of_range) {
    // Saturate as the C conversion does: huge values become infinite (their triangles drop out),
    // tiny ones become zero.
    const bool negative = token.front() == '-';
    const auto e = token.find_first_of("eE");
    const bool tiny = e != std::string_view::npos && e + 1 < token.size() && token[e + 1] == '-';
    out = tiny ? (negative ? -0.0f : 0.0f) : (negative ? -HUGE_VALF : HUGE_VALF);
    return true;
  }
  return ec == std::errc();
}

// A face reference's vertex index: an optional sign and decimal digits, nothing else.
bool toIndex(std::string_view text, std::int64_t& out) {
  if (text.starts_with('+')) text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

class Parser {
public:
  Parser(std::span<const std::byte> bytes, std::string_view name)
      : p_(reinterpret_cast<const char*>(bytes.data())), end_(p_ + bytes.size()), modelName_(name),
        partName_(name),
        // Sizes for the first part only, from typical line lengths ("v" ~30 bytes, "f" ~20 bytes).
        welder_(bytes.size() / 64 + 16, bytes.size() / 32 + 16) {
    vertices_.reserve(bytes.size() / 64 + 16);
  }

  PrintModel parse() {
    while (p_ < end_) {
      const char* line = p_;
      p_ = TextSkip::lineBreak(p_, end_);
      const char* lineEnd = p_;
      while (p_ < end_ && isBreak(*p_)) ++p_;  // empty lines are dropped
      statement(line, lineEnd);
    }
    closePart();
    if (objects_.empty()) throw LoadError::empty();
    PrintModel m;
    m.name = std::string(modelName_);
    m.format = ModelFormat::obj;
    m.unit = "millimeter";
    m.objects = std::move(objects_);
    return m;
  }

private:
  void statement(const char* p, const char* lineEnd) {
    const std::string_view keyword = nextToken(p, lineEnd);
    if (keyword == "v") {
      Float3 v;
      if (!toFloat(nextToken(p, lineEnd), v.x) || !toFloat(nextToken(p, lineEnd), v.y) ||
          !toFloat(nextToken(p, lineEnd), v.z)) {
        throw LoadError::malformed("a vertex line has no x, y and z");
      }
      vertices_.push_back(v);
    } else if (keyword == "f") {
      face(p, lineEnd);
    } else if (keyword == "o" || keyword == "g") {
      closePart();
      std::string joined;
      for (auto token = nextToken(p, lineEnd); !token.empty(); token = nextToken(p, lineEnd)) {
        if (!joined.empty()) joined.push_back(' ');
        joined.append(token);
      }
      partName_ = joined.empty() ? std::string(modelName_) : decodeUTF8Lossy(joined);
    }
  }

  void face(const char* p, const char* lineEnd) {
    corners_.clear();
    const auto count = std::int64_t(vertices_.size());
    for (auto token = nextToken(p, lineEnd); !token.empty(); token = nextToken(p, lineEnd)) {
      std::int64_t index;
      if (!toIndex(token.substr(0, token.find('/')), index)) continue;
      const std::int64_t zeroBased = index < 0 ? count + index : index - 1;
      if (index == 0 || zeroBased < 0 || zeroBased >= count) {
        throw LoadError::malformed("a face points to a vertex that doesn't exist");
      }
      corners_.push_back(vertices_[std::size_t(zeroBased)]);
    }
    welder_.queueFan(corners_);
  }

  void closePart() {
    if (!welder_.hasTriangles()) return;
    ModelObject& object = objects_.emplace_back();
    object.id = std::int64_t(objects_.size() - 1);
    object.name = partName_;
    welder_.moveInto(object);
  }

  const char* p_;
  const char* end_;
  std::string_view modelName_;
  std::string partName_;
  VertexWelder welder_;
  std::vector<Float3> vertices_;
  std::vector<Float3> corners_;
  std::vector<ModelObject> objects_;
};

}  // namespace

PrintModel read(std::span<const std::byte> bytes, std::string_view name) { return Parser(bytes, name).parse(); }

}  // namespace vantorel::OBJReader
