#pragma once
// A look the user kept under a name, and its JSON form in the settings file.
#include "staging/look.h"

#include <QUuid>
#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

struct SavedLook {
  QUuid id;
  std::string name;
  Look look;

  bool operator==(const SavedLook&) const = default;

  /// A new entry with a fresh random id.
  static SavedLook make(std::string name, Look look);
};

/// {"id","name","look"}, the id as its 36-character lower-case text.
nlohmann::ordered_json encode(const SavedLook& saved);

/// Strict: every key present with the right type, a valid UUID and a readable look; other keys are
/// ignored. Throws nlohmann::json::exception otherwise.
SavedLook decodeSavedLook(const nlohmann::json& json);

/// The list as one compact JSON array text.
std::string encodeSavedLooks(const std::vector<SavedLook>& looks);

/// Nothing when the text is not a JSON array or any entry is unreadable: a half-restored list would
/// silently lose the user's looks on the next save.
std::optional<std::vector<SavedLook>> decodeSavedLooks(std::string_view text);

/// Trims spaces and tabs at both ends (the saved-look name rule).
std::string trimmedName(std::string_view name);

}  // namespace vantorel
