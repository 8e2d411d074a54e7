#pragma once
// Where an export of everything, or one model of a batch, writes: a new folder named for the model.
#include <filesystem>
#include <string>
#include <string_view>

namespace vantorel {

namespace Batch {
/// `name` made safe as a file name: each of / : \ ? % * | " < > becomes "-", spaces and tabs are
/// trimmed from both ends, and an empty result becomes "Model".
std::string safeName(std::string_view name);
}  // namespace Batch

namespace Exporter {
/// `folder` / (`base` + `suffix`), with `base` cut short on a character boundary (and trailing
/// spaces dropped) when the name would pass the file system's limit on a name's bytes, so a very
/// long model name still gives every file and numbered folder its suffix.
std::filesystem::path fittedName(const std::filesystem::path& folder, std::string_view base, std::string_view suffix);

/// Creates and returns a new folder in `parent` named for the model: the safe name, or the safe
/// name followed by " 2" … " 9999" when taken, each cut to fit (see fittedName). Never writes into
/// an existing folder.
/// Throws std::filesystem::filesystem_error: EEXIST when all 9,999 names are taken, or the
/// creation error (no permission, missing parent) at once.
std::filesystem::path newFolder(const std::filesystem::path& parent, std::string_view name);

/// Removes `folder` when nothing is in it: what a failed or cancelled export leaves of a folder it
/// made. Quietly does nothing when the folder holds files or can't be read or removed.
void removeIfEmpty(const std::filesystem::path& folder) noexcept;
}  // namespace Exporter

}  // namespace vantorel
