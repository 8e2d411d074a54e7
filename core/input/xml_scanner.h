#pragma once
// A small forward-only XML tag scanner for 3MF parts that may hold tens of millions of elements:
// tags come out as byte ranges into the document, attributes are pulled out one at a time, and
// nothing is allocated per tag. Text, comments, declarations and processing instructions are
// skipped; nesting is not checked; names compare by their local part (after the last ":").
#include <cstddef>
#include <cstdint>
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
