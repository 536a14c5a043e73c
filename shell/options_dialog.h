// The general options window: autospectro, WindowsWAVfiles, graymode and,
// in debug mode, the debug level; then the window's display options.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace ardv::shell {

// Display options of the main window, kept in the user's settings.
struct DisplayOptions {
  bool boundaryLines = true;   // phoneme and word boundaries through the planes
  bool selectionTint = false;  // see-through selection instead of the inverted one
  double defaultFmaxHz = 0;    // upper display frequency of a file opened; 0: half its rate
};
DisplayOptions& displayOptions();
// Reads them from / writes them to the settings and applies them to the planes.
void loadDisplayOptions();
void saveDisplayOptions();

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
  QCheckBox* boundaryLines_;
  QCheckBox* selectionTint_;
  QComboBox* defaultFmax_;
};

}  // namespace ardv::shell
