#pragma once
// Runs one of the command line's commands in process, capturing what it prints.
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace vantorel::test {

struct CommandOutcome {
  int status;
  std::string out, err;
};

inline CommandOutcome call(int (*command)(const std::vector<std::string>&, std::ostream&, std::ostream&),
                           std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = command(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace vantorel::test
