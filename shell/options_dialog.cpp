// General options window.
#include "shell/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

#include "platform/report.h"
#include "signal/program.h"

namespace ardv::shell {

OptionsDialog::OptionsDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("General options");
  const auto& options = program().options;
  auto* form = new QFormLayout(this);
  autospectro_ = new QCheckBox;
  autospectro_->setChecked(options.autospectro);
  form->addRow("autospectro : ", autospectro_);
  windowsWav_ = new QCheckBox;
  windowsWav_->setChecked(options.WindowsWAVfiles);
  form->addRow("WindowsWAVfiles : ", windowsWav_);
  graymode_ = new QComboBox;
  graymode_->addItems({"colors", "gray"});
  graymode_->setCurrentIndex(options.graymode ? 1 : 0);
  form->addRow("graymode : ", graymode_);
  if (debugMode()) {
    debug_ = new QSpinBox;
    debug_->setRange(0, 100);
    debug_->setValue(debugLevel());
    form->addRow("debug", debug_);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

bool OptionsDialog::apply() {
  auto& options = program().options;
  options.autospectro = autospectro_->isChecked();
  options.WindowsWAVfiles = windowsWav_->isChecked();
  const bool gray = graymode_->currentIndex() == 1;
  const bool changed = gray != options.graymode;
  options.graymode = gray;
  if (debug_) setDebugLevel(debug_->value());
  return changed;
}

}  // namespace ardv::shell
