// Reporting: the four kinds of report the core makes (fatal, message, warning,
// internal fault), routed to a swappable handler, plus the trace (log) window.
// The core never throws across a module boundary: an operation reports its own
// failure here once and returns a flag, a count or -1.
#pragma once

#include <string>

namespace ardv {

enum class ReportKind { Fatal, Message, Warning, Bug };

struct Report {
  ReportKind kind;
  std::string caption;
  std::string text;
};

// Where reports go: message boxes in the shell, standard error in the command
// line, a recorder in tests.
class ReportHandler {
 public:
  virtual ~ReportHandler() = default;
  virtual void show(const Report& report) = 0;
  // One line for the trace window (the loaders' diagnostics, debug traces).
  virtual void traceLine(const std::string& line) = 0;
};

// Installs a handler (not owned); nullptr restores the standard-error handler.
void setReportHandler(ReportHandler* handler);
ReportHandler& reportHandler();

// Installs a handler for the calling thread only (not owned; nullptr removes
// it): while set, that thread's reports go there instead.
void setThreadReportHandler(ReportHandler* handler);

// Captions of the message boxes. Until the interface texts are loaded the
// fatal caption is the start-up one.
struct ReportCaptions {
  std::string fatal = "fatal error, exit Ardelovox";
  std::string message;
  std::string warning;
};
void setReportCaptions(const ReportCaptions& captions);
const ReportCaptions& reportCaptions();

// Shows the text, then asks the front end to close: fatalRequested() turns true.
// The core never exits by itself.
void fatal(const std::string& text);
void message(const std::string& text);
void warn(const std::string& text);
// Internal consistency fault, caption "bug".
void debugMessage(const std::string& text);
// A line in the trace window.
void traceLine(const std::string& line);

bool fatalRequested();
void clearFatalRequest();

// Debug level 0..100 selecting extra traces (2: file transports, 5: profile
// parsing, 6: annotation mouse handling, 1: the F0 trace file).
int debugLevel();
void setDebugLevel(int level);

// Debug mode shows the trace window and the debug option.
bool debugMode();
void setDebugMode(bool on);

}  // namespace ardv
