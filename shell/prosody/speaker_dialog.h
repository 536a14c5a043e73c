// "Type of speaker": Any, Female or Male, which chooses the F0 parameter set
// and the colour of the F0 marks, and the voicing threshold of the F0
// analyses.
#pragma once

#include <QDialog>

#include "prosody/pitch_types.h"

class QDoubleSpinBox;
class QRadioButton;

namespace ardv::shell {

class SpeakerDialog : public QDialog {
  Q_OBJECT
 public:
  // Starts with the button of `type` (-1 any, 0 female, 1 male) checked and
  // the voicing threshold at `voicing` (0..1).
  explicit SpeakerDialog(int type, float voicing = kDefaultVoicingThreshold, QWidget* parent = nullptr);
  // The type of the checked button.
  int chosenType() const;
  float chosenVoicing() const;
  QRadioButton* button(int type) const { return buttons_[type + 1]; }
  QDoubleSpinBox* voicing() const { return voicing_; }

 private:
  QRadioButton* buttons_[3];
  QDoubleSpinBox* voicing_;
};

// Shows the dialog; OK stores the choices in speakerType() and
// voicingThreshold(). True when the speaker type changed.
bool askSpeakerType(QWidget* parent);

}  // namespace ardv::shell
