#pragma once
// Runs a shell command line for the tests that start the real programs, capturing what it prints.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace vantorel::test {

struct Outcome {
  int status;          ///< the exit status, or −1 when the command did not exit by itself
  std::string output;  ///< what it wrote to standard output (add 2>&1 for its errors too)
};

inline Outcome shell(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  if (!pipe) return {-1, output};
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

/// `path` in single quotes, for a command line (the tests' paths hold no quotes).
inline std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

}  // namespace vantorel::test
