#pragma once
// The report of a catalogue's render: one JSON object a line for every
// input a worker took on, appended with a single write each, so that many
// workers on many machines can share one report file on a shared disk.

#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace sonavix {

struct ReportLine {
  QString input;
  QString output;
  const char* status = "rendered";  // rendered, skipped, failed or stopped
  QString reason;                   // why it failed or was skipped; empty: none
  double seconds = 0;               // time spent on it
  double playingTime = 0;           // of the output
  std::int64_t bytes = 0;           // of the output
  std::string preset;
  std::string sha256;  // of the output, hex; empty: none
};

// The line as written, without its line feed.
QByteArray ReportJson(const ReportLine& line);

class BatchReport {
 public:
  // Opens (or creates) the report to append to; empty, with a German
  // sentence in `error`, if it cannot be.
  static std::unique_ptr<BatchReport> Open(const QString& path, QString& error);
  ~BatchReport();
  BatchReport(const BatchReport&) = delete;
  BatchReport& operator=(const BatchReport&) = delete;

  // Appends the line; false (and a warning once on standard error) when it
  // could not be written whole.
  bool Add(const ReportLine& line);

 private:
  explicit BatchReport(int fd) : fd_(fd) {}
  int fd_;
  std::mutex mutex_;
  bool warned_ = false;
};

}  // namespace sonavix
