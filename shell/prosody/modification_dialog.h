// "Rate and F0 modification parameters": the time factor, the PSOLA F0
// factor, the method, the vocoder's phase correction and, when a selection
// is made, whether only the selection is modified; Apply runs the
// modification of the current signal into a result of its own.
#pragma once

#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QRadioButton;
class QScrollBar;

namespace ardv::shell {

struct ModificationChoice {
  double alpha = 1.5;      // time factor, 0.50..3.00
  double k = 1.0;          // F0 factor, 0.50..2.50
  bool vocoder = false;
  bool phaseLocking = true;
  bool selectionOnly = false;  // only the selected samples (when there are)
};

class ModificationDialog : public QDialog {
  Q_OBJECT
 public:
  using Apply = std::function<void(const ModificationChoice&)>;
  ModificationDialog(QWidget* parent, Apply onApply);
  ModificationChoice choice() const;
  // Sets the scroll bars and buttons (tests).
  void setChoice(const ModificationChoice& c);
  void apply();
  // A selection is made or gone: "Only the selection" is offered, checked
  // when a selection appears.
  void setSelectionMade(bool made);

 private:
  void echo();
  Apply apply_;
  QScrollBar* alpha_;
  QScrollBar* k_;
  QLabel* alphaText_;
  QLabel* kText_;
  QRadioButton* psola_;
  QRadioButton* vocoder_;
  QRadioButton* noCorrection_;
  QRadioButton* locking_;
  QCheckBox* selectionOnly_;
  bool selectionMade_ = false;
};

}  // namespace ardv::shell
