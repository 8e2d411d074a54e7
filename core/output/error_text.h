#pragma once
#include <exception>
#include <string>

namespace vantorel {

/// The one sentence to show for a failure of loading, drawing or exporting: the user text of
/// LoadError, StudioError and ExportError, the system's description of a file-system error (with
/// the file's name), or the exception's own text.
std::string errorText(const std::exception& error);

}  // namespace vantorel
