// Headless report handler: reports and trace lines on standard error.
#pragma once

#include <cstdio>

#include "platform/report.h"

namespace ardv {

class StderrReporter : public ReportHandler {
 public:
  // Trace lines are printed only when showTrace is true (debug mode of the CLI).
  explicit StderrReporter(bool showTrace = false, std::FILE* out = stderr)
      : showTrace_(showTrace), out_(out) {}
  void show(const Report& report) override;
  void traceLine(const std::string& line) override;
  void setShowTrace(bool on) { showTrace_ = on; }

 private:
  bool showTrace_;
  std::FILE* out_;
};

}  // namespace ardv
