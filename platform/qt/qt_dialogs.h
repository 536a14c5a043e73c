// The questions the core asks, as dialogs: the "Profile selector" for a file
// not read as WAV, and whether to save pending modifications.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/dialogs.h"

namespace ardv::qt {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  bool selectFormats(const std::vector<std::string>& profileNames, const std::string& soundFile,
                     FormatSelection& selection) override;
  SaveAnswer askSaveModifications(const std::string& fileName) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace ardv::qt
