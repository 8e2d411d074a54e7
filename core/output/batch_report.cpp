#include "output/batch.h"

#include "output/export_error.h"
#include "output/safe_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include <nlohmann/json.hpp>

namespace vantorel::Batch {
namespace {

nlohmann::ordered_json object(const Result& r) {
  nlohmann::ordered_json outputs = nlohmann::ordered_json::array();
  for (const auto& o : r.outputs) outputs.push_back(o.string());
  return {{"source", r.source.string()},
          {"outputs", std::move(outputs)},
          {"error", r.error ? nlohmann::ordered_json(*r.error) : nlohmann::ordered_json(nullptr)}};
}

[[noreturn]] void fail(const char* what) { throw std::system_error(errno, std::generic_category(), what); }

std::filesystem::path absoluteNormal(const std::filesystem::path& p) {
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(p, ec);
  return (ec ? p : absolute).lexically_normal();
}

// Adds the source of one reported result to `done` when it succeeded; false when `item` isn't a result.
bool noteResult(const nlohmann::json& item, std::set<std::filesystem::path>& done) {
  if (!item.is_object() || !item.contains("source") || !item["source"].is_string() || !item.contains("error")) return false;
  if (item["error"].is_null()) done.insert(absoluteNormal(item["source"].get<std::string>()));
  return true;
}

}  // namespace

std::string reportJSON(const std::vector<Result>& results) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const auto& r : results) list.push_back(object(r));
  return list.dump(2) + "\n";
}

std::string reportLine(const Result& result) {
  // Replacing bad UTF-8 keeps a file name from ending the report: the line must always be written.
  return object(result).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

ReportLines::ReportLines(const std::filesystem::path& destination, bool append) {
  fd_ = ::open(destination.c_str(), O_RDWR | O_CLOEXEC | O_CREAT | (append ? 0 : O_EXCL), 0666);
  if (fd_ < 0) {
    if (errno == EEXIST) throw ExportError::exists(destination.filename().string());
    fail("cannot open the report");
  }
  if (!append) return;
  // A run killed in the middle of a write may have left a last line without its end: drop it.
  const off_t size = ::lseek(fd_, 0, SEEK_END);
  off_t keep = size;
  char c = 0;
  while (keep > 0 && ::pread(fd_, &c, 1, keep - 1) == 1 && c != '\n') --keep;
  if (keep != size && ::ftruncate(fd_, keep) != 0) {
    const int error = errno;
    ::close(fd_);
    throw std::system_error(error, std::generic_category(), "cannot repair the report");
  }
  ::lseek(fd_, 0, SEEK_END);
}

ReportLines::~ReportLines() {
  if (fd_ >= 0) ::close(fd_);
}

void ReportLines::add(const Result& result) {
  const std::string line = reportLine(result);
  for (std::size_t done = 0; done < line.size();) {
    const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail("cannot write the report");
    done += std::size_t(n);
  }
  if (::fdatasync(fd_) != 0 && errno != EINVAL) fail("cannot write the report");
}

std::set<std::filesystem::path> doneSources(const std::filesystem::path& report) {
  std::ifstream in(report, std::ios::binary);
  std::error_code ec;
  if (!in || std::filesystem::is_directory(report, ec)) {
    throw std::system_error(std::filesystem::is_directory(report, ec) ? EISDIR : errno ? errno : ENOENT,
                            std::generic_category(), "cannot read the report");
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::set<std::filesystem::path> done;
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first != std::string::npos && text[first] == '[') {
    const auto list = nlohmann::json::parse(text, nullptr, false);
    bool valid = list.is_array();
    for (const auto& item : valid ? list : nlohmann::json::array()) valid = valid && noteResult(item, done);
    if (!valid) throw std::runtime_error("this isn't a batch report");
    return done;
  }
  std::size_t lineNumber = 0;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    ++lineNumber;
    if (end == std::string::npos) break;  // cut short by a killed run: not a result yet
    const std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
    if (!noteResult(nlohmann::json::parse(line, nullptr, false), done)) {
      throw std::runtime_error("line " + std::to_string(lineNumber) + " isn't a batch result");
    }
  }
  return done;
}

void writeReport(const std::vector<Result>& results, const std::filesystem::path& destination) {
  const std::string text = reportJSON(results);
  SafeFile report(destination, false);
  report.write({reinterpret_cast<const unsigned char*>(text.data()), text.size()});
  report.finish();
  report.commit();
}

}  // namespace vantorel::Batch
