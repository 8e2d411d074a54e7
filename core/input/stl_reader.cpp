#include "input/stl_reader.h"

#include "input/decimal_scanner.h"
#include "input/load_error.h"
#include "input/utf8.h"
#include "input/vertex_welder.h"

#include <cstring>
#include <string>
#include <vector>

namespace vantorel::STLReader {
namespace {

constexpr std::size_t headerSize = 84;
constexpr std::size_t recordSize = 50;

std::uint32_t declaredCount(std::span<const std::byte> bytes) {
  std::uint32_t n;
  std::memcpy(&n, bytes.data() + 80, sizeof n);
  return n;  // little-endian on every platform we build for
}

// The opening of the file, decoded leniently, lower-cased and trimmed, for the ASCII tests.
std::string opening(std::span<const std::byte> bytes, std::size_t limit) {
  const std::string_view head(reinterpret_cast<const char*>(bytes.data()), std::min(bytes.size(), limit));
  return std::string(trim(asciiLower(decodeUTF8Lossy(head))));
}

Float3 floatsAt(const std::byte* p) {
  Float3 v;
  std::memcpy(&v.x, p, 4);
  std::memcpy(&v.y, p + 4, 4);
  std::memcpy(&v.z, p + 8, 4);
  return v;
}

PrintModel model(std::string_view name, ModelFormat format) {
  PrintModel m;
  m.name = std::string(name);
  m.format = format;
  m.unit = "millimeter";
  return m;
}

PrintModel readBinary(std::span<const std::byte> bytes, std::string_view name) {
  const std::uint32_t n = declaredCount(bytes);
  if (n == 0) throw LoadError::empty();
  // isBinary guarantees 84 + 50·n bytes are present.
  VertexWelder welder(n / 2 + 16, n);
  const std::byte* record = bytes.data() + headerSize;
  for (std::uint32_t i = 0; i < n; ++i, record += recordSize) {
    welder.addTriangle(floatsAt(record + 12), floatsAt(record + 24), floatsAt(record + 36));
  }
  if (!welder.hasTriangles()) throw LoadError::empty();

  PrintModel m = model(name, ModelFormat::stlBinary);
  ModelObject& object = m.objects.emplace_back();
  object.id = 0;
  object.name = std::string(name);
  welder.moveInto(object);
  return m;
}

// Matches `keyword` (lower case) at p, any ASCII case, followed by whitespace or the end.
bool isKeyword(const char* p, const char* end, std::string_view keyword) {
  if (std::size_t(end - p) < keyword.size()) return false;
  for (std::size_t i = 0; i < keyword.size(); ++i) {
    if ((p[i] | 0x20) != keyword[i]) return false;
  }
  const char* after = p + keyword.size();
  return after == end || DecimalScanner::isSpace(static_cast<unsigned char>(*after));
}

const char* lineEnd(const char* p, const char* end) {
  while (p < end && *p != '\n' && *p != '\r') ++p;
  return p;
}

class AsciiParser {
public:
  AsciiParser(std::span<const std::byte> bytes, std::string_view name)
      : p_(reinterpret_cast<const char*>(bytes.data())), end_(p_ + bytes.size()), name_(name),
        // A facet takes about 250 bytes in the files tools write; this only sizes the first object.
        welder_(bytes.size() / 500 + 16, bytes.size() / 250 + 16) {}

  PrintModel parse() {
    using DecimalScanner::isSpace;
    for (;;) {
      while (p_ < end_ && isSpace(static_cast<unsigned char>(*p_))) ++p_;
      if (p_ == end_) break;
      if (isKeyword(p_, end_, "vertex")) {
        p_ += 6;
        Float3 v;
        double x, y, z;
        if (!DecimalScanner::scan(p_, end_, x) || !DecimalScanner::scan(p_, end_, y) ||
            !DecimalScanner::scan(p_, end_, z)) {
          throw LoadError::malformed("a vertex line in the ASCII STL is missing a number");
        }
        v = {float(x), float(y), float(z)};
        loop_.push_back(v);
      } else if (isKeyword(p_, end_, "endloop")) {
        p_ += 7;
        for (std::size_t i = 1; i + 1 < loop_.size(); ++i) welder_.addTriangle(loop_[0], loop_[i], loop_[i + 1]);
        loop_.clear();
      } else if (isKeyword(p_, end_, "endsolid")) {
        p_ = lineEnd(p_ + 8, end_);
        closeObject();
      } else if (isKeyword(p_, end_, "solid")) {
        const char* start = p_ + 5;
        p_ = lineEnd(start, end_);
        solidName_ = decodeUTF8Lossy(trim(std::string_view(start, std::size_t(p_ - start)), " \t"));
      } else {
        while (p_ < end_ && !isSpace(static_cast<unsigned char>(*p_))) ++p_;
      }
    }
    closeObject();
    if (objects_.empty()) throw LoadError::empty();
    PrintModel m = model(name_, ModelFormat::stlASCII);
    m.objects = std::move(objects_);
    return m;
  }

private:
  void closeObject() {
    if (!welder_.hasTriangles()) return;
    ModelObject& object = objects_.emplace_back();
    object.id = std::int64_t(objects_.size() - 1);
    if (!solidName_.empty()) {
      object.name = solidName_;
    } else if (objects_.size() > 1) {
      object.name = std::string(name_) + " " + std::to_string(objects_.size());
    } else {
      object.name = std::string(name_);
    }
    welder_.moveInto(object);
  }

  const char* p_;
  const char* end_;
  std::string_view name_;
  VertexWelder welder_;
  std::vector<Float3> loop_;
  std::string solidName_;
  std::vector<ModelObject> objects_;
};

}  // namespace

bool isBinary(std::span<const std::byte> bytes) {
  if (bytes.size() < headerSize) return false;
  const std::uint64_t n = declaredCount(bytes);
  const std::uint64_t expected = headerSize + recordSize * n;
  if (bytes.size() == expected) return true;
  const std::string head = opening(bytes, 512);
  if (head.starts_with("solid") && head.find("facet") != std::string::npos) return false;
  if (n == 0) return false;
  return bytes.size() >= expected;
}

PrintModel read(std::span<const std::byte> bytes, std::string_view name) {
  if (isBinary(bytes)) return readBinary(bytes, name);
  if (opening(bytes, 256).starts_with("solid")) return AsciiParser(bytes, name).parse();
  throw LoadError::malformed("it isn't an STL file (neither binary nor ASCII)");
}

}  // namespace vantorel::STLReader
