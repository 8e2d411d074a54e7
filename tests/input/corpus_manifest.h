#pragma once
// The reference facts of the shared corpus of real model files (manifest.tsv beside them).
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace vantorel::test {

struct CorpusEntry {
  std::string file;    // relative to the corpus folder
  std::string format;  // stl-binary, stl-ascii, obj, 3mf
  std::string expect;  // load, error, either
  std::optional<long> triangles, objects;
  std::optional<std::array<double, 6>> bounds;  // min x y z, max x y z in mm
  std::string notes;
};

inline std::filesystem::path corpusFolder() { return VANTOREL_CORPUS; }

/// The manifest's rows whose format is one of `formats`; empty when the corpus is not there.
inline std::vector<CorpusEntry> corpusEntries(const std::vector<std::string>& formats) {
  std::vector<CorpusEntry> rows;
  std::ifstream in(corpusFolder() / "manifest.tsv");
  std::string line;
  std::getline(in, line);  // header
  const auto number = [](const std::string& s) -> std::optional<long> {
    if (s.empty() || s == "-") return std::nullopt;
    return std::stol(s);
  };
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::stringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '\t');) f.push_back(cell);
    if (f.size() < 8) continue;
    CorpusEntry e{f[0], f[1], f[2], number(f[4]), number(f[5]), std::nullopt, f[7]};
    if (f[6] != "-") {
      std::array<double, 6> b{};
      std::stringstream values(f[6]);
      for (double& v : b) {
        std::string cell;
        std::getline(values, cell, ',');
        v = std::stod(cell);
      }
      e.bounds = b;
    }
    for (const auto& format : formats) {
      if (e.format == format) rows.push_back(e);
    }
  }
  return rows;
}

}  // namespace vantorel::test
