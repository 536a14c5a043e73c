// ardv --screenshot: the main window and the windows the scripted commands
// opened, each saved as a PNG beside the named one once they are drawn.
#pragma once

#include "shell/batch/arguments.h"

namespace ardv::shell {

class MainWindow;

// Runs the arguments' selections, commands, keys and formant-window gestures
// on `window`, then saves the images and quits; a failure sets `exitCode`.
void takeScreenshots(MainWindow& window, const Arguments& args, int& exitCode);

}  // namespace ardv::shell
