#include "platform/report.h"

#include <algorithm>

#include "platform/headless/stderr_reporter.h"

namespace ardv {
namespace {

StderrReporter& defaultHandler() {
  static StderrReporter handler;
  return handler;
}

struct ReportState {
  ReportHandler* handler = nullptr;
  ReportCaptions captions;
  bool fatalRequested = false;
  int debugLevel = 0;
  bool debugMode = false;
};

ReportState& state() {
  static ReportState s;
  return s;
}

void show(ReportKind kind, const std::string& caption, const std::string& text) {
  reportHandler().show(Report{kind, caption, text});
}

thread_local ReportHandler* threadHandler = nullptr;

}  // namespace

void setReportHandler(ReportHandler* handler) { state().handler = handler; }

void setThreadReportHandler(ReportHandler* handler) { threadHandler = handler; }

ReportHandler& reportHandler() {
  if (threadHandler) return *threadHandler;
  return state().handler ? *state().handler : defaultHandler();
}

void setReportCaptions(const ReportCaptions& captions) { state().captions = captions; }
const ReportCaptions& reportCaptions() { return state().captions; }

void fatal(const std::string& text) {
  show(ReportKind::Fatal, state().captions.fatal, text);
  state().fatalRequested = true;
}

void message(const std::string& text) { show(ReportKind::Message, state().captions.message, text); }
void warn(const std::string& text) { show(ReportKind::Warning, state().captions.warning, text); }
void debugMessage(const std::string& text) { show(ReportKind::Bug, "bug", text); }
void traceLine(const std::string& line) { reportHandler().traceLine(line); }

bool fatalRequested() { return state().fatalRequested; }
void clearFatalRequest() { state().fatalRequested = false; }

int debugLevel() { return state().debugLevel; }
void setDebugLevel(int level) { state().debugLevel = std::clamp(level, 0, 100); }

bool debugMode() { return state().debugMode; }
void setDebugMode(bool on) { state().debugMode = on; }

}  // namespace ardv
