// The modification parameters dialog.
#include "shell/prosody/modification_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <cmath>

namespace ardv::shell {
namespace {

QScrollBar* factorBar(int lo, int hi, int value, QWidget* parent) {
  auto* bar = new QScrollBar(Qt::Horizontal, parent);
  bar->setRange(lo, hi);
  bar->setSingleStep(1);
  bar->setPageStep(10);
  bar->setValue(value);
  bar->setMinimumWidth(220);
  return bar;
}

}  // namespace

ModificationDialog::ModificationDialog(QWidget* parent, Apply onApply) : QDialog(parent), apply_(std::move(onApply)) {
  setWindowTitle("Rate and F0 modification parameters");
  alpha_ = factorBar(50, 300, 150, this);
  k_ = factorBar(50, 250, 100, this);
  alphaText_ = new QLabel(this);
  kText_ = new QLabel(this);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Time factor (slower if >1)  :", this), 0, 0);
  grid->addWidget(alpha_, 0, 1);
  grid->addWidget(alphaText_, 0, 2);
  grid->addWidget(new QLabel("PSOLA FO factor (higher if >1) :", this), 1, 0);
  grid->addWidget(k_, 1, 1);
  grid->addWidget(kText_, 1, 2);
  auto* method = new QGroupBox(this);
  psola_ = new QRadioButton("PSOLA", method);
  vocoder_ = new QRadioButton("Phase vocoder", method);
  psola_->setChecked(true);
  auto* ml = new QVBoxLayout(method);
  ml->addWidget(psola_);
  ml->addWidget(vocoder_);
  auto* phase = new QGroupBox(this);
  noCorrection_ = new QRadioButton("No correction", phase);
  locking_ = new QRadioButton("Identity phase locking", phase);
  locking_->setChecked(true);
  auto* pl = new QVBoxLayout(phase);
  pl->addWidget(noCorrection_);
  pl->addWidget(locking_);
  selectionOnly_ = new QCheckBox("Only the selection (the rest copied unchanged)", this);
  selectionOnly_->setObjectName("selectionOnly");
  selectionOnly_->setEnabled(false);
  auto* applyButton = new QPushButton("Apply", this);
  auto* close = new QPushButton("Close", this);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(applyButton);
  buttons->addWidget(close);
  auto* choices = new QHBoxLayout;
  choices->addWidget(method);
  choices->addWidget(phase);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(choices);
  layout->addWidget(selectionOnly_);
  layout->addLayout(buttons);
  connect(alpha_, &QScrollBar::valueChanged, this, [this] { echo(); });
  connect(k_, &QScrollBar::valueChanged, this, [this] { echo(); });
  connect(psola_, &QRadioButton::toggled, this, [this] { echo(); });
  connect(applyButton, &QPushButton::clicked, this, [this] { apply(); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  echo();
}

void ModificationDialog::echo() {
  alphaText_->setText(QString::asprintf("%.2f", 0.01 * alpha_->value()));
  kText_->setText(QString::asprintf("%.2f", 0.01 * k_->value()));
  const bool vocoder = vocoder_->isChecked();
  noCorrection_->setEnabled(vocoder);
  locking_->setEnabled(vocoder);
  k_->setEnabled(!vocoder);
}

ModificationChoice ModificationDialog::choice() const {
  return {0.01 * alpha_->value(), 0.01 * k_->value(), vocoder_->isChecked(), locking_->isChecked(),
          selectionMade_ && selectionOnly_->isChecked()};
}

void ModificationDialog::setChoice(const ModificationChoice& c) {
  alpha_->setValue(static_cast<int>(std::lround(c.alpha * 100)));
  k_->setValue(static_cast<int>(std::lround(c.k * 100)));
  (c.vocoder ? vocoder_ : psola_)->setChecked(true);
  (c.phaseLocking ? locking_ : noCorrection_)->setChecked(true);
  selectionOnly_->setChecked(c.selectionOnly);
  echo();
}

void ModificationDialog::setSelectionMade(bool made) {
  if (made && !selectionMade_) selectionOnly_->setChecked(true);
  if (!made) selectionOnly_->setChecked(false);
  selectionOnly_->setEnabled(made);
  selectionMade_ = made;
}

void ModificationDialog::apply() {
  if (apply_) apply_(choice());
}

}  // namespace ardv::shell
