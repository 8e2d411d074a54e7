#include "input/stl_reader.h"

#include "base/localized.h"
#include "base/number_format.h"
#include "input/decimal_scanner.h"
#include "input/load_error.h"
#include "input/mapped_file.h"
#include "input/text_skip.h"
#include "base/utf8.h"
#include "input/vertex_welder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <exception>
#include <optional>
#include <thread>
#include <string>
#include <vector>

namespace vantorel::STLReader {
namespace {

constexpr std::size_t headerSize = 84;
constexpr std::size_t recordSize = 50;

// The file's pages are brought in a few MiB ahead of the scan rather than all at once: bringing
// them in holds the process's address-space lock, which the other thread needs to allocate.
constexpr std::size_t prefaultBytes = std::size_t(4) << 20;
constexpr std::uint32_t prefaultRecords = prefaultBytes / recordSize;

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

PrintModel model(std::string_view name, ModelFormat format) {
  PrintModel m;
  m.name = std::string(name);
  m.format = format;
  m.unit = "millimeter";
  return m;
}

// Runs `beside` on a second thread while this one runs `here`, and returns what `beside` threw
// for the caller to weigh; what `here` throws passes up once the other thread is done.
template <class Beside, class Here>
std::exception_ptr inParallel(Beside&& beside, Here&& here) {
  std::exception_ptr besideError;
  std::thread worker([&] {
    try {
      beside();
    } catch (...) {
      besideError = std::current_exception();
    }
  });
  try {
    here();
  } catch (...) {
    worker.join();
    throw;
  }
  worker.join();
  return besideError;
}

// Where the records of a binary STL come from. Bytes in memory are read where they lie, their
// pages brought in a few MiB ahead.
class RecordsInMemory {
public:
  static constexpr std::uint32_t chunk = prefaultRecords;
  explicit RecordsInMemory(const std::byte* records) : records_(records) {}
  const std::byte* bring(std::uint32_t first, std::uint32_t count) const {
    const std::byte* p = records_ + std::size_t(first) * recordSize;
    prefault({p, std::size_t(count) * recordSize});
    return p;
  }
  void finished(std::uint32_t first, std::uint32_t last) const {
    doneWith({records_ + std::size_t(first) * recordSize, std::size_t(last - first) * recordSize});
  }

private:
  const std::byte* records_;
};

// A file's records are copied in a hundred KiB at a time, into a buffer (on the reading thread's
// stack) that stays in the processor's cache while it is welded: that costs less than mapping in
// pages that are read once.
class RecordsFromFile {
public:
  static constexpr std::uint32_t chunk = 2048;
  explicit RecordsFromFile(const MappedFile& file) : file_(file) {}
  const std::byte* bring(std::uint32_t first, std::uint32_t count) {
    file_.copy(headerSize + std::size_t(first) * recordSize, {buffer_.data(), std::size_t(count) * recordSize});
    return buffer_.data();
  }
  void finished(std::uint32_t, std::uint32_t) const {}

private:
  const MappedFile& file_;
  std::array<std::byte, chunk * recordSize> buffer_;
};

// `records()` makes a source of the n records (84 + 50·n bytes are present) for each thread.
template <class MakeRecords>
PrintModel readBinary(std::uint32_t n, std::string_view name, std::int64_t maxTriangles, const MakeRecords& records) {
  if (n == 0) throw LoadError::empty();
  if (n > maxTriangles) throw LoadError::tooManyTriangles(maxTriangles);
  auto weld = [&records](VertexWelder& welder, std::uint32_t first, std::uint32_t last) {
    auto source = records();
    for (std::uint32_t i = first; i < last;) {
      const std::uint32_t stop = std::min(last, i + decltype(source)::chunk);
      const std::byte* record = source.bring(i, stop - i);
      for (; i < stop; ++i, record += recordSize) {
        welder.queuePacked(record + 12);
      }
    }
    source.finished(first, last);
  };
  // Large files are welded as two halves on two threads and joined; the result is the same. A
  // closed mesh has about half as many vertices as triangles, so each half's table meets about n/4.
  const bool split = n >= (1u << 17);
  const std::uint32_t middle = split ? n / 2 : n;
  // Each welder is made on the thread that uses it, so that their tables are cleared side by side.
  std::optional<VertexWelder> welder;
  if (!split) {
    welder.emplace(n / 2 + 16, n);
    weld(*welder, 0, n);
  } else {
    std::optional<VertexWelder> later;
    const std::exception_ptr laterError = inParallel(
        [&] {
          later.emplace((n - middle) / 2 + 16, n - middle);
          weld(*later, middle, n);
          later->hasTriangles();  // welds what is still queued
        },
        [&] {
          welder.emplace(n / 2 + 16, n, middle / 2 + 16);
          weld(*welder, 0, middle);
        });
    if (laterError) std::rethrow_exception(laterError);
    welder->append(*later);
  }
  if (!welder->hasTriangles()) throw LoadError::empty();

  PrintModel m = model(name, ModelFormat::stlBinary);
  ModelObject& object = m.objects.emplace_back();
  object.id = 0;
  object.name = std::string(name);
  noteInvalidTriangles(m, welder->nonFiniteTriangles());
  welder->moveInto(object);
  return m;
}

std::string triangles(std::uint64_t n) { return n == 1 ? "1 triangle" : formatCount(n) + " triangles"; }

// Why bytes that are neither form were refused, where they look like a broken binary STL rather
// than some other file: a text file holds no zero byte, while the count and the records of a
// binary STL nearly always do.
std::optional<LoadError> binaryFault(std::span<const std::byte> bytes, std::int64_t maxTriangles) {
  const auto head = bytes.first(std::min<std::size_t>(bytes.size(), 512));
  if (bytes.size() < headerSize || std::find(head.begin(), head.end(), std::byte{0}) == head.end()) return std::nullopt;
  const std::uint32_t n = declaredCount(bytes);
  if (n > 0 && n <= maxTriangles && bytes.size() < headerSize + recordSize * std::uint64_t(n)) {
    return LoadError::malformed("the binary STL is cut short (it should hold " + triangles(n) + ")");
  }
  // Whole records under a count that doesn't fit them: the count is what is wrong.
  if ((bytes.size() - headerSize) % recordSize == 0) {
    return LoadError::malformed("the binary STL's header gives " + triangles(n) + ", which doesn't match the file's size");
  }
  return std::nullopt;
}

// Matches `keyword` (lower case) at p, any ASCII case, followed by whitespace or the end.
bool isKeyword(const char* p, const char* end, std::string_view keyword) {
  if (std::size_t(end - p) < keyword.size()) return false;
  if (std::endian::native == std::endian::little && end - p >= 8 && keyword.size() < 8) {
    // Eight bytes at once: the keyword's letters in any case, then whitespace or the end.
    std::uint64_t word, want = 0;
    std::memcpy(&word, p, sizeof word);
    std::memcpy(&want, keyword.data(), keyword.size());
    const std::uint64_t mask = (std::uint64_t(1) << (8 * keyword.size())) - 1;
    if (((word | 0x2020202020202020ull) & mask) != want) return false;
    return DecimalScanner::isSpace(static_cast<unsigned char>(p[keyword.size()]));
  }
  for (std::size_t i = 0; i < keyword.size(); ++i) {
    if ((p[i] | 0x20) != keyword[i]) return false;
  }
  const char* after = p + keyword.size();
  return after == end || DecimalScanner::isSpace(static_cast<unsigned char>(*after));
}

// The triangles that the loops a scan has met will make, counted as their vertices come, so that
// a file with too many (or one endless loop) is refused before it takes more memory than the
// limit allows.
class TriangleCount {
public:
  explicit TriangleCount(std::int64_t limit) : limit_(limit) {}
  /// One more vertex in the current loop.
  void vertex() {
    if (++loop_ > 2 && count_ + loop_ - 2 > limit_) throw LoadError::tooManyTriangles(limit_);
  }
  /// Closes the current loop; returns its triangles.
  std::int64_t endloop() {
    const std::int64_t made = std::max<std::int64_t>(loop_ - 2, 0);
    count_ += made;
    loop_ = 0;
    return made;
  }
  /// Adds triangles counted elsewhere.
  void add(std::int64_t triangles) {
    count_ += triangles;
    if (count_ > limit_) throw LoadError::tooManyTriangles(limit_);
  }

private:
  std::int64_t limit_, count_ = 0, loop_ = 0;
};

// Builds objects from what the token scan finds, in file order.
class AsciiAssembler {
public:
  AsciiAssembler(std::size_t size, std::string_view name, std::int64_t maxTriangles)
      // A facet takes 200 to 250 bytes in the files tools write; this only sizes the first object.
      : name_(name), welder_(size / 400 + 16, size / 200 + 16), count_(maxTriangles) {}

  void vertex(Float3 v) {
    count_.vertex();
    loop_.push_back(v);
    open_ = true;
  }
  void endloop() {
    count_.endloop();
    welder_.queueFan(loop_);
    loop_.clear();
    open_ = true;
  }
  void endsolid() {
    closeObject();
    open_ = false;
  }
  void solid(std::string name) {
    solidName_ = std::move(name);
    open_ = true;
  }
  /// Adds `triangles` welded elsewhere, as if their loops had come here now.
  void append(VertexWelder& welded, std::int64_t triangles) {
    count_.add(triangles);
    welder_.append(welded);  // also when all were dropped: their count of invalid ones joins
  }

  PrintModel finish() {
    closeObject();  // the vertices of an unfinished loop are dropped
    if (objects_.empty()) throw LoadError::empty();
    PrintModel m = model(name_, ModelFormat::stlASCII);
    m.objects = std::move(objects_);
    // Whatever follows the last "endsolid" was never closed: a file that stops there was most
    // likely cut off while it was written or copied.
    if (open_) m.notes.push_back(localized("The file ends early and may be cut short."));
    noteInvalidTriangles(m, welder_.nonFiniteTriangles());
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

  std::string_view name_;
  VertexWelder welder_;
  TriangleCount count_;
  bool open_ = false;  // something came after the last "endsolid", or there was none
  std::vector<Float3> loop_;
  std::string solidName_;
  std::vector<ModelObject> objects_;
};

// What the token scan finds, kept for replay into an assembler later.
class AsciiRecording {
public:
  void vertex(Float3 v) { vertices_.push_back(v); }
  void endloop() { marks_.push_back({vertices_.size(), Mark::endloop, {}}); }
  void endsolid() { marks_.push_back({vertices_.size(), Mark::endsolid, {}}); }
  void solid(std::string name) { marks_.push_back({vertices_.size(), Mark::solid, std::move(name)}); }
  std::size_t markCount() const { return marks_.size(); }

  /// Replays what follows the last replay, up to `markLimit` marks in all, or everything.
  void replayInto(AsciiAssembler& assembler, std::size_t markLimit = ~std::size_t(0)) {
    for (; nextMark_ < std::min(markLimit, marks_.size()); ++nextMark_) {
      Mark& mark = marks_[nextMark_];
      for (; nextVertex_ < mark.vertexCount; ++nextVertex_) assembler.vertex(vertices_[nextVertex_]);
      if (mark.kind == Mark::endloop) assembler.endloop();
      else if (mark.kind == Mark::endsolid) assembler.endsolid();
      else assembler.solid(std::move(mark.name));
    }
    if (nextMark_ < marks_.size()) return;
    for (; nextVertex_ < vertices_.size(); ++nextVertex_) assembler.vertex(vertices_[nextVertex_]);
  }

private:
  struct Mark {
    std::size_t vertexCount;  // vertices seen before this mark
    enum Kind { endloop, endsolid, solid } kind;
    std::string name;
  };
  std::vector<Float3> vertices_;
  std::vector<Mark> marks_;
  std::size_t nextMark_ = 0, nextVertex_ = 0;
};

// What the second thread finds in the second half. The loops of the object that the first half
// ends in are welded here already, from the first loop that starts in this half up to the first
// solid line; what comes before (the end of a loop begun in the first half) and after is recorded.
class AsciiTail {
public:
  AsciiTail(std::size_t size, std::int64_t maxTriangles)
      : welder_(size / 400 + 16, size / 200 + 16), count_(maxTriangles) {}

  // This half's own count stops it at the limit; the assembler counts the whole file again.
  void vertex(Float3 v) {
    count_.vertex();
    if (phase_ == welding) loop_.push_back(v);
    else recording_.vertex(v);
  }
  void endloop() {
    const std::int64_t made = count_.endloop();
    if (phase_ == welding) {
      welded_ += made;
      welder_.queueFan(loop_);
      loop_.clear();
      return;
    }
    recording_.endloop();
    if (phase_ == head) {
      phase_ = welding;
      headMarks_ = recording_.markCount();
    }
  }
  void endsolid() {
    stopWelding();
    recording_.endsolid();
  }
  void solid(std::string name) {
    stopWelding();
    recording_.solid(std::move(name));
  }

  /// Hands everything to `assembler` in file order.
  void replayInto(AsciiAssembler& assembler) {
    recording_.replayInto(assembler, headMarks_);
    assembler.append(welder_, welded_);
    recording_.replayInto(assembler);
  }

private:
  void stopWelding() {
    if (phase_ == welding) {
      for (const Float3& v : loop_) recording_.vertex(v);  // an unfinished loop goes on past the line
      loop_.clear();
    }
    phase_ = tail;
  }

  enum { head, welding, tail } phase_ = head;
  AsciiRecording recording_;
  std::size_t headMarks_ = 0;
  VertexWelder welder_;
  TriangleCount count_;
  std::int64_t welded_ = 0;  // the triangles of the loops in welder_
  std::vector<Float3> loop_;
};

// Vertex lines repeat: a corner shared by six facets is written six times in the same bytes, mostly
// a few facets apart. The numbers of recent lines are kept by their text, so a repeated line is
// compared instead of read; the same bytes always read as the same numbers.
class RecentVertexLines {
public:
  RecentVertexLines() : entries_(std::size_t(1) << kBits) {}

  /// The numbers that fill the rest of the line from p to lineEnd, if that text came lately.
  bool find(const char* p, const char* lineEnd, const char* end, Float3& v) {
    if (!load(p, lineEnd, end)) return false;
    const Entry& e = entries_[slot_];
    std::uint64_t differ = e.length ^ length_;
    for (std::size_t i = 0; i < key_.size(); ++i) differ |= e.key[i] ^ key_[i];
    if (differ != 0) return false;
    v = e.v;
    return true;
  }

  /// Keeps `v` as what the text last given to find reads as.
  void remember(Float3 v) {
    if (length_ == 0) return;
    entries_[slot_] = {key_, v, length_};
  }

private:
  static constexpr int kBits = 12;
  static constexpr std::size_t kLongest = 48;
  using Key = std::array<std::uint64_t, kLongest / 8>;
  struct Entry {
    Key key{};
    Float3 v;
    std::uint32_t length = 0;  // 0: empty
  };

  bool load(const char* p, const char* lineEnd, const char* end) {
    const std::size_t n = std::size_t(lineEnd - p);
    length_ = 0;
    if (n == 0 || n > kLongest || std::size_t(end - p) < kLongest) return false;
    for (std::size_t i = 0; i < key_.size(); ++i) {
      std::uint64_t word;
      std::memcpy(&word, p + 8 * i, 8);
      const std::size_t kept = n > 8 * i ? std::min<std::size_t>(n - 8 * i, 8) : 0;
      key_[i] = kept == 8 ? word : word & ((std::uint64_t(1) << (8 * kept)) - 1);
    }
    length_ = std::uint32_t(n);
    std::uint64_t h = length_;
    for (std::uint64_t word : key_) h = (h ^ word) * 0x9E3779B97F4A7C15ull;
    slot_ = std::size_t(h >> (64 - kBits));
    return true;
  }

  std::vector<Entry> entries_;
  Key key_{};  // the text last given to find, its length and its entry
  std::uint32_t length_ = 0;
  std::size_t slot_ = 0;
};

// The end of the line p is in when no word after p on it starts with a letter that the token
// scan acts on (v, e or s, in any case), or nullptr. A facet's normal and "outer loop" are such
// lines, and passing them whole spares a decision per word.
const char* plainLineEnd([[maybe_unused]] const char* p, [[maybe_unused]] const char* end) {
#if defined(__SSE2__)
  unsigned afterSpace = 0;  // 1 when the byte before the chunk is whitespace
  while (end - p >= 16) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i lower = _mm_or_si128(chunk, _mm_set1_epi8(0x20));
    const auto is = [](__m128i bytes, char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
    const unsigned letters =
        unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(is(lower, 'v'), is(lower, 'e')), is(lower, 's'))));
    const unsigned breaks = unsigned(_mm_movemask_epi8(_mm_or_si128(is(chunk, '\n'), is(chunk, '\r'))));
    const unsigned spaces = TextSkip::spaceMask(p);
    const unsigned before = breaks != 0 ? (1u << __builtin_ctz(breaks)) - 1 : 0xFFFFu;
    if ((letters & ((spaces << 1) | afterSpace) & before) != 0) return nullptr;
    if (breaks != 0) return p + __builtin_ctz(breaks);
    afterSpace = (spaces >> 15) & 1u;
    p += 16;
  }
#endif
  return nullptr;  // near the end of the file the token scan goes on word by word
}

// Why a vertex's number couldn't be read at p: "nan" and "inf" (any case, signed or not) are
// words for numbers that no shape can have; anything else is no number at all.
LoadError vertexFault(const char* p, const char* end) {
  if (p < end && (*p == '+' || *p == '-')) ++p;
  if (end - p >= 3) {
    const std::string word = asciiLower(std::string_view(p, 3));
    if (word == "nan" || word == "inf") {
      return LoadError::malformed("a vertex line in the ASCII STL has a number that isn't finite");
    }
  }
  return LoadError::malformed("a vertex line in the ASCII STL is missing a number");
}

// Scans the tokens that start in [p, stop) and reports them to `sink`. A vertex's numbers may run
// on past `stop` (up to `end`); the returned position is just after the last token scanned.
template <class Sink>
const char* scanTokens(const char* p, const char* stop, const char* end, Sink& sink, RecentVertexLines& lines) {
  using DecimalScanner::isSpace;
  for (;;) {
    p = TextSkip::spaces(p, stop);
    if (p >= stop) return p;
    // Most tokens are numbers or other words: look at the first letter before trying keywords.
    const char first = char(*p | 0x20);
    if (first == 'v' && isKeyword(p, end, "vertex")) {
      p += 6;
      const char* lineEnd = TextSkip::lineBreak(p, end);
      Float3 v;
      if (lines.find(p, lineEnd, end, v)) {
        p = lineEnd;
      } else {
        if (!DecimalScanner::scan(p, end, v.x) || !DecimalScanner::scan(p, end, v.y) || !DecimalScanner::scan(p, end, v.z)) {
          throw vertexFault(p, end);
        }
        // Only a line that holds the three numbers and nothing more stands for them.
        if (TextSkip::spaces(p, lineEnd) == lineEnd) lines.remember(v);
      }
      sink.vertex(v);
    } else if (first == 'e' && isKeyword(p, end, "endloop")) {
      p += 7;
      sink.endloop();
    } else if (first == 'e' && isKeyword(p, end, "endsolid")) {
      p = TextSkip::lineBreak(p + 8, end);
      sink.endsolid();
    } else if (first == 's' && isKeyword(p, end, "solid")) {
      const char* start = p + 5;
      p = TextSkip::lineBreak(start, end);
      sink.solid(decodeUTF8Lossy(trim(std::string_view(start, std::size_t(p - start)), " \t")));
    } else if (const char* lineEnd = plainLineEnd(p, end)) {
      p = lineEnd;  // the word at p is none the scan acts on, nor is any after it on the line
    } else {
      p = TextSkip::word(p, end);
    }
  }
}

// scanTokens over [p, stop), a few MiB at a time, each brought in just before it is read.
template <class Sink>
const char* scanRange(const char* p, const char* stop, const char* end, Sink& sink, RecentVertexLines& lines) {
  const char* from = p;
  while (p < stop) {
    const char* part = std::size_t(stop - p) > prefaultBytes ? p + prefaultBytes : stop;
    prefault({reinterpret_cast<const std::byte*>(p), std::size_t(part - p)});
    p = scanTokens(p, part, end, sink, lines);
  }
  doneWith({reinterpret_cast<const std::byte*>(from), std::size_t(p - from)});
  return p;
}

// Large files are scanned by two threads: this one from the start, a worker from the first line
// start after the middle, welding and recording what it finds for joining. Only a vertex's
// numbers can run across a line start; if one ran across the split, the worker started out of
// step and this thread simply scans on from where it is.
PrintModel readAscii(std::span<const std::byte> bytes, std::string_view name, std::int64_t maxTriangles) {
  const char* begin = reinterpret_cast<const char*>(bytes.data());
  const char* end = begin + bytes.size();
  AsciiAssembler assembler(bytes.size(), name, maxTriangles);

  constexpr std::size_t splitThreshold = 8u << 20;
  const char* split = bytes.size() >= splitThreshold ? TextSkip::lineBreak(begin + bytes.size() / 2, end) : end;
  RecentVertexLines lines;
  if (split == end) {
    scanRange(begin, end, end, assembler, lines);
    return assembler.finish();
  }
  ++split;  // just after the line break

  std::optional<AsciiTail> tail;
  const char* reached = nullptr;
  const std::exception_ptr tailError = inParallel(
      [&] {
        tail.emplace(std::size_t(end - split), maxTriangles);
        RecentVertexLines tailLines;
        scanRange(split, end, end, *tail, tailLines);
      },
      [&] { reached = scanRange(begin, split, end, assembler, lines); });
  if (reached > split) {
    scanRange(reached, end, end, assembler, lines);
  } else {
    if (tailError) std::rethrow_exception(tailError);
    tail->replayInto(assembler);
  }
  return assembler.finish();
}

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

PrintModel read(std::span<const std::byte> bytes, std::string_view name, std::int64_t maxTriangles) {
  if (isBinary(bytes)) {
    return readBinary(declaredCount(bytes), name, maxTriangles,
                      [&] { return RecordsInMemory(bytes.data() + headerSize); });
  }
  if (auto fault = binaryFault(bytes, maxTriangles)) throw std::move(*fault);
  if (opening(bytes, 256).starts_with("solid")) return readAscii(bytes, name, maxTriangles);
  throw LoadError::malformed("it isn't an STL file (neither binary nor ASCII)");
}

PrintModel read(const MappedFile& file, std::string_view name, std::int64_t maxTriangles) {
  const std::span<const std::byte> bytes = file.bytes();
  if (!isBinary(bytes)) return read(bytes, name, maxTriangles);
  return readBinary(declaredCount(bytes), name, maxTriangles, [&] { return RecordsFromFile(file); });
}

}  // namespace vantorel::STLReader
