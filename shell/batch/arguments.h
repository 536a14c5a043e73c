// The command line of ardv: a file to open, or batch mode (a screenshot of
// the windows after scripted commands, or timings of the main job).
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace ardv::shell {

struct Arguments {
  std::string file;
  std::optional<std::string> profile;  // format profile of a file not read as WAV
  std::string screenshot;  // PNG of the main window after loading, then exit
  bool bench = false;      // print timings of opening and redrawing, then exit
  int kind = 0;            // spectrogram kind for the screenshot (0: current)
  std::optional<bool> gray;
  double selectFrom = -1, selectTo = -1;  // selection in ms for the screenshot
  bool zoom = false;                      // zoom in on that selection first
  bool f0 = false;                        // F0 for the screen over the spectrogram
  bool perceptual = false;                // critical bands on the perceptual axis
  double annotatorMs = -1;  // also OUT-annotator.png: the annotator on the segment there
  bool tools = false;       // also OUT-tools.png: the editing tools window
  std::vector<int> commands;              // menu commands run before the screenshot
  double formantCeilingHz = -1;           // >= 0: the formant options' ceiling (0 automatic)
  std::string answer;                     // the file every file question of those commands gets
  std::vector<std::string> keys;          // shortcuts pressed before the screenshot
  double pointerMs = -1, pointerHz = -1;  // the pointer placed there for the readouts
  bool tint = false;                      // see-through selection
  double rangeDb = 0;                     // > 0: levels follow the loudest cell, down by this
  std::string klatt;  // also OUT-klatt.png: the formant window on this parameter file, synthesized
  std::vector<double> klattDrags;  // MS FROM TO: drag the F2 point at MS from FROM to TO Hz first
  std::vector<double> klattDraws;  // FROM_MS TO_MS HZ: Shift+drag a new F2 stretch at HZ
  std::string klattCopy;  // a formant listing opened in the formant window, then Get F0 and Copy synthesis
  std::vector<int> klattCommands;  // formant-window commands run last (the window opened if need be)
};

void usage(std::FILE* out);
// The arguments, or nothing when they are not understood. --help and
// --version print and exit.
std::optional<Arguments> parse(int argc, char** argv);

}  // namespace ardv::shell
