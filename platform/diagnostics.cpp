#include "platform/diagnostics.h"

#include "platform/report.h"

namespace ardv {
namespace {

std::function<void()>& shower() {
  static std::function<void()> show;
  return show;
}

}  // namespace

void setTraceShower(std::function<void()> show) { shower() = std::move(show); }

void diagnosticLine(const std::string& line) {
  if (shower()) shower()();
  traceLine(line);
}

}  // namespace ardv
