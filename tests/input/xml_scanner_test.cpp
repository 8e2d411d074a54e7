#include "input/load_error.h"
#include "input/xml_scanner.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

namespace vantorel {
namespace {

using namespace XMLScanner;
using test::bytesOf;

struct Seen {
  std::string name, attributes;
  bool end = false, empty = false;
  bool operator==(const Seen&) const = default;
};

// Scans `xml` whole (`size` 0) or cut into pieces of `size` bytes with `room` writable bytes before
// each; only the newest two pieces are kept, so that a scan reading an older one fails.
template <class Handler>
void scanIn(std::string_view xml, std::size_t size, std::size_t room, Handler&& handler) {
  if (size == 0) return scan(bytesOf(xml), handler);
  std::deque<std::vector<std::byte>> kept;
  std::size_t at = 0;
  const auto next = [&] {
    const std::size_t n = std::min(size, xml.size() - at);
    if (n == 0) return Piece{};
    if (kept.size() == 2) kept.pop_front();
    auto& b = kept.emplace_back(room + n);
    std::memcpy(b.data() + room, xml.data() + at, n);
    at += n;
    return Piece{b.data() + room, n, room};
  };
  scanPieces(next, xml.size(), handler);
}

std::vector<Seen> tagsIn(std::string_view xml, std::size_t size, std::size_t room) {
  std::vector<Seen> seen;
  scanIn(xml, size, room, [&](const XMLTag& t) {
    seen.push_back({std::string(t.name), std::string(t.attributes), t.isEndTag, t.isEmptyElement});
  });
  return seen;
}

// The tags of `xml`, which read the same (or fail the same) when the document comes in pieces cut
// anywhere, inside tags and markup, whether what a piece leaves goes into the next one's room or
// is gathered.
std::vector<Seen> tagsOf(std::string_view xml) {
  const auto whole = test::refusal([&] { tagsIn(xml, 0, 0); });
  for (const std::size_t size : {1, 2, 3, 7}) {
    for (const std::size_t room : {0, 4}) {
      EXPECT_EQ(test::refusal([&] { tagsIn(xml, size, room); }), whole) << xml << " in pieces of " << size;
      if (!whole) {
        EXPECT_EQ(tagsIn(xml, size, room), tagsIn(xml, 0, 0)) << xml << " in pieces of " << size;
      }
    }
  }
  return tagsIn(xml, 0, 0);
}

// Runs `check` on the first tag of `xml`.
template <class Check>
void withFirstTag(std::string_view xml, Check check) {
  bool called = false;
  scan(bytesOf(xml), [&](const XMLTag& t) {
    if (!called) check(t);
    called = true;
  });
  ASSERT_TRUE(called);
}

TEST(XMLScan, ReportsStartEndAndEmptyTagsInOrder) {
  EXPECT_EQ(tagsOf("<?xml version=\"1.0\"?>\n<model a='1'><vertex x=\"1\" y=\"2\" z=\"3\"/></model>"),
            (std::vector<Seen>{{"model", " a='1'", false, false},
                               {"vertex", " x=\"1\" y=\"2\" z=\"3\"", false, true},
                               {"model", "", true, false}}));
  EXPECT_EQ(tagsOf("<a t=\"x>y\" u='>'/>< a><>< /><b>"),
            (std::vector<Seen>{{"a", " t=\"x>y\" u='>'", false, true}, {"b", "", false, false}}))
      << "a quoted \">\" ends no tag, and tags without names are skipped";
  EXPECT_TRUE(tagsOf("").empty());
  EXPECT_TRUE(tagsOf("just text > and more <").empty());
}

TEST(XMLScan, SkipsCommentsCDataDeclarationsAndInstructions) {
  EXPECT_EQ(tagsOf("<!-- <a> --><![CDATA[ <b> ]]><!DOCTYPE x><?pi <c>?><d/>"),
            (std::vector<Seen>{{"d", "", false, true}}));
  // A ">" inside a comment or CDATA section ends neither.
  EXPECT_EQ(tagsOf("<!-- > <b/> --><![CDATA[ > <b/> ]]><c/>"), (std::vector<Seen>{{"c", "", false, true}}));
  // Brackets in a declaration are not balanced: its first ">" ends it.
  EXPECT_EQ(tagsOf("<!DOCTYPE x [ <!ENTITY e 'v'> ]><d/>").back(), (Seen{"d", "", false, true}));
  // Unclosed markup just ends the scan.
  EXPECT_EQ(tagsOf("<a/><!-- <b/>").size(), 1u);
  EXPECT_EQ(tagsOf("<a/><![CDATA[ <b/>").size(), 1u);
  EXPECT_EQ(tagsOf("<a/><? <b/>").size(), 1u);
}

TEST(XMLScan, UnclosedTagsFail) {
  for (const char* xml : {"<model><object id=\"1\"", "<model><object", "<model></", "<a b=\"never closed>",
                          "<a b='x'"}) {
    EXPECT_EQ(test::refusal([&] { tagsOf(xml); }), LoadError::malformed("an XML tag isn't closed")) << xml;
  }
  EXPECT_NO_THROW(tagsOf("<model><"));  // a "<" as the last byte ends the scan
}

TEST(XMLAttributes, NamesCompareByLocalPartAndTheFirstMatchWins) {
  withFirstTag("<m:vertex m:x=\"1.5\" y = '2' z=\"3\" flag other=unquoted/>", [](const XMLTag& t) {
    EXPECT_TRUE(nameIs(t, "vertex"));
    EXPECT_FALSE(nameIs(t, "Vertex"));
    EXPECT_EQ(attribute(t, "x"), "1.5");
    EXPECT_EQ(attribute(t, "y"), "2");
    EXPECT_FALSE(attribute(t, "flag"));
    EXPECT_FALSE(attribute(t, "other"));
    EXPECT_FALSE(attribute(t, "m:x"));
  });
  withFirstTag("<a x=\"1\" x=\"2\" y\n=\t'two words' z=\"\"/>", [](const XMLTag& t) {
    EXPECT_EQ(attribute(t, "x"), "1");
    EXPECT_EQ(attribute(t, "y"), "two words");
    EXPECT_EQ(attribute(t, "z"), "");
  });
  withFirstTag("<vertex x=\"1\" y=\"2\" z=\"3\"/>", [](const XMLTag& t) {
    const auto y = attribute(t, "y");
    ASSERT_TRUE(y);
    EXPECT_EQ(y->size(), 1u);
    EXPECT_EQ(y->data() - t.document.data(), 17);
  });
}

TEST(XMLAttributes, Integers) {
  EXPECT_EQ(parseInteger(" -12abc"), -12);
  EXPECT_EQ(parseInteger("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(parseInteger("-9223372036854775808"), INT64_MIN);
  for (const char* bad : {"+3", "-", "", "9223372036854775808", "-9223372036854775809"}) {
    EXPECT_FALSE(parseInteger(bad)) << bad;
  }
}

TEST(XMLAttributes, NumberLists) {
  EXPECT_EQ(parseNumberList("1 2 x 3"), (std::vector<double>{1, 2}));
  EXPECT_EQ(parseNumberList(" 1e2\t-0.5\n"), (std::vector<double>{100, -0.5}));
  EXPECT_TRUE(parseNumberList("").empty());
  EXPECT_TRUE(parseNumberList("abc 1").empty());
  withFirstTag("<item transform=\"\"/>", [](const XMLTag& t) {
    EXPECT_EQ(numberListAttribute(t, "transform"), std::vector<double>{});
    EXPECT_FALSE(numberListAttribute(t, "missing"));
  });
}

TEST(XMLAttributes, TextDecodesEntities) {
  EXPECT_EQ(decodeText("a &amp; b"), "a & b");
  EXPECT_EQ(decodeText("&#65;&#x42;&lt;&gt;&quot;&apos;"), "AB<>\"'");
  EXPECT_EQ(decodeText("&#x20AC;"), "\xE2\x82\xAC");
  EXPECT_EQ(decodeText("&unknown; & so;"), "&unknown; & so;");
  EXPECT_EQ(decodeText("&#xD800;&#x110000;&#;"), "&#xD800;&#x110000;&#;");
  EXPECT_EQ(decodeText("&ampersand-too-long;"), "&ampersand-too-long;");
  EXPECT_EQ(decodeText("bad \xFF byte"), "bad \xEF\xBF\xBD byte");
  withFirstTag("<object name=\"Tom &amp; Jerry\"/>",
               [](const XMLTag& t) { EXPECT_EQ(textAttribute(t, "name"), "Tom & Jerry"); });
}

TEST(XMLNamespaces, PrefixesResolveWithinTheirScopeAndTheTableIsBounded) {
  static constexpr std::string_view known[] = {"urn:a", "urn:b"};
  constexpr int unknown = Namespaces::kUnknown;
  std::string many = "<r";
  for (int i = 0; i < 20; ++i) many += " xmlns:p" + std::to_string(i) + "=\"urn:b\"";
  const std::string xml = "<r xmlns:x=\"urn:b\" xmlns=\"urn:c\"><x:a/><b/><c xmlns=\"urn:b\" xmlns:x=\"urn:a\"/><x:d/></r>"
                          "<e/><x:f/>" + many + "><p15:g/><p16:g/></r>";
  // Declared prefixes outlive the piece of the document that declared them.
  for (const std::size_t pieces : {0, 5}) {
    Namespaces namespaces(known, 0);
    std::vector<int> ids;
    scanIn(xml, pieces, 4, [&](const XMLTag& t) { ids.push_back(namespaces.resolve(t)); });
    // The empty element's declarations end with it; undeclared prefixes and those past the table are unknown.
    EXPECT_EQ(ids, (std::vector<int>{unknown, 1, unknown, 1, 1, unknown, 0, unknown, 0, 1, unknown, 0})) << pieces;
  }
  withFirstTag("<v q:x=\"1\" y=\"2\"/>", [](const XMLTag& t) {
    std::size_t pos = 0;
    Attribute a;
    ASSERT_TRUE(nextAttribute(t.attributes, pos, a));
    EXPECT_EQ(a.prefix, "q");
    ASSERT_TRUE(nextAttribute(t.attributes, pos, a));
    EXPECT_TRUE(a.prefix.empty());
  });
}

}  // namespace
}  // namespace vantorel
