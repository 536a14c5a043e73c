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
  bool selectSoundFormat(const std::vector<std::string>& profileNames, const std::string& soundFile,
                         FormatSelection& selection) override;
  SaveAnswer askSaveModifications(const std::string& fileName) override;

 protected:
  // The selector's caption and what each file display starts with.
  virtual QString selectorCaption() const { return "Profile selector"; }
  virtual QString filePrefix() const { return "File: "; }

 private:
  // Both selectors: the label-file rows only when `labels` is given.
  bool selector(const std::vector<std::string>& profileNames, const std::string& soundFile, FormatSelection& selection,
                bool labels);
  QPointer<QWidget> parent_;
};

}  // namespace ardv::qt
