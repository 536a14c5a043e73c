// The loaders' diagnostics: lines for the trace window, which the front end
// makes visible before the first of them.
#pragma once

#include <functional>
#include <string>

namespace ardv {

// What makes the trace window visible; empty: nothing to show.
void setTraceShower(std::function<void()> show);

// Shows the trace window, then traces `line`.
void diagnosticLine(const std::string& line);

}  // namespace ardv
