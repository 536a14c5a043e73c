// The energy options window.
#include "shell/prosody/energy_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include "prosody/energy.h"
#include "signal/program.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

// Texts 8540..8544 label eLow, eHigh, fLow, fHigh and windowMs.
float& member(EnergyParams& p, int textNumber) {
  switch (textNumber) {
    case 8540: return p.eLow;
    case 8541: return p.eHigh;
    case 8542: return p.fLow;
    case 8543: return p.fHigh;
    default: return p.windowMs;
  }
}

double currentRate() { return program().fileLoaded ? program().en_cours.frequence : 0.0; }

}  // namespace

EnergyDialog::EnergyDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromStdString(text(8545)));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* form = new QFormLayout(this);
  for (int i = 0; i < 5; ++i) {
    const int number = 8540 + i;
    auto* box = new QDoubleSpinBox;
    box->setRange(number == 8544 ? 0.0 : -1e6, 1e6);
    box->setDecimals(number == 8544 ? 2 : 1);
    box->setKeyboardTracking(false);  // a value counts once it is entered
    connect(box, &QDoubleSpinBox::valueChanged, this, [this, number](double v) { edited(number, v); });
    form->addRow(QString::fromStdString(text(number)), box);
    fields_[i] = box;
  }
  windowed_ = new QCheckBox("Hamming window");
  connect(windowed_, &QCheckBox::toggled, this, [](bool on) { energyParams().windowed = on; });
  form->addRow(windowed_);
  note_ = new QLabel;
  note_->setWordWrap(true);
  form->addRow(note_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close | QDialogButtonBox::RestoreDefaults);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this, [this] {
    const double fs = currentRate();
    EnergyParams& p = energyParams();
    if (fs > 0)
      energyDefaults(p, fs);
    else
      p = EnergyParams{};
    note_->clear();
    reload();
  });
  form->addRow(buttons);
  reload();
}

QDoubleSpinBox* EnergyDialog::field(int textNumber) const {
  return textNumber >= 8540 && textNumber <= 8544 ? fields_[textNumber - 8540] : nullptr;
}

void EnergyDialog::reload() {
  EnergyParams& p = energyParams();
  for (int i = 0; i < 5; ++i) {
    const QSignalBlocker block(fields_[i]);
    fields_[i]->setValue(member(p, 8540 + i));
  }
  const QSignalBlocker block(windowed_);
  windowed_->setChecked(p.windowed);
}

void EnergyDialog::edited(int textNumber, double value) {
  EnergyParams& p = energyParams();
  member(p, textNumber) = static_cast<float>(value);
  const double fs = currentRate();
  std::string note;
  if (fs > 0) {
    if (textNumber == 8542) note = checkEnergyLow(p, fs);
    if (textNumber == 8543) note = checkEnergyHigh(p, fs);
    if (textNumber == 8544) note = checkEnergyWindow(p, fs);
  } else {
    // Without a signal only the checks that need no sampling rate apply.
    if (textNumber == 8542 && p.fLow > p.fHigh) p.fLow = std::max(p.fHigh - 1000, 0.0f);
    if (textNumber == 8543 && p.fHigh < p.fLow) p.fHigh = p.fLow + 1000;
    if (textNumber == 8544 && p.windowMs <= 0) p.windowMs = 16;
  }
  note_->setText(QString::fromStdString(note));
  reload();
}

}  // namespace ardv::shell
