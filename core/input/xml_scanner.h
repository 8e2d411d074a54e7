#pragma once
// A small forward-only XML tag scanner for 3MF parts that may hold tens of millions of elements:
// tags come out as byte ranges into the document, attributes are pulled out one at a time, and
// nothing is allocated per tag. Text, comments, declarations and processing instructions are
// skipped; nesting is not checked; names compare by their local part (after the last ":"), and a
// reader that must tell namespaces apart resolves prefixes with Namespaces.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::XMLScanner {

/// One start, end or empty-element tag. Its views point into the scanned document and are valid
/// only as long as the document is.
struct XMLTag {
  std::string_view document;
  std::string_view name;        ///< prefix included
  std::string_view attributes;  ///< between the name and ">" (or the "/" of an empty element)
  bool isEndTag = false;
  bool isEmptyElement = false;
};

/// One attribute with a quoted value, as walked by nextAttribute.
struct Attribute {
  std::string_view localName;  ///< after the last ":" of the attribute name
  std::string_view prefix;     ///< before the last ":", empty without one
  std::string_view value;      ///< between the quotes, entities not decoded
};

/// Finds the next tag at or after `pos` in `document`, stores it in `tag`, moves `pos` past it and
/// returns true; returns false at the end of the document (an unclosed comment, CDATA section,
/// declaration or processing instruction also ends it). Tags with an empty name are skipped.
/// Throws LoadError::malformed("an XML tag isn't closed") when the document ends inside a tag.
bool nextTag(std::string_view document, std::size_t& pos, XMLTag& tag);

/// Calls `handler(const XMLTag&)` for every tag of `bytes` in document order. What the handler
/// throws ends the scan and passes on; otherwise throws as nextTag does.
template <class Handler>
void scan(std::span<const std::byte> bytes, Handler&& handler) {
  const std::string_view document(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::size_t pos = 0;
  XMLTag tag;
  while (nextTag(document, pos, tag)) handler(static_cast<const XMLTag&>(tag));
}

/// Some bytes of a document that arrives in pieces, with `room` writable bytes just before them;
/// an empty piece ends the document.
struct Piece {
  std::byte* data = nullptr;
  std::size_t size = 0;
  std::size_t room = 0;
};

/// What a scan of a document in pieces has of it: the bytes still needed of the pieces before
/// (a tag cut by a piece's end, usually moved into the next piece's room) joined with the newest.
/// A tag longer than the room is gathered in a buffer of its own, which grows at most to the
/// document's size, and is tried again only once it has doubled, so that a hostile tag of many
/// pieces is not rescanned piece by piece.
class PieceJoiner {
public:
  explicit PieceJoiner(std::size_t documentSize) : documentSize_(documentSize) {}

  /// Takes the next piece; false while a long tag is still being gathered.
  bool take(const Piece& piece);
  /// The next tag of what has arrived; false when the next piece is needed or the document ended.
  bool nextTag(XMLTag& tag);
  bool ended() const { return ended_; }

private:
  void gather(std::string_view rest, const Piece& piece);

  std::size_t documentSize_;
  std::string_view document_;
  std::size_t pos_ = 0;
  std::string_view skipping_;  ///< the end of a comment or other markup not yet found
  bool last_ = false;
  bool ended_ = false;
  std::unique_ptr<char[]> gathered_;
  std::size_t gatheredCapacity_ = 0;
  bool gathering_ = false;
  std::size_t retryAt_ = 0;  ///< bytes the gathered tag must reach before it is tried again
};

/// Scans a document that arrives in pieces as scan scans a whole one. `next()` returns each next
/// Piece; what a piece holds must stay valid until the call after next. `documentSize` bounds
/// the memory a long tag may take.
template <class Source, class Handler>
void scanPieces(Source&& next, std::size_t documentSize, Handler&& handler) {
  PieceJoiner joiner(documentSize);
  XMLTag tag;
  while (!joiner.ended()) {
    if (!joiner.take(next())) continue;
    while (joiner.nextTag(tag)) handler(static_cast<const XMLTag&>(tag));
  }
}

/// The part of `name` after its last ":".
std::string_view localName(std::string_view name);

/// True when the tag name's local part equals `local` exactly (case-sensitive).
inline bool nameIs(const XMLTag& tag, std::string_view local) { return localName(tag.name) == local; }

/// Walks `attributes` from `pos`: stores the next attribute that has a quoted value in `out`, moves
/// `pos` past it and returns true; false when none is left. Valueless attributes are passed over.
bool nextAttribute(std::string_view attributes, std::size_t& pos, Attribute& out);

/// The raw value of the first attribute whose local name is `local`, or nothing.
std::optional<std::string_view> attribute(const XMLTag& tag, std::string_view local);

/// A value's leading integer: optional white space, an optional "-", one or more decimal digits;
/// text after the digits is ignored. Nothing without a digit or on signed 64-bit overflow.
std::optional<std::int64_t> parseInteger(std::string_view value);

/// The numbers at the start of a value, scanned until the first text that is not a number.
std::vector<double> parseNumberList(std::string_view value);

/// The value with the entities amp, lt, gt, quot, apos and numeric character references decoded
/// (unknown or invalid ones stay as written), as UTF-8 with invalid sequences replaced.
std::string decodeText(std::string_view value);

/// Which of a reader's known namespaces each element and attribute prefix is in, following the
/// xmlns and xmlns:prefix declarations of the tags in scope. Call resolve for every tag in document
/// order; in between, prefixes resolve as seen by the last tag. Declarations go into a small fixed
/// table (nothing is allocated per tag); those beyond it are ignored, so their prefixes stay unknown.
class Namespaces {
public:
  static constexpr std::uint8_t kUnknown = 0xFF;  ///< undeclared prefixes and names not in the list
  static constexpr std::size_t kMaxBindings = 16;

  /// `known` lists namespace names (URIs), whose indexes are the ids that resolve returns; an
  /// element without a prefix and without a default declaration in scope gets `fallback`. The
  /// names must outlive this object.
  Namespaces(std::span<const std::string_view> known, std::uint8_t fallback)
      : known_(known), fallback_(fallback), defaultID_(fallback) {}

  /// Takes in the tag's declarations and returns the id of its element's namespace.
  std::uint8_t resolve(const XMLTag& tag);

  /// The id of an attribute's namespace: kUnknown without a prefix, since an unprefixed attribute
  /// belongs to no namespace.
  std::uint8_t attribute(const Attribute& a) const { return a.prefix.empty() ? kUnknown : lookup(a.prefix); }

private:
  struct Binding {
    std::string prefix;  ///< empty for the default namespace; a copy, as pieces of a document go
    std::uint8_t id;
    std::size_t depth;  ///< of the element that declared it
  };
  std::uint8_t lookup(std::string_view prefix) const;
  void declare(std::string_view prefix, std::string_view name, std::size_t depth);
  void dropDeeperThan(std::size_t depth);

  std::span<const std::string_view> known_;
  std::uint8_t fallback_;
  std::uint8_t defaultID_;
  Binding bindings_[kMaxBindings];
  std::size_t count_ = 0;
  std::size_t depth_ = 0;  ///< elements open
};

inline std::optional<std::int64_t> integerAttribute(const XMLTag& tag, std::string_view local) {
  const auto v = attribute(tag, local);
  return v ? parseInteger(*v) : std::nullopt;
}
/// Nothing only when the attribute is absent; an unreadable value gives an empty list.
inline std::optional<std::vector<double>> numberListAttribute(const XMLTag& tag, std::string_view local) {
  const auto v = attribute(tag, local);
  return v ? std::optional(parseNumberList(*v)) : std::nullopt;
}
inline std::optional<std::string> textAttribute(const XMLTag& tag, std::string_view local) {
  const auto v = attribute(tag, local);
  return v ? std::optional(decodeText(*v)) : std::nullopt;
}

}  // namespace vantorel::XMLScanner
