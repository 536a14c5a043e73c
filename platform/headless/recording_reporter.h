// Headless report handler for tests: keeps every report and trace line so that
// a test can check "failed, reported once, changed nothing".
#pragma once

#include <string>
#include <vector>

#include "platform/report.h"

namespace ardv {

class RecordingReporter : public ReportHandler {
 public:
  void show(const Report& report) override { reports_.push_back(report); }
  void traceLine(const std::string& line) override { trace_.push_back(line); }

  const std::vector<Report>& reports() const { return reports_; }
  const std::vector<std::string>& trace() const { return trace_; }
  std::size_t count(ReportKind kind) const;
  // True when some report of any kind contains the fragment.
  bool saw(const std::string& fragment) const;
  bool tracedFragment(const std::string& fragment) const;
  void clear() {
    reports_.clear();
    trace_.clear();
  }

 private:
  std::vector<Report> reports_;
  std::vector<std::string> trace_;
};

// Installs a recorder for the lifetime of the guard and restores the previous
// handler afterwards; the fatal request is cleared on both ends.
class ScopedRecorder {
 public:
  ScopedRecorder();
  ~ScopedRecorder();
  ScopedRecorder(const ScopedRecorder&) = delete;
  ScopedRecorder& operator=(const ScopedRecorder&) = delete;
  RecordingReporter& operator*() { return recorder_; }
  RecordingReporter* operator->() { return &recorder_; }

 private:
  RecordingReporter recorder_;
  ReportHandler* previous_;
};

}  // namespace ardv
