// The questions of the core as the desktop program asks them: the profile
// selector, and the "Modifications" question and its smaller
// "Update the file" form in the interface texts 1020-1026.
#pragma once

#include "platform/qt/qt_dialogs.h"

namespace ardv::shell {

class ShellDialogs : public qt::QtDialogs {
 public:
  using qt::QtDialogs::QtDialogs;
  // Caption 1020, text 1021 and the file name; buttons 1022 (Save), 1023
  // (DontSave), 1024 (Cancel, also Escape and the close button).
  SaveAnswer askSaveModifications(const std::string& fileName) override;
  // Caption 1025, text 1026 and the file name; buttons 1022 and 1024.
  bool confirmFileUpdate(const std::string& fileName) override;

 protected:
  // The profile selector's caption (text 4402) and file prefix (text 4410).
  QString selectorCaption() const override;
  QString filePrefix() const override;
};

}  // namespace ardv::shell
