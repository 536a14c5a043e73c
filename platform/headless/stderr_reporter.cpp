#include "platform/headless/stderr_reporter.h"

#include <string>

namespace ardv {
namespace {

// Message texts use "\r\n" line ends (they come from the interface texts);
// a terminal wants plain "\n".
std::string forTerminal(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '\r') out += c;
  while (!out.empty() && out.back() == '\n') out.pop_back();
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
  std::fprintf(out_, "ardv: %s: %s\n", forTerminal(caption).c_str(), forTerminal(report.text).c_str());
  std::fflush(out_);
}

void StderrReporter::traceLine(const std::string& line) {
  if (!showTrace_) return;
  std::fprintf(out_, "%s\n", forTerminal(line).c_str());
}

}  // namespace ardv
