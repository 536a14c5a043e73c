// "Type of speaker": Any, Female or Male, which chooses the F0 parameter set
// and the colour of the F0 marks.
#pragma once

#include <QDialog>

class QRadioButton;

namespace ardv::shell {

class SpeakerDialog : public QDialog {
  Q_OBJECT
 public:
  // Starts with the button of `type` (-1 any, 0 female, 1 male) checked.
  explicit SpeakerDialog(int type, QWidget* parent = nullptr);
  // The type of the checked button.
  int chosenType() const;
  QRadioButton* button(int type) const { return buttons_[type + 1]; }

 private:
  QRadioButton* buttons_[3];
};

// Shows the dialog; OK stores the choice in speakerType(). True when it changed.
bool askSpeakerType(QWidget* parent);

}  // namespace ardv::shell
