#pragma once
// The subcommands of vantorel-cli. Each takes the arguments after its name and returns the exit
// status: 0 for success, 1 when an input failed, 64 for a usage error.
#include <iosfwd>
#include <string>
#include <vector>

namespace vantorel::cli {

inline constexpr int exitUsage = 64;

int info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int render(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int exportModel(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int batch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int look(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vantorel::cli
