#pragma once
// Files kept between runs in the user's cache folder ($XDG_CACHE_HOME, else ~/.cache, then
// vantorel/NAME): results that are slow to make and never change for the same input. Losing one
// costs only time, so every failure to read or write is silent.
#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <span>

namespace vantorel::UserCache {

/// The folder for `name`'s files; empty when the user has no home or cache folder.
std::filesystem::path folder(const char* name);

/// Writes the pieces one after another into `file`, whole under a temporary name in the same
/// folder and then renamed, so a reader never sees half a file; then removes the folder's oldest
/// files beyond `kept`. Creates the folder when needed.
void write(const std::filesystem::path& file, std::initializer_list<std::span<const std::byte>> pieces,
           std::size_t kept);

}  // namespace vantorel::UserCache
