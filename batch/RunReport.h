// The machine-readable report of a run (--report=FILE): JSON Lines, one
// object per input in list order as each file is committed, then one summary.
// Each line goes out in one write, so a report read during the run, or after
// the process died, is valid up to its last line.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "batch/ConversionRun.h"

// The report's path: absolute as given; a relative one is taken from the
// program's folder like -i and -o ("./" dropped); "" for one beginning with
// "..", which those refuse too.
std::string ResolveReportPath(const std::string& path);

// The totals of the summary line.
struct ReportSummary {
  std::int32_t Inputs = 0;
  std::int32_t Converted = 0;
  std::int32_t Failed = 0;
  std::chrono::milliseconds Elapsed{};
  unsigned Workers = 0;
};

// The "file" object of one result, as one line without its newline.
std::string ReportFileLine(const FileResult& result);
// The "summary" object, as one line without its newline.
std::string ReportSummaryLine(const ReportSummary& summary);

class RunReport {
 public:
  RunReport() = default;
  RunReport(const RunReport&) = delete;
  RunReport& operator=(const RunReport&) = delete;
  ~RunReport();

  // Creates or empties the file; false (with errno) when it cannot be written.
  bool Open(const std::string& path);
  bool IsOpen() const { return fd_ >= 0; }
  // Appends one line; false when it did not reach the file whole.
  bool WriteLine(const std::string& line);

 private:
  int fd_ = -1;
};
