// What the window's message boxes say: titled with the action under way
// rather than the name of the function that failed, and without the file
// transports' step numbers (the log keeps the report as it was made).
#pragma once

#include <string>
#include <vector>

#include "platform/report.h"

namespace ardv::shell {

// The action under way ("Open", "Save as"), "" outside any.
const std::string& actionUnderWay();

// Names the action under way while it lives (menu labels lose their "&",
// their accelerator text and a trailing "...").
class ActionUnderWay {
 public:
  explicit ActionUnderWay(const std::string& label);
  ~ActionUnderWay();
  ActionUnderWay(const ActionUnderWay&) = delete;
  ActionUnderWay& operator=(const ActionUnderWay&) = delete;

 private:
  std::string previous_;
};

// `report` as a box shows it: a caption naming a function (with "(" or
// "::") becomes `action` ("Ardelovox" when empty); the lines of the text
// starting with `stepPrefix` (the "Failing step" line) go.
Report readableReport(const Report& report, const std::string& action, const std::string& stepPrefix);

// Menu labels with one distinct keyboard mnemonic each where possible: a
// label keeps its own "&" letter when no earlier label of the menu took it,
// else takes the first free initial of its words, else any free letter or
// digit, else none. The text shown ("&" left out) stays the same.
std::vector<std::string> distinctMnemonics(const std::vector<std::string>& labels);

}  // namespace ardv::shell
