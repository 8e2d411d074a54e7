#include "output/batch.h"

#include "output/safe_file.h"

#include <nlohmann/json.hpp>

namespace vantorel::Batch {

std::string reportJSON(const std::vector<Result>& results) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const auto& r : results) {
    nlohmann::ordered_json outputs = nlohmann::ordered_json::array();
    for (const auto& o : r.outputs) outputs.push_back(o.string());
    list.push_back({{"source", r.source.string()},
                    {"outputs", std::move(outputs)},
                    {"error", r.error ? nlohmann::ordered_json(*r.error) : nlohmann::ordered_json(nullptr)}});
  }
  return list.dump(2) + "\n";
}

void writeReport(const std::vector<Result>& results, const std::filesystem::path& destination) {
  const std::string text = reportJSON(results);
  SafeFile report(destination, false);
  report.write({reinterpret_cast<const unsigned char*>(text.data()), text.size()});
  report.finish();
  report.commit();
}

}  // namespace vantorel::Batch
