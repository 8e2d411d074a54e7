#pragma once
// The two callbacks the video and GIF writers take from their caller (the exporter).
#include "base/image.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace vantorel {

/// Draws frame `index` (0, 1, 2 … in strict order, each once, on the writing thread). Returns the
/// picture, or nothing when it couldn't be drawn (the writer then throws ExportError::render). May
/// throw; the writer cleans up and passes the exception on unchanged. The writer takes ownership of
/// the returned picture and may still be encoding it while the next one is drawn.
using FrameSource = std::function<std::optional<Image>(std::int64_t index)>;

/// Receives (i + 1) ÷ count after frame i has been handed to the encoder, on the writing thread;
/// the last call passes exactly 1.0. May be empty.
using ProgressCallback = std::function<void(double fraction)>;

}  // namespace vantorel
