// The commands of the main window's menu "COMMANDE" as data: number, menu,
// text, keyboard accelerator and what a command needs before it can run.
// The window binds an operation to each number it serves; the others are
// listed as not available yet and shown disabled.
#pragma once

#include <span>
#include <string>

namespace ardv::shell {

enum class Needs {
  Nothing,    // always available
  File,       // a current signal is loaded
  Selection,  // a current signal with a mouse selection
};

struct CommandSpec {
  int id;
  const char* menu;         // menu path, submenus separated by '/'
  const char* text;         // menu text: '&' marks the mnemonic, '\t' starts the accelerator text
  const char* accelerator;  // key sequence in portable text form ("Ctrl+O"); "" for none
  Needs needs;
};

// Every command of the main menu, in menu order.
std::span<const CommandSpec> mainCommands();

// The command of this number; nullptr when absent.
const CommandSpec* findCommand(int id);

// The numbers whose operation is not built yet: present, disabled, with a
// tooltip saying so.
std::span<const int> commandsNotYetAvailable();
bool isNotYetAvailable(int id);

// Menu text without the accelerator part ("&Open\tCtrll O" -> "&Open").
std::string menuLabel(const CommandSpec& command);

// Extra accelerators beyond the menu ones: plain C copies (command 23).
struct ExtraAccelerator {
  int id;
  const char* keys;
};
std::span<const ExtraAccelerator> extraAccelerators();

// Command numbers the window's code refers to by name.
enum CommandId : int {
  kCmdOpen = 12,
  kCmdQuit = 19,
  kCmdRedo = 26,
  kCmdZoomIn = 204,
  kCmdRecord = 141,
  kCmdPlayMany = 200,
  kCmdPlay = 201,
  kCmdPlayFile = 202,
  kCmdGoTo = 205,
  kCmdZoomOut = 206,
  kCmdCopySignalBitmap = 11854,
  kCmdMeasurementPanel = 11891,
  kCmdSegmentTable = 11892,
  kCmdWideBand = 31,
  kCmdNarrowBand = 32,
  kCmdLinearPrediction = 33,
  kCmdCepstral = 34,
  kCmdCriticalBands = 11852,
  kCmdReassigned = 11849,
  kCmdCopySpectroBitmap = 11857,
  kCmdClear = 37,
  kCmdKeepDecoration = 38,
  kCmdClearDecorations = 39,
  kCmdSpectroDetails = 308,
  kCmdCurrentKindOptions = 307,
  kCmdFrequency = 203,
  kCmdGlottalClosure = 11858,
  kCmdDetails = 70,
  kCmdColourMap = 71,
  kCmdGeneralOptions = 72,
  kCmdAppendResults = 73,
  kCmdShowLog = 74,
  kCmdShowResults = 75,
  kCmdHelp = 81,
  kCmdUsingHelp = 82,
  kCmdAbout = 83,
};

}  // namespace ardv::shell
