#include "output/export_job.h"

#include "base/localized.h"

#include <algorithm>

namespace vantorel {

std::vector<std::string> ExportJob::partNames() const {
  std::vector<std::string> names;
  if (video) names.push_back(localized("video"));
  if (gif) names.push_back(localized("GIF"));
  if (stills) names.push_back(localized("product shots"));
  return names;
}

std::string ExportJob::partAt(double fraction) const {
  const auto names = partNames();
  if (names.empty()) return {};
  // Part k of n covers [k ÷ n, (k + 1) ÷ n), as the exporter reports it; the very end is the last part.
  const auto k = std::min(names.size() - 1, std::size_t(std::max(0.0, fraction) * double(names.size())));
  return names[k];
}

}  // namespace vantorel
