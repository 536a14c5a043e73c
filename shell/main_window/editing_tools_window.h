// The "Editing tools" window: in-place edits of the selection (Damp left,
// Damp right, Damp middle by a factor, noise at a chosen SNR, FIR low-pass
// or high-pass filter), each undone by Edit > Cancel.
#pragma once

#include <QWidget>
#include <functional>

class QComboBox;
class QDoubleSpinBox;
class QPushButton;

namespace ardv::shell {

class MainWindow;

class EditingToolsWindow : public QWidget {
  Q_OBJECT
 public:
  explicit EditingToolsWindow(MainWindow& main);

  QDoubleSpinBox* factor() const { return factor_; }
  QDoubleSpinBox* snr() const { return snr_; }
  QDoubleSpinBox* cutoff() const { return cutoff_; }
  QComboBox* filterKind() const { return filterKind_; }
  // The button whose text is `caption`; nullptr when absent.
  QPushButton* button(const QString& caption) const;

 private:
  // Runs an edit, then lets the main window update its commands and lines.
  void run(const std::function<bool()>& edit);

  MainWindow& main_;
  QDoubleSpinBox* factor_ = nullptr;
  QDoubleSpinBox* snr_ = nullptr;
  QDoubleSpinBox* cutoff_ = nullptr;
  QComboBox* filterKind_ = nullptr;
};

}  // namespace ardv::shell
