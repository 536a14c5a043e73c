// The questions the core asks the user: which format profile and label-file
// kinds go with a file that is not read as WAV ("Profile selector"), and
// whether to save pending modifications first. The shell answers with
// dialogs; the command line and the tests with preset answers
// (platform/headless/preset_dialogs.h).
#pragma once

#include <string>
#include <vector>

namespace ardv {

// The three choices of the profile selector and the two label files shown
// beside them (a "Choose a file" button may replace them).
struct FormatSelection {
  int profileIndex = 0;    // index into the profile table
  int labelKind = 0;       // 0 NONE, 1 QERN, 2 NIST, 3 SAM, 4 ALIGN
  int annotationKind = 0;  // 0 NONE, 1 VECSYS, 2 NIST, 3 SAM, 4 NOISEX
  std::string labelFile;       // phoneme label file
  std::string annotationFile;  // word annotation file
  std::string soundFile;       // set when "Choose a file" replaced the signal file
};

enum class SaveAnswer {
  Save,      // save the modifications, then go on
  DontSave,  // drop them and go on
  Cancel     // neither save nor go on
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The profile selector for the signal file `soundFile`, offering
  // `profileNames` (in table order). `selection` holds the initial choices;
  // on OK it holds the user's and the result is true. False: cancelled,
  // `selection` unchanged.
  virtual bool selectFormats(const std::vector<std::string>& profileNames, const std::string& soundFile,
                             FormatSelection& selection) = 0;
  // The smaller selector: the sound file's profile only (profileIndex and
  // soundFile of `selection`). By default the choice of selectFormats.
  virtual bool selectSoundFormat(const std::vector<std::string>& profileNames, const std::string& soundFile,
                                 FormatSelection& selection) {
    FormatSelection all = selection;
    if (!selectFormats(profileNames, soundFile, all)) return false;
    selection.profileIndex = all.profileIndex;
    selection.soundFile = all.soundFile;
    return true;
  }
  // Asks whether to save the modifications of `fileName` before going on.
  virtual SaveAnswer askSaveModifications(const std::string& fileName) = 0;
  // The smaller question before an edit that must rewrite `fileName` itself
  // ("WUpdateOrNothing"): true for OK, false for Cancel. By default the
  // Save answer of askSaveModifications counts as OK.
  virtual bool confirmFileUpdate(const std::string& fileName) {
    return askSaveModifications(fileName) == SaveAnswer::Save;
  }
};

// Installs the dialogs (not owned); nullptr restores the headless ones, whose
// answers are preset (see presetDialogs()).
void setDialogs(Dialogs* dialogs);
Dialogs& dialogs();

}  // namespace ardv
