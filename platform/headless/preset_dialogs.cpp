// Preset answers to the core's questions, and the installed dialogs.
#include "platform/headless/preset_dialogs.h"

#include "platform/report.h"

namespace ardv {

bool PresetDialogs::selectFormats(const std::vector<std::string>& profileNames, const std::string& soundFile,
                                  FormatSelection& selection) {
  ++formatQuestions;
  if (cancelFormats) return false;
  FormatSelection chosen = selection;
  if (profileName) {
    int found = -1;
    for (std::size_t i = 0; i < profileNames.size(); ++i) {
      if (profileNames[i] == *profileName) found = static_cast<int>(i);
    }
    if (found < 0) {
      std::string known;
      for (const auto& n : profileNames) known += (known.empty() ? "" : ", ") + n;
      message("No format profile named \"" + *profileName + "\" for " + soundFile +
              (known.empty() ? std::string(" (no profiles are loaded)") : " (known: " + known + ")"));
      return false;
    }
    chosen.profileIndex = found;
  }
  if (labelKind) chosen.labelKind = *labelKind;
  if (annotationKind) chosen.annotationKind = *annotationKind;
  selection = chosen;
  return true;
}

SaveAnswer PresetDialogs::askSaveModifications(const std::string&) {
  ++saveQuestions;
  return saveAnswer;
}

bool PresetDialogs::confirmFileUpdate(const std::string&) {
  ++updateQuestions;
  return updateAnswer;
}

PresetDialogs& presetDialogs() {
  static PresetDialogs d;
  return d;
}

namespace {
Dialogs* installed = nullptr;
}

void setDialogs(Dialogs* d) { installed = d; }

Dialogs& dialogs() { return installed ? *installed : presetDialogs(); }

}  // namespace ardv
