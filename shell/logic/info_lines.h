// The numbered lines of the information window and the texts the shell
// composes for them and for the Details box.
#pragma once

#include <map>
#include <string>

#include "signal/program.h"

namespace ardv::shell {

constexpr const char* kProgramVersionLine = "Ardelovox 1.34";

// Line numbers of the information window.
enum InfoLine : int {
  kLineProgram = 0,
  kLineSignal1 = 5,
  kLineSignal2 = 6,
  kLineSignal3 = 7,
  kLineModified = 8,
  kLineF0 = 12,
  kLineDuration = 13,
  kLineRate = 14,
};

class InfoLines {
 public:
  InfoLines() { set(kLineProgram, kProgramVersionLine); }
  void set(int line, std::string text) { lines_[line] = std::move(text); }
  void clear(int line) { lines_.erase(line); }
  std::string get(int line) const;
  const std::map<int, std::string>& all() const { return lines_; }

 private:
  std::map<int, std::string> lines_;
};

// Lines 13 and 14 for a selection of `ms` milliseconds: "%.1f ms" and
// "1/%.1f sec" with 1000 / ms, the second empty below 1 ms.
void setDurationLines(InfoLines& lines, double ms);

// Lines 5 to 7: the current signal (name; frequency and length; displayed
// stretch), empty without a file.
void setSignalLines(InfoLines& lines, const Program& prog);

// Text of the Details box (command 70), from the numbered interface texts.
std::string detailsText(const Program& prog);

}  // namespace ardv::shell
