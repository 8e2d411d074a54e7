#include "input/obj_reader.h"

#include "input/decimal_scanner.h"
#include "input/load_error.h"
#include "input/text_skip.h"
#include "base/utf8.h"
#include "input/vertex_welder.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
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

// A token without its one optional leading "+", or nothing when a sign follows it ("+-1" and "++1"
// are no numbers to the platform conversion).
bool dropPlus(std::string_view& token) {
  if (!token.starts_with('+')) return true;
  token.remove_prefix(1);
  return !token.empty() && token.front() != '+' && token.front() != '-';
}

// A whole token as a 32-bit float, as the platform conversion reads it: an optional leading "+"
// and no trailing text.
bool toFloat(std::string_view token, float& out) {
  if (!dropPlus(token) || token.empty()) return false;
  const char* end = token.data() + token.size();
  const auto [stop, ec] = std::from_chars(token.data(), end, out);
  if (stop != end) return false;
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

// A face reference's vertex index: the text before its first "/", an optional sign and decimal
// digits, nothing else.
bool toIndex(std::string_view token, std::int64_t& out) {
  std::string_view text = token.substr(0, token.find('/'));
  if (!dropPlus(text) || text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

// The usual coordinate at p, after blanks: digits with an optional point, read eight bytes at a
// time up to a blank or the line's end. Moves p past it; anything else leaves p for the token path.
// `readable` is the end of the bytes, which may be read past the line.
inline bool quickCoordinate(const char*& p, const char* lineEnd, const char* readable, float& out) {
  const char* q = p;
  while (q < lineEnd && isBlank(*q)) ++q;
  DecimalScanner::Decimal number;
  number.negative = q < lineEnd && *q == '-';
  q += number.negative;
  if (readable - q < 17 || !DecimalScanner::detail::readShort(q, readable, number.mantissa, number.exponent)) {
    return false;
  }
  if (q > lineEnd || (q < lineEnd && !isBlank(*q)) || !DecimalScanner::nearestFloat(number, out)) return false;
  p = q;
  return true;
}

// The usual face reference at p (not a blank): an optional "-" and up to seven digits, then a
// blank, a "/" (what follows it up to the blank is skipped) or the line's end.
inline bool quickIndex(const char*& p, const char* lineEnd, const char* readable, std::int64_t& out) {
  const char* q = p;
  const bool negative = *q == '-';
  q += negative;
  if (readable - q < 8) return false;
  const auto run = DecimalScanner::detail::digitRun(DecimalScanner::detail::load8(q));
  if (run.count == 0 || run.count == 8) return false;
  q += run.count;
  if (q > lineEnd) return false;
  if (q < lineEnd && !isBlank(*q)) {
    if (*q != '/') return false;
    while (q < lineEnd && !isBlank(*q)) ++q;
  }
  out = negative ? -std::int64_t(run.value) : std::int64_t(run.value);
  p = q;
  return true;
}

// One pass over the lines of [p, end), handing each statement to `take`: take.vertex(position),
// take.badVertex(), take.face() then take.reference(index) for each index then take.endFace(),
// take.part(name). A handler returns false to stop at that line, which is then returned; the end
// when it never does. `readable` is the end of the bytes.
template <class Handler>
const char* readLines(const char* p, const char* end, const char* readable, Handler& take) {
  while (p < end) {
    const char* line = p;
    p = TextSkip::lineBreak(p, end);
    const char* lineEnd = p;
    while (p < end && isBreak(*p)) ++p;  // empty lines are dropped
    const char* q = line;
    const std::string_view keyword = nextToken(q, lineEnd);
    bool goOn = true;
    if (keyword == "v") {
      const auto coordinate = [&](float& out) {
        return quickCoordinate(q, lineEnd, readable, out) || toFloat(nextToken(q, lineEnd), out);
      };
      Float3 v;
      goOn = coordinate(v.x) && coordinate(v.y) && coordinate(v.z) ? take.vertex(v) : take.badVertex();
    } else if (keyword == "f") {
      goOn = take.face();
      while (goOn) {
        while (q < lineEnd && isBlank(*q)) ++q;
        if (q == lineEnd) break;
        std::int64_t index;
        if (quickIndex(q, lineEnd, readable, index) || toIndex(nextToken(q, lineEnd), index)) {
          goOn = take.reference(index);
        }
      }
      if (goOn) goOn = take.endFace();
    } else if (keyword == "o" || keyword == "g") {
      std::string joined;
      for (auto token = nextToken(q, lineEnd); !token.empty(); token = nextToken(q, lineEnd)) {
        if (!joined.empty()) joined.push_back(' ');
        joined.append(token);
      }
      goOn = take.part(joined);
    }
    if (!goOn) return line;
  }
  return end;
}

// Lines read ahead by a second thread, without the vertices of the lines before them: their
// positions, and their statements as words to be replayed in order. A word w > 0 is a face whose
// w vertex indices, as written, follow; w < 0 says that -w of the positions come next in the file's
// vertex list; w = 0 is a part statement whose name (an index into `names`) follows.
struct Lookahead {
  const char* begin = nullptr;
  const char* end = nullptr;
  const char* resume = nullptr;  // where the words stop: `end`, or a line to be read in order
  std::vector<Float3> positions;
  std::vector<std::int32_t> words;
  std::vector<std::string> names;
  std::atomic<bool> ready{false};
};

class LookaheadWriter {
public:
  /// `triangles` counts the faces' triangles over every block this thread reads ahead; past
  /// `maxTriangles` it stops, so that its words stay bounded, and leaves the refusal to the reader.
  LookaheadWriter(Lookahead& out, std::int64_t& triangles, std::int64_t maxTriangles)
      : out_(out), triangles_(triangles), maxTriangles_(maxTriangles) {}

  bool vertex(Float3 v) {
    out_.positions.push_back(v);
    ++unannounced_;
    return true;
  }
  // Errors, and indices a word can't hold, are left to the reader that knows the vertices before.
  bool badVertex() { return false; }
  bool face() {
    announceVertices();
    head_ = out_.words.size();
    out_.words.push_back(0);
    return true;
  }
  bool reference(std::int64_t index) {
    if (index == 0 || index > std::numeric_limits<std::int32_t>::max() ||
        index < -std::numeric_limits<std::int32_t>::max()) {
      out_.words.resize(head_);
      return false;
    }
    out_.words.push_back(std::int32_t(index));
    if (out_.words.size() - head_ > 3 && ++triangles_ > maxTriangles_) {
      out_.words.resize(head_);
      return false;
    }
    return true;
  }
  bool endFace() {
    const std::size_t references = out_.words.size() - head_ - 1;
    if (references == 0 || references > std::size_t(std::numeric_limits<std::int32_t>::max())) {
      out_.words.resize(head_);
      return references == 0;  // nothing to replay, or a face too long for a word
    }
    out_.words[head_] = std::int32_t(references);
    return true;
  }
  bool part(std::string& name) {
    announceVertices();
    out_.words.push_back(0);
    out_.words.push_back(std::int32_t(out_.names.size()));
    out_.names.push_back(std::move(name));
    return true;
  }
  void finish() { announceVertices(); }

private:
  void announceVertices() {
    while (unannounced_ > 0) {
      const std::size_t run = std::min<std::size_t>(unannounced_, std::numeric_limits<std::int32_t>::max());
      out_.words.push_back(-std::int32_t(run));
      unannounced_ -= run;
    }
  }
  Lookahead& out_;
  std::int64_t& triangles_;
  std::int64_t maxTriangles_;
  std::size_t unannounced_ = 0;
  std::size_t head_ = 0;  // the word of the face being written
};

class Parser {
public:
  Parser(std::span<const std::byte> bytes, std::string_view name, std::int64_t maxTriangles)
      : begin_(reinterpret_cast<const char*>(bytes.data())), end_(begin_ + bytes.size()), modelName_(name),
        partName_(name), maxTriangles_(maxTriangles),
        // Sizes for the first part only, from typical line lengths ("v" ~30 bytes, "f" ~20 bytes).
        welder_(bytes.size() / 64 + 16, bytes.size() / 32 + 16) {
    vertices_.reserve(bytes.size() / 64 + 16);
  }

  PrintModel parse() {
    if (std::size_t(end_ - begin_) < 2 * blockSize) {
      readLines(begin_, end_, end_, *this);
    } else {
      parseWithLookahead();
    }
    closePart();
    if (objects_.empty()) throw LoadError::empty();
    PrintModel m;
    m.name = std::string(modelName_);
    m.format = ModelFormat::obj;
    m.unit = "millimeter";
    m.objects = std::move(objects_);
    noteInvalidTriangles(m, welder_.nonFiniteTriangles());
    return m;
  }

  // The statements, in file order.
  bool vertex(Float3 v) {
    vertices_.push_back(v);
    return true;
  }
  bool badVertex() { throw LoadError::malformed("a vertex line has no x, y and z"); }
  // A face is fanned out as its references come, (p0, p1, p2), (p0, p2, p3) …, so that one
  // endless face line holds no more than its triangles, and those no more than the limit.
  bool face() {
    corners_ = 0;
    return true;
  }
  bool reference(std::int64_t index) {
    const Float3 p = position(index);
    if (corners_ == 0) {
      first_ = p;
    } else if (corners_ >= 2) {
      if (++triangles_ > maxTriangles_) throw LoadError::tooManyTriangles(maxTriangles_);
      welder_.queueTriangle(first_, previous_, p);
    }
    previous_ = p;
    ++corners_;
    return true;
  }
  bool endFace() { return true; }
  bool part(std::string& name) {
    closePart();
    partName_ = name.empty() ? std::string(modelName_) : decodeUTF8Lossy(name);
    return true;
  }

private:
  // Large files are read in blocks of lines. This thread takes blocks from the front and reads
  // them in order; a second thread reads blocks from the back ahead of time, which this one replays
  // when it gets there. Where the two meet depends only on how fast each goes, so both stay busy
  // whatever the mix of lines.
  static constexpr std::size_t blockSize = std::size_t(1) << 20;

  void parseWithLookahead() {
    // Blocks end at line starts: after a line break, so no line is split.
    std::vector<const char*> starts{begin_};
    for (std::size_t at = blockSize; at < std::size_t(end_ - begin_); at += blockSize) {
      const char* p = begin_ + at;
      if (!isBreak(p[-1])) {
        const char* lineBreak = TextSkip::lineBreak(p, end_);
        if (lineBreak >= end_ - 1) break;
        p = lineBreak + 1;
      }
      starts.push_back(p);
      at = std::size_t(p - begin_);
    }
    const std::size_t count = starts.size();
    std::vector<std::unique_ptr<Lookahead>> blocks(count);
    for (std::size_t b = 0; b < count; ++b) {
      blocks[b] = std::make_unique<Lookahead>();
      blocks[b]->begin = starts[b];
      blocks[b]->end = b + 1 < count ? starts[b + 1] : end_;
    }
    // Blocks before `front` are this thread's, blocks from `back` on the helper's.
    std::mutex claims;
    std::size_t front = 0, back = count;
    std::thread helper([&] {
      std::int64_t triangles = 0;
      for (;;) {
        std::size_t b;
        {
          const std::lock_guard lock(claims);
          if (back <= front) return;
          b = --back;
        }
        Lookahead& block = *blocks[b];
        try {
          LookaheadWriter writer(block, triangles, maxTriangles_);
          block.resume = readLines(block.begin, block.end, end_, writer);
          writer.finish();
        } catch (...) {  // out of memory: this thread reads the block itself
          block.resume = block.begin;
          block.positions = {};
          block.words = {};
        }
        block.ready.store(true, std::memory_order_release);
        block.ready.notify_one();
      }
    });
    // However this thread leaves, the helper takes no further block and is joined.
    struct Join {
      std::mutex& claims;
      std::size_t& front;
      std::size_t count;
      std::thread& helper;
      ~Join() {
        {
          const std::lock_guard lock(claims);
          front = count;
        }
        helper.join();
      }
    } join{claims, front, count, helper};

    for (std::size_t b = 0; b < count; ++b) {
      Lookahead& block = *blocks[b];
      bool mine;
      {
        const std::lock_guard lock(claims);
        mine = b < back;
        if (mine) front = b + 1;
      }
      if (mine) {
        readLines(block.begin, block.end, end_, *this);
        continue;
      }
      block.ready.wait(false, std::memory_order_acquire);
      replay(block);
      readLines(block.resume, block.end, end_, *this);
      blocks[b].reset();
    }
  }

  // The statements of a block read ahead, through the same handlers as lines read here.
  void replay(Lookahead& block) {
    const Float3* positions = block.positions.data();
    const std::int32_t* w = block.words.data();
    const std::int32_t* end = w + block.words.size();
    while (w < end) {
      const std::int32_t word = *w++;
      if (word < 0) {
        vertices_.insert(vertices_.end(), positions, positions - word);
        positions -= word;
      } else if (word == 0) {
        part(block.names[std::size_t(*w++)]);
      } else {
        face();
        for (std::int32_t k = 0; k < word; ++k) reference(*w++);
        endFace();
      }
    }
  }

  // The position that index (1-based, or counting back from the last vertex read) names.
  Float3 position(std::int64_t index) const {
    const auto count = std::int64_t(vertices_.size());
    const std::int64_t zeroBased = index < 0 ? count + index : index - 1;
    if (index == 0 || zeroBased < 0 || zeroBased >= count) {
      throw LoadError::malformed("a face points to a vertex that doesn't exist");
    }
    return vertices_[std::size_t(zeroBased)];
  }

  void closePart() {
    if (!welder_.hasTriangles()) return;
    ModelObject& object = objects_.emplace_back();
    object.id = std::int64_t(objects_.size() - 1);
    object.name = partName_;
    welder_.moveInto(object);
  }

  const char* begin_;
  const char* end_;
  std::string_view modelName_;
  std::string partName_;
  std::int64_t maxTriangles_;
  std::int64_t triangles_ = 0;  // made by the faces so far, degenerate ones included
  VertexWelder welder_;
  std::vector<Float3> vertices_;
  std::size_t corners_ = 0;  // of the face being read
  Float3 first_, previous_;
  std::vector<ModelObject> objects_;
};

}  // namespace

PrintModel read(std::span<const std::byte> bytes, std::string_view name, std::int64_t maxTriangles) {
  return Parser(bytes, name, maxTriangles).parse();
}

}  // namespace vantorel::OBJReader
