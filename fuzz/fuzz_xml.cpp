// Any bytes as XML: every tag goes through every attribute accessor.
#include "input/load_error.h"
#include "input/xml_scanner.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantorel;
  try {
    static constexpr std::string_view known[] = {"urn:a", "urn:b"};
    XMLScanner::Namespaces namespaces(known, 0);
    XMLScanner::scan({reinterpret_cast<const std::byte*>(data), size}, [&](const XMLScanner::XMLTag& tag) {
      // Every view must lie inside the document.
      const auto inside = [&](std::string_view v) {
        return v.data() >= tag.document.data() && v.data() + v.size() <= tag.document.data() + tag.document.size();
      };
      if (!inside(tag.name) || !inside(tag.attributes) || tag.name.empty()) __builtin_trap();
      const std::uint8_t ns = namespaces.resolve(tag);
      if (ns > 1 && ns != XMLScanner::Namespaces::kUnknown) __builtin_trap();
      std::size_t pos = 0;
      XMLScanner::Attribute a;
      while (XMLScanner::nextAttribute(tag.attributes, pos, a)) {
        if (!inside(a.value) || !inside(a.prefix) || pos > tag.attributes.size()) __builtin_trap();
        (void)namespaces.attribute(a);
        XMLScanner::parseInteger(a.value);
        XMLScanner::parseNumberList(a.value);
        XMLScanner::decodeText(a.value);
      }
      (void)XMLScanner::nameIs(tag, "vertex");
      (void)XMLScanner::textAttribute(tag, "name");
    });
  } catch (const LoadError&) {
  }
  return 0;
}
