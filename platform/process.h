// Running an external program and waiting for it: started without a shell
// and without a window, its exit polled every 100 ms, the wait stoppable by
// Escape (the keyboard poller of platform/keyboard.h).
#pragma once

#include <string>
#include <vector>

namespace ardv {

struct ProcessOutcome {
  enum class Kind {
    exited,      // ran to its end: `status` is its exit status
    notStarted,  // could not be started: `reason` says why
    killed,      // ended by signal `status`
    stopped,     // Escape was pressed; the program was ended
  };
  Kind kind = Kind::notStarted;
  int status = 0;
  std::string reason;
  std::string errorOutput;  // the first 2000 bytes of its standard error
};

// Runs `argv` (argv[0] is the program's path; no PATH search), with standard
// input from /dev/null and standard error captured, and waits for its end,
// polling every `pollMs` and asking escapePressed() at each poll. Reports
// nothing: the caller words the message.
ProcessOutcome runProcess(const std::vector<std::string>& argv, int pollMs = 100);

// The command line as a user would type it: each argument quoted when it
// holds a blank, a quote or nothing.
std::string commandLineText(const std::vector<std::string>& argv);

}  // namespace ardv
