// The general options window: autospectro, WindowsWAVfiles, graymode and,
// in debug mode, the debug level.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace ardv::shell {

class OptionsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit OptionsDialog(QWidget* parent = nullptr);
  // Writes the edited values into the program's options and the debug level.
  // Returns true when graymode changed.
  bool apply();

 private:
  QCheckBox* autospectro_;
  QCheckBox* windowsWav_;
  QComboBox* graymode_;
  QSpinBox* debug_ = nullptr;
};

}  // namespace ardv::shell
