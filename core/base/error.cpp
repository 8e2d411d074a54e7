#include "base/error.h"

#include <filesystem>
#include <system_error>

namespace vantorel {

std::string errorText(const std::exception& error) {
  if (const auto* e = dynamic_cast<const Error*>(&error)) return e->userText();
  if (const auto* e = dynamic_cast<const std::filesystem::filesystem_error*>(&error)) {
    const std::string file = e->path1().filename().string();
    return e->code().message() + (file.empty() ? "." : " (" + file + ").");
  }
  if (const auto* e = dynamic_cast<const std::system_error*>(&error)) return e->code().message() + ".";
  return error.what();
}

}  // namespace vantorel
