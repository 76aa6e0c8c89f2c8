#include "batch/RunReport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <nlohmann/json.hpp>

#include "platform/Text.h"
#include "settings/FileFailure.h"
#include "settings/Product.h"
#include "settings/Settings.h"

namespace {

// Fields in the order written here, "type" first, for readers who look.
using Json = nlohmann::ordered_json;

// Paths are bytes and need not be UTF-8: a broken sequence shows as U+FFFD
// rather than losing the line.
std::string Dump(const Json& object) {
  return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A size the file did not get (it never loaded, or nothing was written).
Json Dimension(std::int32_t value) { return value > 0 ? Json(value) : Json(nullptr); }

}  // namespace

std::string ResolveReportPath(const std::string& path) {
  if (StartsWith(path, "/")) return path;
  if (StartsWith(path, "..")) return "";
  std::string relative = path;
  if (StartsWith(relative, "./")) relative.erase(0, 2);
  return RunState.ProgramFolder + relative;
}

std::string ReportFileLine(const FileResult& result) {
  Json line = Json::object();
  line["type"] = "file";
  line["input"] = result.InputFile;
  line["output"] = result.Converted ? Json(result.OutputFile) : Json(nullptr);
  line["status"] = result.Converted ? "converted" : "failed";
  line["reason"] = result.Converted ? Json(nullptr) : Json(FailureText(result.Failure));
  line["warnings"] = result.Warnings;
  line["input_width"] = Dimension(result.InputWidth);
  line["input_height"] = Dimension(result.InputHeight);
  line["output_width"] = Dimension(result.Converted ? result.OutputWidth : 0);
  line["output_height"] = Dimension(result.Converted ? result.OutputHeight : 0);
  line["bytes"] = result.Converted ? result.BytesWritten : 0;
  line["ms"] = result.Spent.count();
  return Dump(line);
}

std::string ReportSummaryLine(const ReportSummary& summary) {
  Json line = Json::object();
  line["type"] = "summary";
  line["inputs"] = summary.Inputs;
  line["converted"] = summary.Converted;
  line["failed"] = summary.Failed;
  line["elapsed_ms"] = summary.Elapsed.count();
  line["workers"] = summary.Workers;
  line["version"] = VersionText(ProgramVersion);
  return Dump(line);
}

RunReport::~RunReport() {
  if (fd_ >= 0) ::close(fd_);
}

bool RunReport::Open(const std::string& path) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = path.empty() ? -1 : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return fd_ >= 0;
}

bool RunReport::WriteLine(const std::string& line) {
  if (fd_ < 0) return false;
  const std::string whole = line + "\n";
  // One write per line; the loop only finishes a write the kernel cut short.
  std::size_t done = 0;
  while (done < whole.size()) {
    const ssize_t n = ::write(fd_, whole.data() + done, whole.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}
