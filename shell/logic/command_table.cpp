// The main menu's commands and accelerators.
#include "shell/logic/command_table.h"

#include <algorithm>
#include <array>

namespace ardv::shell {
namespace {

constexpr Needs N = Needs::Nothing;
constexpr Needs F = Needs::File;
constexpr Needs S = Needs::Selection;

constexpr CommandSpec kCommands[] = {
    {11844, "Files/New", "&Zero", "", N},
    {11, "Files/New", "&Empty\t Ctrl N", "Ctrl+N", N},
    {12, "Files", "&Open\tCtrll O", "Ctrl+O", N},
    {13, "Files", "&Save\tCtrl S", "Ctrl+S", F},
    {14, "Files", "Save &as", "", F},
    {141, "Files", "Record", "", N},
    {15, "Files", "&Copy to file\tCtrl F", "Ctrl+Shift+F", S},
    {16, "Files", "&Paste from file", "", F},
    {11890, "Files", "Export &figure...", "", F},
    {11856, "Files", "Remove DC", "", F},
    {19, "Files", "&Quit", "Ctrl+Shift+Q", N},
    {21, "Edit", "&Cancel\tCtrl Z", "Ctrl+Z", F},
    {22, "Edit", "C&ut\tCtrl X", "Ctrl+X", S},
    {23, "Edit", "C&opy\tCtrl C", "Ctrl+C", S},
    {24, "Edit", "&Paste\tCtrl V", "Ctrl+V", F},
    {25, "Edit", "&Delete", "Ctrl+K", S},
    {26, "Edit", "&Redo", "Ctrl+Y", F},
    {11843, "Edit", "&Editing tools", "", F},
    {201, "Edit", "&Play\tCtrl P", "Ctrl+P", F},
    {200, "Edit", "Pla&y many", "", F},
    {202, "Edit", "&Play the file", "", F},
    {204, "Edit", "&Zoom in\t  Ctrl I", "Ctrl+I", F},
    {206, "Edit", "Zoo&m out\t  Ctrl Q", "Ctrl+Q", F},
    {205, "Edit", "&Go to", "", F},
    {11848, "Edit", "Get speech start", "", F},
    {11845, "Edit", "&Resampling", "", F},
    {203, "Edit", "&Frequency", "", F},
    {11854, "Edit", "Cop&y to clipboard", "", F},
    {31, "Spectro", "&Wide band", "", F},
    {32, "Spectro", "&Narrow band", "", F},
    {11852, "Spectro", "&Critical bands ", "", F},
    {33, "Spectro", "&Linear prediction", "", F},
    {34, "Spectro", "&Cepstral smoothing", "", F},
    {11849, "Spectro", "&Reassigned ", "", F},
    {11857, "Spectro", "Copy spectro to clipb&oard", "", F},
    {11850, "Spectro", "Save spectrogram (pgm image)", "", F},
    {37, "Spectro", "Cl&ear", "", F},
    {38, "Spectro", "&Keep decoration", "", F},
    {39, "Spectro", "Cle&ar decorations", "", F},
    {308, "Spectro", "&Details", "", N},
    {309, "Spectro/Options", "&Upper disp. frequency", "", N},
    {301, "Spectro/Options", "&Wide band", "", N},
    {302, "Spectro/Options", "&Narrow band", "", N},
    {11853, "Spectro/Options", "&Critical bands", "", N},
    {303, "Spectro/Options", "&Linear prediction", "", N},
    {11847, "Spectro/Options", "&Reassigned", "", N},
    {304, "Spectro/Options", "&Cepstral smoothing", "", N},
    {11851, "Spectro/Options", "&Save spectrogram", "", N},
    {307, "", "", "", N},
    {41, "Phonemes", "&Read", "", F},
    {43, "Phonemes", "&Save as", "", F},
    {48, "Phonemes", "S&earch for a phoneme", "", F},
    {49, "Phonemes", "&Explore a directory", "", N},
    {44, "Phonemes", "&Mouse help", "", N},
    {51, "Words", "&Read", "", F},
    {52, "Words", "&Save as", "", F},
    {57, "Words", "&Search for a word", "", F},
    {58, "Words", "&Explore a directory", "", N},
    {53, "Words", "&Mouse help", "", N},
    {61, "Formants", "&Formants F1 F2 F3", "", F},
    {62, "Formants", "Display &cepstral peaks", "", F},
    {11855, "Formants", "Display &true envelope peaks", "", F},
    {63, "Formants", "Display &lpc roots", "", F},
    {66, "Formants", "&Spectral slice", "", F},
    {67, "Formants", "Klatt synthesizer", "", N},
    {65, "Formants", "O&ptions", "", N},
    {917, "Prosody", "&Type of speaker", "", N},
    {922, "Prosody", "F0 for the screen", "", F},
    {919, "Prosody", "&F0 for the whole file", "", F},
    {11846, "Prosody", "F0 for a corpus", "", N},
    {604, "Prosody", "Display F0 scale", "", F},
    {913, "Prosody", "&Open a pitch file", "", F},
    {916, "Prosody", "&Display pitch values", "", F},
    {914, "Prosody", "&Time scale modifications", "", F},
    {605, "Prosody", "F0 contour modifications", "", F},
    {910, "Prosody/Energy", "&Energy options", "", N},
    {909, "Prosody/Energy", "&Energy for the whole file", "", F},
    {911, "Prosody/Energy", "&Display energy", "", F},
    {11842, "Prosody/Energy", "&Display scale", "", F},
    {918, "Prosody/Marks", "&Pitch marker", "", F},
    {915, "Prosody/Marks", "&Display marks", "", F},
    {11858, "Prosody", "Glottal closure instants", "", N},
    {11891, "Prosody", "&Measurement panel", "Ctrl+M", F},
    {11892, "Prosody", "Measure &segments", "", F},
    {70, "Miscellaneous", "&Details", "", N},
    {71, "Miscellaneous", "&Color map", "", N},
    {72, "Miscellaneous", "&General options", "", N},
    {75, "Miscellaneous", "&Show results", "", N},
    {73, "Miscellaneous", "&Append results to log", "", N},
    {74, "Miscellaneous", "Show &log", "", N},
    {76, "Miscellaneous/My functions", "My function &1", "", N},
    {77, "Miscellaneous/My functions", "My function &2", "", N},
    {81, "?", "&Help", "", N},
    {82, "?", "&Using help", "", N},
    {83, "?", "&About", "", N},
};

// Operations of subsystems not built yet.
constexpr int kNotYet[] = {
    76, 77,                                                   // user hooks
};

constexpr ExtraAccelerator kExtra[] = {{23, "C"}, {26, "Ctrl+Shift+Z"}};

}  // namespace

std::span<const CommandSpec> mainCommands() { return kCommands; }

const CommandSpec* findCommand(int id) {
  for (const auto& c : kCommands)
    if (c.id == id) return &c;
  return nullptr;
}

std::span<const int> commandsNotYetAvailable() { return kNotYet; }

bool isNotYetAvailable(int id) { return std::find(std::begin(kNotYet), std::end(kNotYet), id) != std::end(kNotYet); }

std::string menuLabel(const CommandSpec& command) {
  std::string label = command.text;
  const auto tab = label.find('\t');
  if (tab != std::string::npos) label.erase(tab);
  while (!label.empty() && label.back() == ' ') label.pop_back();
  return label;
}

std::span<const ExtraAccelerator> extraAccelerators() { return kExtra; }

}  // namespace ardv::shell
