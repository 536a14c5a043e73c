// The general options window: autospectro, WindowsWAVfiles, graymode and,
// in debug mode, the debug level; then the window's display options.
#pragma once

#include <QDialog>

#include "shell/panes/display_options.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace ardv::shell {

class OptionsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit OptionsDialog(QWidget* parent = nullptr);
  // Writes the edited values into the program's options and the debug level.
  // Returns true when graymode or the level range changed.
  bool apply();

 private:
  QCheckBox* autospectro_;
  QCheckBox* windowsWav_;
  QComboBox* graymode_;
  QSpinBox* debug_ = nullptr;
  QCheckBox* boundaryLines_;
  QCheckBox* selectionTint_;
  QComboBox* defaultFmax_;
  QCheckBox* relativeRange_;
  QSpinBox* rangeDb_;
  QSpinBox* longestSpectrogram_;
  QCheckBox* overview_;
  QCheckBox* autoscale_;
  QCheckBox* f0Speech_;
  QSpinBox* smoothing_;
};

}  // namespace ardv::shell
