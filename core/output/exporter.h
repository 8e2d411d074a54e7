#pragma once
// Turns a studio's model into files: the turntable video, the GIF, the product shots, or all of
// them into one folder. The exporter borrows the studio: it changes the look for some steps
// (opaque for moving pictures, shadow on for the hero) and always puts it back, also on error and
// cancellation, so the caller must not render with the same studio meanwhile.
#include "output/export_job.h"
#include "output/output_folder.h"
#include "output/output_specs.h"
#include "output/writer_callbacks.h"
#include "studio/studio.h"

#include <filesystem>
#include <optional>
#include <stop_token>
#include <string_view>
#include <vector>

namespace vantorel::Exporter {

/// Writes the turntable video (one full turn over `spec.seconds`, framed on the whole turntable)
/// to `destination`. A transparent look is drawn on opaque white. Progress: (i + 1) ÷ frames.
/// Throws the writer's ExportError, ExportError::render when a frame can't be drawn, Cancelled.
void video(Studio& studio, const VideoSpec& spec, const std::filesystem::path& destination, bool replacing,
           const ProgressCallback& progress = {}, std::stop_token stop = {});

/// Writes the turntable GIF (always turning by positive angles) to `destination`; like `video`.
void gif(Studio& studio, const GIFSpec& spec, const std::filesystem::path& destination, bool replacing,
         const ProgressCallback& progress = {}, std::stop_token stop = {});

/// Writes the product shots into the existing `folder` as "<baseName> <shot id>.png" and
/// "<baseName> hero.png" (a long base name cut to fit, see fittedName), never replacing, and
/// returns their paths in writing order. Progress: (i + 1) ÷ shots for each. Cancellation is checked before each of the six set shots.
/// Throws the writer's ExportError, ExportError::render, Cancelled; shots written stay.
std::vector<std::filesystem::path> stills(Studio& studio, const StillSpec& spec, const std::filesystem::path& folder,
                                          std::string_view baseName, const ProgressCallback& progress = {},
                                          std::stop_token stop = {});

/// The hero shot at `size`: turn 0, the hero elevation of the look's camera, tight framing, always
/// with a shadow. Nothing when it can't be drawn.
std::optional<Image> hero(Studio& studio, PixelSize size);

/// Writes every part of `job` into `folder`: "<baseName>.mp4", "<baseName>.gif", then the shots;
/// returns all paths in that order. Part k of n reports (k + p) ÷ n. Stops at the first error
/// (files already written stay) and passes it up.
std::vector<std::filesystem::path> run(const ExportJob& job, Studio& studio, const std::filesystem::path& folder,
                                       std::string_view baseName, const ProgressCallback& progress = {},
                                       std::stop_token stop = {});

}  // namespace vantorel::Exporter
