// Model part parsing: one pass of the tag scanner turns the XML into a ModelFile.
#include "input/threemf_reader.h"

#include "input/decimal_scanner.h"
#include "input/load_error.h"
#include "base/utf8.h"
#include "input/xml_scanner.h"

#include <limits>

namespace vantorel::ThreeMFReader {
namespace {

using XMLScanner::Attribute;
using XMLScanner::XMLTag;

[[noreturn]] void fail(const char* phrase) { throw LoadError::malformed(phrase); }

const RGBA kGrey{0.8, 0.8, 0.8, 1};

// The namespaces whose elements and attributes a model part is read from, by id; every other
// namespace is an extension this reader does not know, and its elements are passed over with all
// they hold (a slice stack's 2D vertices are not mesh vertices).
enum Namespace : std::uint8_t { kCore, kMaterial, kProduction };
constexpr std::string_view kNamespaceNames[] = {
    "http://schemas.microsoft.com/3dmanufacturing/core/2015/02",
    "http://schemas.microsoft.com/3dmanufacturing/material/2015/02",
    "http://schemas.microsoft.com/3dmanufacturing/production/2015/06",
};

Transform transformOf(const XMLTag& tag) {
  Transform t;
  const auto numbers = XMLScanner::numberListAttribute(tag, "transform");
  if (numbers && numbers->size() == 12) {
    for (std::size_t i = 0; i < 12; ++i) t.m[i] = float((*numbers)[i]);
  }
  return t;
}

RGBA colourAttribute(const XMLTag& tag, std::string_view name) {
  const auto text = XMLScanner::textAttribute(tag, name);
  if (!text) return kGrey;
  return RGBA::hex(*text).value_or(kGrey);
}

bool scanFloat(std::string_view value, float& out) {
  const char* p = value.data();
  return DecimalScanner::scan(p, value.data() + value.size(), out);
}

// A triangle's pid or p1: false when absent or unreadable; fails when it does not fit 32 bits.
bool readProperty(const std::optional<std::string_view>& value, std::int64_t& out) {
  const auto parsed = value ? XMLScanner::parseInteger(*value) : std::nullopt;
  if (!parsed) return false;
  if (*parsed < std::numeric_limits<std::int32_t>::min() || *parsed > std::numeric_limits<std::int32_t>::max()) {
    fail("a triangle's property number is out of range");
  }
  out = *parsed;
  return true;
}

// The parsed structures of a part may take at most this many bytes per byte of XML (plus a
// constant): real parts are mostly vertices and triangles, which shrink when parsed, while a
// hostile part of empty objects or components would otherwise grow about tenfold.
constexpr std::size_t kStructureBytesPerXMLByte = 2;
constexpr std::size_t kStructureSlack = std::size_t(1) << 20;

class PartParser {
public:
  explicit PartParser(std::size_t partSize) : budget_(partSize * kStructureBytesPerXMLByte + kStructureSlack) {}

  void tag(const XMLTag& t) {
    const std::uint8_t ns = namespaces_.resolve(t);
    if (skipDepth_ > 0) {
      if (t.isEndTag) --skipDepth_;
      else if (!t.isEmptyElement) ++skipDepth_;
      return;
    }
    const std::string_view name = XMLScanner::localName(t.name);
    // Base materials belong to the core and colour groups to the materials extension, but writers
    // mix them up; the materials namespace holds nothing else read here.
    const bool known = ns == kCore || (ns == kMaterial && isMaterialElement(name));
    if (!known) {
      if (!t.isEndTag && !t.isEmptyElement) skipDepth_ = 1;
      return;
    }
    if (t.isEndTag) {
      endTag(name);
      return;
    }
    // The hot pair first: a large part is almost all vertices and triangles.
    if (name == "vertex") vertex(t);
    else if (name == "triangle") triangle(t);
    else if (name == "object") object(t);
    else if (name == "mesh") mesh();
    else if (name == "component") component(t);
    else if (name == "item") item(t);
    else if (name == "build") inBuild_ = !t.isEmptyElement;
    else if (name == "basematerials" || name == "colorgroup") startGroup(t);
    else if (name == "base") groupColour(t, "displaycolor");
    else if (name == "color") groupColour(t, "color");
    else if (name == "model") modelUnit(t);
  }

  ModelFile finish() { return std::move(file_); }

private:
  static bool isMaterialElement(std::string_view name) {
    return name == "basematerials" || name == "base" || name == "colorgroup" || name == "color";
  }

  // A production extension path, whatever prefix the part gives that namespace.
  std::optional<std::string> productionPath(const XMLTag& t) const {
    std::size_t pos = 0;
    Attribute a;
    while (XMLScanner::nextAttribute(t.attributes, pos, a)) {
      if (a.localName == "path" && namespaces_.attribute(a) == kProduction) return XMLScanner::decodeText(a.value);
    }
    return std::nullopt;
  }

  void charge(std::size_t bytes) {
    spent_ += bytes;
    if (spent_ > budget_) fail("a model part holds too many elements");
  }

  void endTag(std::string_view name) {
    if (name == "object") finishObject();
    else if (name == "basematerials" || name == "colorgroup") finishGroup();
    else if (name == "build") inBuild_ = false;
  }

  void modelUnit(const XMLTag& t) {
    if (auto unit = XMLScanner::textAttribute(t, "unit")) file_.unit = asciiLower(*unit);
  }

  void object(const XMLTag& t) {
    const auto id = XMLScanner::integerAttribute(t, "id");
    if (!id) fail("an object has no id");
    ObjectDef o;
    o.id = *id;
    o.name = XMLScanner::textAttribute(t, "name");
    charge(sizeof(ObjectDef) + 64 + (o.name ? o.name->size() : 0));
    if (auto type = XMLScanner::textAttribute(t, "type")) o.type = std::move(*type);
    o.pid = XMLScanner::integerAttribute(t, "pid");
    o.pindex = XMLScanner::integerAttribute(t, "pindex");
    current_ = std::move(o);
    if (t.isEmptyElement) finishObject();
  }

  void finishObject() {
    if (!current_) return;
    if (current_->mesh && current_->mesh->props) {
      current_->mesh->props->resize(current_->mesh->indices.size() / 3);
    }
    const std::int64_t id = current_->id;
    file_.objects.insert_or_assign(id, std::move(*current_));
    current_.reset();
  }

  void mesh() {
    if (!current_) return;
    charge(sizeof(MeshData));
    current_->mesh.emplace();
  }

  MeshData* currentMesh() { return current_ && current_->mesh ? &*current_->mesh : nullptr; }

  void vertex(const XMLTag& t) {
    MeshData* m = currentMesh();
    if (!m) fail("a vertex is missing x, y or z");
    Float3 p;
    bool hasX = false, hasY = false, hasZ = false;
    std::size_t pos = 0;
    Attribute a;
    while (XMLScanner::nextAttribute(t.attributes, pos, a)) {
      if (a.localName.size() != 1 || !a.prefix.empty()) continue;
      // The first attribute of a name wins; a later duplicate is passed over.
      switch (a.localName[0]) {
        case 'x':
          if (!hasX && !scanFloat(a.value, p.x)) fail("a vertex is missing x, y or z");
          hasX = true;
          break;
        case 'y':
          if (!hasY && !scanFloat(a.value, p.y)) fail("a vertex is missing x, y or z");
          hasY = true;
          break;
        case 'z':
          if (!hasZ && !scanFloat(a.value, p.z)) fail("a vertex is missing x, y or z");
          hasZ = true;
          break;
        default:
          break;
      }
    }
    if (!(hasX && hasY && hasZ)) fail("a vertex is missing x, y or z");
    charge(sizeof(Float3));
    m->positions.push_back(p);
  }

  void triangle(const XMLTag& t) {
    MeshData* m = currentMesh();
    if (!m) fail("a triangle is missing v1, v2 or v3");
    std::optional<std::string_view> v[3], pid, p1, paint;
    std::size_t pos = 0;
    Attribute a;
    while (XMLScanner::nextAttribute(t.attributes, pos, a)) {
      const std::string_view n = a.localName;
      if (n.size() == 2 && n[0] == 'v' && n[1] >= '1' && n[1] <= '3') {
        auto& slot = v[n[1] - '1'];
        if (!slot) slot = a.value;
      } else if (n == "pid") {
        if (!pid) pid = a.value;
      } else if (n == "p1") {
        if (!p1) p1 = a.value;
      } else if (n == "paint_color" || n == "mmu_segmentation") {
        if (!paint) paint = a.value;
      }
    }
    std::int64_t index[3];
    for (int i = 0; i < 3; ++i) {
      const auto parsed = v[i] ? XMLScanner::parseInteger(*v[i]) : std::nullopt;
      if (!parsed) fail("a triangle is missing v1, v2 or v3");
      index[i] = *parsed;
    }
    const auto count = std::int64_t(m->positions.size());
    for (const std::int64_t i : index) {
      if (i < 0 || i >= count) fail("a triangle points to a vertex that isn't there");
    }
    if (index[0] == index[1] || index[1] == index[2] || index[0] == index[2]) return;
    charge(3 * sizeof(std::uint32_t));
    for (const std::int64_t i : index) m->indices.push_back(std::uint32_t(i));

    // -1 marks a member the triangle did not give.
    std::int64_t group = -1, entry = -1;
    const bool hasGroup = readProperty(pid, group), hasEntry = readProperty(p1, entry);
    if (hasGroup || hasEntry || m->props) {
      if (!m->props) {
        charge(m->indices.size() / 3 * sizeof(PropertyRef));
        m->props.emplace(m->indices.size() / 3 - 1);
      } else {
        charge(sizeof(PropertyRef));
      }
      m->props->push_back({std::int32_t(group), std::int32_t(entry)});
    }
    if (paint) {
      ++file_.paintedTriangles;
      // Offsets are 32-bit: a part small enough to be read keeps its codes far below that.
      if (!paint->empty() && m->paintCodes.size() + paint->size() <= std::numeric_limits<std::uint32_t>::max()) {
        charge(sizeof(PaintedTriangle) + paint->size());
        m->painted.push_back({std::uint32_t(m->indices.size() / 3 - 1), std::uint32_t(m->paintCodes.size()),
                              std::uint32_t(paint->size())});
        m->paintCodes.append(*paint);
      }
    }
  }

  void component(const XMLTag& t) {
    const auto id = XMLScanner::integerAttribute(t, "objectid");
    if (!id) fail("a component has no objectid");
    if (!current_) return;
    Component c{productionPath(t), *id, transformOf(t)};
    charge(sizeof(Component) + (c.path ? c.path->size() : 0));
    current_->components.push_back(std::move(c));
  }

  void item(const XMLTag& t) {
    if (!inBuild_) return;
    const auto id = XMLScanner::integerAttribute(t, "objectid");
    if (!id) fail("a build item has no objectid");
    BuildItem item{*id, transformOf(t), productionPath(t)};
    charge(sizeof(BuildItem) + (item.path ? item.path->size() : 0));
    file_.build.push_back(std::move(item));
  }

  void startGroup(const XMLTag& t) {
    charge(64);
    groupOpen_ = true;
    groupID_ = XMLScanner::integerAttribute(t, "id").value_or(-1);
    groupColours_.clear();
    if (t.isEmptyElement) finishGroup();
  }

  void groupColour(const XMLTag& t, std::string_view attribute) {
    if (!groupOpen_) return;
    charge(sizeof(RGBA));
    groupColours_.push_back(colourAttribute(t, attribute));
  }

  void finishGroup() {
    if (!groupOpen_) return;
    file_.materials.insert_or_assign(groupID_, std::move(groupColours_));
    groupColours_ = {};
    groupOpen_ = false;
  }

  ModelFile file_;
  XMLScanner::Namespaces namespaces_{kNamespaceNames, kCore};
  std::size_t skipDepth_ = 0;  ///< elements open inside one of an unknown namespace
  std::optional<ObjectDef> current_;
  bool inBuild_ = false;
  bool groupOpen_ = false;
  std::int64_t groupID_ = -1;
  std::vector<RGBA> groupColours_;
  std::size_t budget_;
  std::size_t spent_ = 0;
};

}  // namespace

ModelFile parseModelPart(std::span<const std::byte> bytes) {
  PartParser parser(bytes.size());
  XMLScanner::scan(bytes, [&](const XMLTag& t) { parser.tag(t); });
  return parser.finish();
}

ModelFile readModelPart(const ZipReader& zip, std::string_view path) {
  // Below this a part unpacks whole faster than a thread starts.
  constexpr std::int64_t kPiecewise = std::int64_t(1) << 20;
  if (const auto entry = zip.entry(path); !entry || entry->method != 8 || entry->size < kPiecewise) {
    const UnpackedBytes bytes = zip.read(path);
    return parseModelPart(bytes.bytes());
  }
  // Large parts are scanned as they unpack: fresh memory of a part's size costs more to touch
  // than the inflating itself, and would be held only to be thrown away.
  const std::unique_ptr<EntryInflow> in = zip.inflow(path);
  PartParser parser(in->size());
  XMLScanner::scanPieces(
      [&] {
        const EntryInflow::Piece p = in->next();
        return XMLScanner::Piece{p.data, p.size, p.room};
      },
      in->size(), [&](const XMLTag& t) { parser.tag(t); });
  return parser.finish();
}

double unitFactor(std::string_view unit) {
  if (unit == "micron") return 0.001;
  if (unit == "centimeter") return 10;
  if (unit == "inch") return 25.4;
  if (unit == "foot") return 304.8;
  if (unit == "meter") return 1000;
  return 1;
}

Transform Transform::operator*(const Transform& in) const {
  // Columns: 0..2 x axis, 3..5 y axis, 6..8 z axis, 9..11 translation.
  Transform r;
  for (int col = 0; col < 4; ++col) {
    for (int row = 0; row < 3; ++row) {
      float v = 0;
      for (int k = 0; k < 3; ++k) v += m[k * 3 + row] * in.m[col * 3 + k];
      if (col == 3) v += m[9 + row];
      r.m[col * 3 + row] = v;
    }
  }
  return r;
}

double Transform::determinant() const {
  const auto& a = m;
  // Columns c0 = (a0,a1,a2), c1 = (a3,a4,a5), c2 = (a6,a7,a8).
  return double(a[0]) * (double(a[4]) * a[8] - double(a[7]) * a[5]) -
         double(a[3]) * (double(a[1]) * a[8] - double(a[7]) * a[2]) +
         double(a[6]) * (double(a[1]) * a[5] - double(a[4]) * a[2]);
}

}  // namespace vantorel::ThreeMFReader
