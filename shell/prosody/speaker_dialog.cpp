// The speaker-type dialog.
#include "shell/prosody/speaker_dialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "prosody/pitch_types.h"
#include "texts/texts.h"

namespace ardv::shell {

SpeakerDialog::SpeakerDialog(int type, float voicing, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromStdString(text(6910)));
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(QString::fromStdString(text(6920)));
  auto* column = new QVBoxLayout(group);
  const char* names[3] = {"Any", "Female", "Male"};
  for (int i = 0; i < 3; ++i) {
    buttons_[i] = new QRadioButton(names[i]);
    column->addWidget(buttons_[i]);
  }
  button(type == 0 || type == 1 ? type : -1)->setChecked(true);
  layout->addWidget(group);
  // 0 keeps every frame the path calls voiced; higher asks for a more
  // periodic waveform.
  voicing_ = new QDoubleSpinBox;
  voicing_->setRange(0.0, 1.0);
  voicing_->setSingleStep(0.05);
  voicing_->setDecimals(2);
  voicing_->setValue(voicing);
  voicing_->setToolTip("0.45 (the default): the least periodicity of a voiced frame; voiced stretches start and end where the waveform repeats, as Praat's do; 0: every frame the comb calls voiced (earlier versions)");
  auto* form = new QFormLayout;
  form->addRow("Voicing threshold", voicing_);
  layout->addLayout(form);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  box->button(QDialogButtonBox::Cancel)->setText(QString::fromStdString(text(6422)));
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(box);
}

int SpeakerDialog::chosenType() const {
  for (int i = 0; i < 3; ++i)
    if (buttons_[i]->isChecked()) return i - 1;
  return -1;
}

float SpeakerDialog::chosenVoicing() const { return static_cast<float>(voicing_->value()); }

bool askSpeakerType(QWidget* parent) {
  SpeakerDialog dialog(speakerType(), voicingThreshold(), parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  voicingThreshold() = dialog.chosenVoicing();
  const int chosen = dialog.chosenType();
  const bool changed = chosen != speakerType();
  speakerType() = chosen;
  return changed;
}

}  // namespace ardv::shell
