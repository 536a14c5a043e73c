// Progress of a long computation: a status text and the fraction done, shown
// by the desktop program in its status bar; ignored elsewhere.
#pragma once

#include <string>

namespace ardv {

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // `fraction` in 0..1; a negative fraction ends the indication.
  virtual void progress(const std::string& status, double fraction) = 0;
};

// Installs a sink (not owned); nullptr restores the one that shows nothing.
void setProgressSink(ProgressSink* sink);
void showProgress(const std::string& status, double fraction);

}  // namespace ardv
