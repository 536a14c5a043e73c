// ardv --bench FILE: the window's actions on FILE timed under each
// spectrogram kind.
#pragma once

#include <string>

namespace ardv::shell {

class MainWindow;

void runBench(MainWindow& window, const std::string& file);

}  // namespace ardv::shell
