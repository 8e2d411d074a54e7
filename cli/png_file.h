#pragma once
// A small PNG writer for the command line's single pictures (the exporter has its own writers).
#include "studio/image.h"

#include <filesystem>
#include <string>

namespace vantorel::cli {

/// Writes `image` as an 8-bit PNG (RGB when opaque, else RGBA with straight alpha) with an sRGB
/// chunk: into a temporary file beside `path`, renamed over it only when complete, so a failure
/// never leaves a partial file. Throws std::system_error or std::runtime_error on failure.
void writePNG(const Image& image, const std::filesystem::path& path);

}  // namespace vantorel::cli
