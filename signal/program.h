// What exists once per running program: the directories found at start-up,
// the settings of ardv.ini, the program-wide options and flags, the current
// signal `en_cours` and its display context `ct`. One context object, so that
// a test can build any state without the GUI.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "labels/notetiqs.h"
#include "signal/buffers.h"
#include "signal/infofile.h"

namespace ardv {

struct Directories {
  std::filesystem::path install;   // the installation directory
  std::filesystem::path helpFile;  // start page of the HTML help
  std::filesystem::path format;    // format profiles and language files
  std::filesystem::path temp;      // temporary signals, results.txt, log.txt
};

// Settings of the "Ardelovox" section of ardv.ini.
struct IniSettings {
  std::string countryFile;
  std::string languageFile;
  std::string phoneticFont;  // empty means the default font
  std::string sndRecorder;   // empty means no external recorder
};

struct Options {
  bool autospectro = true;      // spectrogram computed after loading
  bool WindowsWAVfiles = true;  // ".wav"/".ard" files read as WAV, not through a profile
  bool graymode = true;         // grey levels rather than colours
};

// Display context: sample indices of the current signal, inclusive ends.
struct DisplayContext {
  std::int32_t modeMemoire = 1;  // 1 overview, 3 zoomed in
  std::int32_t tf = 0;           // samples in the signal
  std::int32_t d_e = 0, f_e = 0;    // held in the memory buffer
  std::int32_t d_a = 0, f_a = 0;    // displayed
  std::int32_t d_es = 0, f_es = 0;  // displayed, clipped to memory
  std::int32_t d_sel = -1, f_sel = -1;  // selection; -1, -1 = none
};

struct Program {
  Directories dirs;
  IniSettings settings;
  Options options;
  bool fileLoaded = false;
  infoFile en_cours;
  DisplayContext ct;
  // Samples ct.d_e..ct.f_e of the current signal.
  SHORTbuf memory{0, "memory samples"};
  notetiqs etiq;  // phoneme boundaries
  notetiqs note;  // word boundaries
  bool etiqSaveable = false;  // the phoneme list may be written where it came from
  bool noteSaveable = false;  // the word list likewise
  bool annotationsModified = false;  // either list changed since it was read or saved
};

// The running program's context.
Program& program();

}  // namespace ardv
