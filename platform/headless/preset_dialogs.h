// Headless dialogs: the answers are set in advance (by command-line options or
// by a test), and every question asked is counted.
#pragma once

#include <optional>
#include <string>

#include "platform/dialogs.h"

namespace ardv {

class PresetDialogs : public Dialogs {
 public:
  // Profile chosen by name; unset keeps the initial choice. A name that is not
  // in the table gives a message and counts as a cancel.
  std::optional<std::string> profileName;
  std::optional<int> labelKind;       // unset keeps the initial choice
  std::optional<int> annotationKind;  // unset keeps the initial choice
  bool cancelFormats = false;         // answer the profile selector with Cancel
  SaveAnswer saveAnswer = SaveAnswer::DontSave;
  bool updateAnswer = true;  // answer to confirmFileUpdate

  int formatQuestions = 0;
  int saveQuestions = 0;
  int updateQuestions = 0;

  bool selectFormats(const std::vector<std::string>& profileNames, const std::string& soundFile,
                     FormatSelection& selection) override;
  SaveAnswer askSaveModifications(const std::string& fileName) override;
  bool confirmFileUpdate(const std::string& fileName) override;
};

// The headless dialogs used while no other dialogs are installed.
PresetDialogs& presetDialogs();

}  // namespace ardv
