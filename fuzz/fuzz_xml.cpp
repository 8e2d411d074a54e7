// Any bytes as XML: every tag goes through every attribute accessor, and the document scanned in
// pieces (as large 3MF parts are, while they unpack) must give the same tags, namespaces and
// attributes as the whole document, or the same refusal.
#include "input/load_error.h"
#include "input/xml_scanner.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

using namespace vantorel;
using namespace vantorel::XMLScanner;

constexpr std::string_view known[] = {"urn:a", "urn:b"};

// Length-prefixed, so that no two different tag sequences flatten to the same string.
void put(std::string& out, std::string_view s) {
  const std::uint64_t n = s.size();
  out.append(reinterpret_cast<const char*>(&n), sizeof n);
  out.append(s);
}

// What one scan saw, flattened into a single string; the refusal is empty when the scan ended.
struct Seen {
  std::string tags;
  std::string refusal;
};

class Recorder {
public:
  explicit Recorder(std::string& out) : out_(out) {}

  void operator()(const XMLTag& tag) {
    // Every view must lie inside the document (in pieces, inside what the scan joined).
    const auto inside = [&](std::string_view v) {
      return v.data() >= tag.document.data() && v.data() + v.size() <= tag.document.data() + tag.document.size();
    };
    if (!inside(tag.name) || !inside(tag.attributes) || tag.name.empty()) __builtin_trap();
    const std::uint8_t ns = namespaces_.resolve(tag);
    if (ns > 1 && ns != Namespaces::kUnknown) __builtin_trap();
    put(out_, tag.name);
    put(out_, tag.attributes);
    out_ += char(ns);
    out_ += char(tag.isEndTag * 2 + tag.isEmptyElement);
    std::size_t pos = 0;
    Attribute a;
    while (nextAttribute(tag.attributes, pos, a)) {
      if (!inside(a.value) || !inside(a.prefix) || pos > tag.attributes.size()) __builtin_trap();
      out_ += char(namespaces_.attribute(a));
      parseInteger(a.value);
      parseNumberList(a.value);
      decodeText(a.value);
    }
    (void)nameIs(tag, "vertex");
    (void)textAttribute(tag, "name");
  }

private:
  std::string& out_;
  Namespaces namespaces_{known, 0};
};

// The document whole (`piece` 0) or cut into pieces of `piece` bytes with `room` writable bytes
// before each. Only the newest two pieces are kept, each in memory of its own, so that a scan
// still reading an older one shows as a use after free.
Seen scanned(std::string_view document, std::size_t piece, std::size_t room) {
  Seen seen;
  try {
    Recorder record(seen.tags);
    if (piece == 0) {
      scan({reinterpret_cast<const std::byte*>(document.data()), document.size()}, record);
    } else {
      std::unique_ptr<std::byte[]> kept[2];
      std::size_t at = 0, count = 0;
      const auto next = [&] {
        const std::size_t n = std::min(piece, document.size() - at);
        if (n == 0) return Piece{};
        auto& buffer = kept[count++ % 2];
        buffer = std::make_unique_for_overwrite<std::byte[]>(room + n);
        std::memcpy(buffer.get() + room, document.data() + at, n);
        at += n;
        return Piece{buffer.get() + room, n, room};
      };
      scanPieces(next, document.size(), record);
    }
  } catch (const LoadError& e) {
    seen.refusal = e.what();
  }
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view document(reinterpret_cast<const char*>(data), size);
  const Seen whole = scanned(document, 0, 0);
  // Small pieces cut tags and markup everywhere: with no room, or too little for a tag, what a
  // piece leaves is gathered; with more, it goes into the next piece's room.
  static constexpr std::size_t cuts[][2] = {{1, 0}, {1, 4}, {2, 0}, {2, 4}, {3, 0}, {3, 4}, {7, 0}, {7, 4}, {16, 64}};
  for (const auto& [piece, room] : cuts) {
    const Seen pieces = scanned(document, piece, room);
    if (pieces.refusal != whole.refusal || pieces.tags != whole.tags) __builtin_trap();
  }
  return 0;
}
