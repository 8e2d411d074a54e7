#pragma once
// One picture to one PNG file.
#include "base/image.h"

#include <filesystem>

namespace vantorel::PNGWriter {

/// Writes `image` to `destination` as an 8-bit sRGB PNG (sRGB chunk): RGB when `image.opaque`,
/// otherwise RGBA with straight (un-premultiplied) alpha. The file appears complete or not at all;
/// with `replacing`, an existing file is replaced only once the new one is complete.
/// Throws ExportError::exists (file name) when the destination exists and `replacing` is false;
/// ExportError::image (the system's description + " (" + name + ")", e.g. "No space left on device
/// (x.png)") when the file can't be started or written; ExportError::image (name + " couldn't be
/// created") when the image is empty or inconsistent; ExportError::image (name + " couldn't be
/// finished") when encoding fails; std::filesystem::filesystem_error when the finished file can't
/// be moved into place.
void write(const Image& image, const std::filesystem::path& destination, bool replacing);

}  // namespace vantorel::PNGWriter
