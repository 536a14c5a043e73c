#include "platform/headless/recording_reporter.h"

#include <algorithm>

namespace ardv {

std::size_t RecordingReporter::count(ReportKind kind) const {
  return static_cast<std::size_t>(
      std::count_if(reports_.begin(), reports_.end(), [kind](const Report& r) { return r.kind == kind; }));
}

bool RecordingReporter::saw(const std::string& fragment) const {
  return std::any_of(reports_.begin(), reports_.end(), [&](const Report& r) {
    return r.text.find(fragment) != std::string::npos || r.caption.find(fragment) != std::string::npos;
  });
}

bool RecordingReporter::tracedFragment(const std::string& fragment) const {
  return std::any_of(trace_.begin(), trace_.end(),
                     [&](const std::string& line) { return line.find(fragment) != std::string::npos; });
}

ScopedRecorder::ScopedRecorder() : previous_(&reportHandler()) {
  setReportHandler(&recorder_);
  clearFatalRequest();
}

ScopedRecorder::~ScopedRecorder() {
  setReportHandler(previous_);
  clearFatalRequest();
}

}  // namespace ardv
