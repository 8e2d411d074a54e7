#include "input/threemf_reader.h"

#include "input/load_error.h"
#include "input/threemf_assembly.h"
#include "base/utf8.h"
#include "input/xml_scanner.h"

namespace vantorel::ThreeMFReader {
namespace {

constexpr std::string_view kDefaultModelPath = "3D/3dmodel.model";

// The target of the first package relationship of the 3D model type, if any.
std::optional<std::string> modelRelationshipTarget(const ZipReader& zip) {
  if (!zip.contains("_rels/.rels")) return std::nullopt;
  std::optional<std::string> target;
  try {
    const UnpackedBytes rels = zip.read("_rels/.rels");
    XMLScanner::scan(rels.bytes(), [&](const XMLScanner::XMLTag& t) {
      if (target || t.isEndTag || !XMLScanner::nameIs(t, "Relationship")) return;
      const auto type = XMLScanner::textAttribute(t, "Type");
      if (!type || !type->ends_with("/3dmodel")) return;
      target = XMLScanner::textAttribute(t, "Target");
    });
  } catch (const LoadError&) {
    // A damaged relationships part only means the other ways of finding the model are tried.
  }
  return target;
}

}  // namespace

std::string mainModelPath(const ZipReader& zip) {
  if (const auto target = modelRelationshipTarget(zip); target && zip.contains(*target)) return *target;
  if (zip.contains(kDefaultModelPath)) return std::string(kDefaultModelPath);
  for (const auto& e : zip.entries()) {
    if (asciiLower(e.name).ends_with(".model")) return e.name;
  }
  return std::string(kDefaultModelPath);
}

PrintModel read(std::span<const std::byte> bytes, std::string_view name, const Limits& limits, PlateChoice plates) {
  const ZipReader zip(bytes, limits.zip);
  PartCache parts(zip);
  const std::string mainPath = mainModelPath(zip);
  parts.load(mainPath);
  const SlicerSettings settings = SlicerSettings::read(zip);
  return assemble(mainPath, parts, settings, limits, name, plates);
}

}  // namespace vantorel::ThreeMFReader
