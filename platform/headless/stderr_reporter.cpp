#include "platform/headless/stderr_reporter.h"

#include <string>

namespace ardv {
namespace {

// A report is one line on the terminal: the line breaks of a message box
// become blanks.
std::string oneLine(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!out.empty() && out.back() != ' ') out += ' ';
      continue;
    }
    out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace

void StderrReporter::show(const Report& report) {
  std::string caption = report.caption;
  if (caption.empty()) {
    switch (report.kind) {
      case ReportKind::Fatal: caption = "fatal"; break;
      case ReportKind::Message: caption = "message"; break;
      case ReportKind::Warning: caption = "warning"; break;
      case ReportKind::Bug: caption = "bug"; break;
    }
  }
  std::fprintf(out_, "ardv: %s: %s\n", oneLine(caption).c_str(), oneLine(report.text).c_str());
  std::fflush(out_);
}

void StderrReporter::traceLine(const std::string& line) {
  if (!showTrace_) return;
  std::fprintf(out_, "%s\n", oneLine(line).c_str());
}

}  // namespace ardv
