#include "threemf_fixtures.h"

#include "zip_writer.h"

#include <sstream>

namespace vantorel::test {
namespace {

const char* const kModelRelationship = "http://schemas.microsoft.com/3dmanufacturing/2013/01/3dmodel";

std::string relationships(const std::vector<std::string>& targets) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships xmlns=\"http://schemas."
                  "openxmlformats.org/package/2006/relationships\">";
  for (std::size_t i = 0; i < targets.size(); ++i) {
    s += "<Relationship Target=\"" + targets[i] + "\" Id=\"rel" + std::to_string(i) + "\" Type=\"" +
         kModelRelationship + "\"/>";
  }
  return s + "</Relationships>";
}

// A box's vertices and triangles, the triangles numbering its vertices from `first`.
std::pair<std::string, std::string> boxElements(Float3 lo, Float3 hi, int first,
                                                std::string (*triangleAttributes)(int)) {
  const Float3 corners[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z},
                             {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
  static const int faces[12][3] = {{0, 2, 1}, {0, 3, 2}, {4, 5, 6}, {4, 6, 7}, {0, 1, 5}, {0, 5, 4},
                                   {2, 3, 7}, {2, 7, 6}, {0, 4, 7}, {0, 7, 3}, {1, 2, 6}, {1, 6, 5}};
  std::ostringstream v, t;
  for (const Float3& c : corners) v << "<vertex x=\"" << c.x << "\" y=\"" << c.y << "\" z=\"" << c.z << "\"/>";
  for (int i = 0; i < 12; ++i) {
    t << "<triangle v1=\"" << first + faces[i][0] << "\" v2=\"" << first + faces[i][1] << "\" v3=\""
      << first + faces[i][2] << "\"";
    if (triangleAttributes) t << " " << triangleAttributes(i);
    t << "/>";
  }
  return {v.str(), t.str()};
}

std::string mesh(const std::pair<std::string, std::string>& elements) {
  return "<mesh><vertices>" + elements.first + "</vertices><triangles>" + elements.second + "</triangles></mesh>";
}

}  // namespace

std::string boxMesh(Float3 lo, Float3 hi, std::string (*triangleAttributes)(int)) {
  return mesh(boxElements(lo, hi, 0, triangleAttributes));
}

std::string box(int id, std::string_view attributes, Float3 lo, Float3 hi) {
  return "<object id=\"" + std::to_string(id) + "\" " + std::string(attributes) + ">" + boxMesh(lo, hi) + "</object>";
}

std::string items(const std::vector<int>& ids) {
  std::string s;
  for (const int id : ids) s += "<item objectid=\"" + std::to_string(id) + "\"/>";
  return s;
}

std::string modelPart(std::string_view resources, std::string_view build, std::string_view unit) {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<model";
  if (!unit.empty()) s += " unit=\"" + std::string(unit) + "\"";
  s += " xml:lang=\"en-US\" xmlns=\"http://schemas.microsoft.com/3dmanufacturing/core/2015/02\""
       " xmlns:m=\"http://schemas.microsoft.com/3dmanufacturing/material/2015/02\""
       " xmlns:p=\"http://schemas.microsoft.com/3dmanufacturing/production/2015/06\""
       " xmlns:slic3rpe=\"http://schemas.slic3r.org/3mf/2017/06\">\n";
  s += " <metadata name=\"Application\">fixture</metadata>\n";
  s += " <resources>" + std::string(resources) + "</resources>\n";
  s += " <build>" + std::string(build) + "</build>\n</model>\n";
  return s;
}

Bytes package(const std::vector<Part>& parts, std::string_view mainPath) {
  std::vector<ZipEntrySpec> entries;
  entries.push_back({"[Content_Types].xml",
                     bytesOf("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Types xmlns=\"http://schemas.openxmlformats.org/"
                             "package/2006/content-types\"><Default Extension=\"rels\" ContentType=\"application/"
                             "vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"model\" "
                             "ContentType=\"application/vnd.ms-package.3dmanufacturing-3dmodel+xml\"/></Types>")});
  if (!mainPath.empty()) entries.push_back({"_rels/.rels", bytesOf(relationships({std::string(mainPath)}))});
  for (const auto& [name, text] : parts) entries.push_back({name, bytesOf(text)});
  return zipArchive(entries);
}

Bytes single(std::string_view resources, std::string_view build, std::string_view unit) {
  return package({{"3D/3dmodel.model", modelPart(resources, build, unit)}});
}

PrintModel load3MF(const Bytes& bytes, const ThreeMFReader::Limits& limits) {
  return ThreeMFReader::read(bytes, "fixture", limits);
}

Bytes slicerProjectPackage() {
  const std::string main = modelPart(
      "<object id=\"2\" type=\"model\"><components>"
      "<component p:path=\"/3D/Objects/object_1.model\" objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 0 0 0\"/>"
      "<component p:path=\"/3D/Objects/object_1.model\" objectid=\"3\"/>"
      "<component p:path=\"/3D/Objects/object_1.model\" objectid=\"6\"/>"
      "</components></object>"
      "<object id=\"5\" type=\"model\"><components>"
      "<component p:path=\"/3D/Objects/object_2.model\" objectid=\"4\"/>"
      "<component p:path=\"/3D/Objects/object_2.model\" objectid=\"8\"/>"
      "</components></object>",
      "<item objectid=\"2\" transform=\"1 0 0 0 1 0 0 0 1 100 100 0\" printable=\"1\"/>"
      "<item objectid=\"5\" transform=\"1 0 0 0 1 0 0 0 1 150 100 0\" printable=\"1\"/>",
      "millimeter");
  const auto painted = [](int i) { return std::string(i < 2 ? "paint_color=\"4\"" : ""); };
  const std::string object1 = modelPart("<object id=\"1\" type=\"model\">" + boxMesh({0, 0, 0}, {20, 20, 20}, painted) +
                                            "</object>" + box(3, "type=\"other\"", {-50, -50, -50}, {50, 50, 50}) +
                                            box(6, "type=\"support\"", {5, 5, -40}, {6, 6, 0}),
                                        "");
  const std::string object2 =
      modelPart(box(4, "type=\"model\"") + box(8, "type=\"model\"", {0, 0, 10}, {10, 10, 30}), "");
  const std::string projectSettings =
      R"({"filament_colour": ["#FF0000", "#00FF00", "#0000FF"], "layer_height": "0.2"})";
  const std::string modelSettings = R"(<?xml version="1.0" encoding="UTF-8"?>
<config>
  <object id="2">
    <metadata key="name" value="Left cube"/>
    <metadata key="extruder" value="2"/>
    <part id="1" subtype="normal_part"><metadata key="name" value="cube"/></part>
  </object>
  <object id="5">
    <metadata key="name" value="Right &amp; tall"/>
    <metadata key="extruder" value="1"/>
    <part id="4" subtype="normal_part"><metadata key="extruder" value="3"/></part>
    <part id="8" subtype="normal_part"></part>
  </object>
  <plate><metadata key="plater_id" value="1"/></plate>
</config>
)";
  const std::string partRelationships = relationships({"/3D/Objects/object_1.model", "/3D/Objects/object_2.model"});
  return package({{"3D/3dmodel.model", main},
                  {"3D/_rels/3dmodel.model.rels", partRelationships},
                  {"3D/Objects/object_1.model", object1},
                  {"3D/Objects/object_2.model", object2},
                  {"Metadata/project_settings.config", projectSettings},
                  {"Metadata/model_settings.config", modelSettings}});
}

Bytes slic3rPackage() {
  // Two blocks in one mesh: vertices 0–7 and 8–15, triangles 0–11 and 12–23.
  const auto [va, ta] = boxElements({0, 0, 0}, {10, 10, 10}, 0, nullptr);
  const auto [vb, tb] = boxElements({20, 0, 0}, {30, 10, 10}, 8, nullptr);
  const std::string main = modelPart("<object id=\"1\" type=\"model\">" + mesh({va + vb, ta + tb}) + "</object>",
                                     "<item objectid=\"1\" transform=\"1 0 0 0 1 0 0 0 1 5 5 0\"/>", "millimeter");
  const std::string config =
      "; generated by a slicer\n; extruder_colour = \"\";\"\"\n; filament_colour = #FF8000;#29B2B2\n"
      "; layer_height = 0.2\n";
  const std::string modelConfig = R"(<?xml version="1.0" encoding="UTF-8"?>
<config>
 <object id="1" instances_count="1">
  <metadata type="object" key="name" value="Two blocks"/>
  <volume firstid="0" lastid="11">
   <metadata type="volume" key="name" value="a"/>
   <metadata type="volume" key="extruder" value="1"/>
  </volume>
  <volume firstid="12" lastid="23">
   <metadata type="volume" key="extruder" value="2"/>
  </volume>
 </object>
</config>
)";
  return package({{"3D/3dmodel.model", main},
                  {"Metadata/Slic3r_PE.config", config},
                  {"Metadata/Slic3r_PE_model.config", modelConfig}});
}

Bytes threePlatePackage() {
  const std::string main = modelPart(box(1, "name=\"Base\"", {0, 0, 0}, {20, 20, 5}) + box(2, "name=\"Peg\"") +
                                         box(3, "", {0, 0, 0}, {5, 5, 30}),
                                     "<item objectid=\"1\"/><item objectid=\"2\" transform=\"1 0 0 0 1 0 0 0 1 300 0 0\"/>"
                                     "<item objectid=\"3\" transform=\"1 0 0 0 1 0 0 0 1 600 0 0\"/>"
                                     "<item objectid=\"2\" transform=\"1 0 0 0 1 0 0 0 1 320 0 0\"/>");
  const auto plate = [](int number, std::string_view name, std::vector<std::pair<int, int>> instances) {
    std::string s = "<plate><metadata key=\"plater_id\" value=\"" + std::to_string(number) +
                    "\"/><metadata key=\"plater_name\" value=\"" + std::string(name) + "\"/>";
    for (const auto& [object, instance] : instances) {
      s += "<model_instance><metadata key=\"object_id\" value=\"" + std::to_string(object) +
           "\"/><metadata key=\"instance_id\" value=\"" + std::to_string(instance) + "\"/></model_instance>";
    }
    return s + "</plate>";
  };
  const std::string settings = "<config><object id=\"3\"><metadata key=\"name\" value=\"Tower\"/></object>" +
                               plate(1, "", {{1, 0}}) + plate(2, "Pegs", {{2, 0}, {2, 1}}) + plate(3, "", {{3, 0}}) +
                               "</config>";
  return package({{"3D/3dmodel.model", main}, {"Metadata/model_settings.config", settings}});
}

}  // namespace vantorel::test
