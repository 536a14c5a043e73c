// The F0 trace file "pm.txt" (debug level 1): printf-style lines written by
// every stage of one run, in the temporary directory.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "prosody/pitch_types.h"

namespace ardv {

class PitchTrace {
 public:
  PitchTrace() = default;
  ~PitchTrace();
  PitchTrace(const PitchTrace&) = delete;
  PitchTrace& operator=(const PitchTrace&) = delete;

  // Creates `dir`/pm.txt afresh. False (tracing stays off) when it cannot be
  // created; no report, the trace is a debugging aid.
  bool open(const std::filesystem::path& dir);
  void close();
  bool on() const { return file_ != nullptr; }

  // One formatted piece (the formats are this module's own literals).
  void line(const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 2, 3)))
#endif
      ;

  // "name[%d]\n" then one "... [%d] ..." line per hypothesis.
  void table(const char* name, const PitchTable& table);
  // "pitchCorrige[%d] =" with up to eight " %d" values per line.
  void track(const std::vector<int>& p);

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace ardv
