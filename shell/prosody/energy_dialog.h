// Energy options: the five energy parameters and the analysis-window flag,
// edited in place with the corrections of each field; modeless, one at a time.
#pragma once

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;

namespace ardv::shell {

class EnergyDialog : public QDialog {
  Q_OBJECT
 public:
  explicit EnergyDialog(QWidget* parent = nullptr);
  // The field of interface text `textNumber` (8540 to 8544).
  QDoubleSpinBox* field(int textNumber) const;
  // Shows the current parameters again.
  void reload();

 private:
  void edited(int textNumber, double value);
  QDoubleSpinBox* fields_[5];
  QCheckBox* windowed_;
  QLabel* note_;
};

}  // namespace ardv::shell
