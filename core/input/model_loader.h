#pragma once
// The one entry that turns a file into a model: picks the reader by extension, reads the bytes,
// derives the display name, and lists the model files of a folder for batch work.
#include "input/print_model.h"
#include "input/threemf_reader.h"

#include <cstddef>
#include <filesystem>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::ModelLoader {

/// The readable extensions, lower case, without a dot.
const std::set<std::string, std::less<>>& extensions();

/// The limits every 3MF load runs under (sizes in bytes).
ThreeMFReader::Limits threeMFLimits();

/// True when the path's extension, lower-cased, is readable.
bool canOpen(const std::filesystem::path& file);

/// Loads the file. Throws LoadError::unsupported (without reading) for another extension,
/// std::filesystem::filesystem_error when the file can't be read, LoadError::malformed at once for
/// anything but a regular file (a pipe, a device), and the reader's LoadError.
PrintModel load(const std::filesystem::path& file);

/// Which plates of a slicer project a load shows (the default: as the slicer opens it).
using PlateChoice = ThreeMFReader::PlateChoice;

/// Loads the file showing the plates `plates` chooses. A file without plates loads whole unless a plate
/// number is asked for, which throws LoadError::noPlate, as does a number the project doesn't have.
PrintModel load(const std::filesystem::path& file, PlateChoice plates);

/// Hands `bytes` to the reader for `ext` (any case). Throws LoadError.
PrintModel load(std::span<const std::byte> bytes, std::string_view ext, std::string_view name,
                PlateChoice plates = {});

/// The model files of a folder, and how many of its folders couldn't be looked into.
struct Listing {
  std::vector<std::filesystem::path> files;
  std::size_t skippedFolders = 0;
  bool operator==(const Listing&) const = default;
};

/// The readable model files in `folder` and its subfolders, in the order a file browser shows
/// them (case aside, runs of digits compared by value), in the collation of the process's locale
/// or, under C/POSIX, the language-neutral one. Hidden files and folders (and "._" shadow files)
/// are skipped and directory links are not followed. A folder that can't be read (no permission,
/// a link loop, gone meanwhile) is left out and counted; `folder` itself among them.
Listing listing(const std::filesystem::path& folder);

/// The files of listing(folder).
std::vector<std::filesystem::path> files(const std::filesystem::path& folder);

}  // namespace vantorel::ModelLoader
