#include "model/saved_look.h"

#include "base/strict_json.h"

namespace vantorel {

namespace {

constexpr std::string_view kNilUuidText = "00000000-0000-0000-0000-000000000000";

// QUuid::fromString also takes braced forms and says "null" both for the nil UUID and for text it
// cannot read, so the stored form is checked for its exact length and the nil text told apart.
QUuid uuidFromText(const std::string& text) {
  const QUuid id = QUuid::fromString(QAnyStringView(QUtf8StringView(text)));
  if (text.size() != kNilUuidText.size() || (id.isNull() && text != kNilUuidText))
    StrictJSON::reject("\"" + text + "\" is not a UUID");
  return id;
}

}  // namespace

SavedLook SavedLook::make(std::string name, Look look) {
  return SavedLook{QUuid::createUuid(), std::move(name), look};
}

nlohmann::ordered_json encode(const SavedLook& saved) {
  nlohmann::ordered_json j;
  j["id"] = saved.id.toString(QUuid::WithoutBraces).toStdString();
  j["name"] = saved.name;
  j["look"] = encode(saved.look);
  return j;
}

SavedLook decodeSavedLook(const nlohmann::json& json) {
  using namespace StrictJSON;
  SavedLook saved;
  saved.id = uuidFromText(string(json, "id"));
  saved.name = string(json, "name");
  saved.look = decodeLook(field(json, "look"));
  return saved;
}

std::string encodeSavedLooks(const std::vector<SavedLook>& looks) {
  auto array = nlohmann::ordered_json::array();
  for (const auto& saved : looks) array.push_back(encode(saved));
  return array.dump();
}

std::optional<std::vector<SavedLook>> decodeSavedLooks(std::string_view text) {
  const auto json = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (!json.is_array()) return std::nullopt;  // also a parse failure, which yields a discarded value
  std::vector<SavedLook> looks;
  looks.reserve(json.size());
  try {
    for (const auto& entry : json) looks.push_back(decodeSavedLook(entry));
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  }
  return looks;
}

std::string trimmedName(std::string_view name) {
  const auto first = name.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(name.substr(first, name.find_last_not_of(" \t") - first + 1));
}

}  // namespace vantorel
