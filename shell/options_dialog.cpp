// General options window.
#include "shell/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSettings>
#include <QSpinBox>
#include <algorithm>
#include <utility>

#include "platform/report.h"
#include "shell/plane_view.h"
#include "signal/program.h"
#include "spectral/spectrogram_params.h"

namespace ardv::shell {
namespace {

const std::pair<const char*, double> kFmaxChoices[] = {
    {"half the sampling rate", 0.0}, {"5 kHz", 5000.0}, {"8 kHz", 8000.0}, {"11 kHz", 11025.0}};

}  // namespace

DisplayOptions& displayOptions() {
  static DisplayOptions options;
  return options;
}

void loadDisplayOptions() {
  QSettings settings;
  DisplayOptions& o = displayOptions();
  o.boundaryLines = settings.value("display/boundaryLines", true).toBool();
  o.selectionTint = settings.value("display/selectionTint", false).toBool();
  o.defaultFmaxHz = settings.value("display/defaultFmaxHz", 0.0).toDouble();
  o.relativeRangeDb = std::clamp(settings.value("display/relativeRangeDb", 0.0).toDouble(), 0.0, 200.0);
  spectroSettings().relativeRangeDb = o.relativeRangeDb;
  PlaneView::setBoundariesShown(o.boundaryLines);
  PlaneView::setSelectionTinted(o.selectionTint);
}

void saveDisplayOptions() {
  QSettings settings;
  const DisplayOptions& o = displayOptions();
  settings.setValue("display/boundaryLines", o.boundaryLines);
  settings.setValue("display/selectionTint", o.selectionTint);
  settings.setValue("display/defaultFmaxHz", o.defaultFmaxHz);
  settings.setValue("display/relativeRangeDb", o.relativeRangeDb);
  spectroSettings().relativeRangeDb = o.relativeRangeDb;
  PlaneView::setBoundariesShown(o.boundaryLines);
  PlaneView::setSelectionTinted(o.selectionTint);
}

OptionsDialog::OptionsDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("General options");
  const auto& options = program().options;
  auto* form = new QFormLayout(this);
  autospectro_ = new QCheckBox("compute the spectrogram of a file opened");
  autospectro_->setChecked(options.autospectro);
  form->addRow("autospectro : ", autospectro_);
  windowsWav_ = new QCheckBox("read \".wav\" and \".ard\" files as WAV (off: through a format profile)");
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
  const DisplayOptions& display = displayOptions();
  boundaryLines_ = new QCheckBox("Boundaries through the spectrogram and the waveform");
  boundaryLines_->setChecked(display.boundaryLines);
  form->addRow(boundaryLines_);
  selectionTint_ = new QCheckBox("See-through selection (instead of inverted)");
  selectionTint_->setChecked(display.selectionTint);
  form->addRow(selectionTint_);
  defaultFmax_ = new QComboBox;
  for (const auto& [label, hz] : kFmaxChoices) defaultFmax_->addItem(label, hz);
  defaultFmax_->setCurrentIndex(std::max(0, defaultFmax_->findData(display.defaultFmaxHz)));
  form->addRow("Upper frequency of a file opened", defaultFmax_);
  relativeRange_ = new QCheckBox("Levels follow the loudest cell of the view, down by");
  relativeRange_->setChecked(display.relativeRangeDb > 0);
  rangeDb_ = new QSpinBox;
  rangeDb_->setRange(10, 200);
  rangeDb_->setSuffix(" dB");
  rangeDb_->setValue(display.relativeRangeDb > 0 ? static_cast<int>(display.relativeRangeDb) : static_cast<int>(kRelativeRangeDb));
  rangeDb_->setEnabled(relativeRange_->isChecked());
  connect(relativeRange_, &QCheckBox::toggled, rangeDb_, &QWidget::setEnabled);
  form->addRow(relativeRange_, rangeDb_);
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
  DisplayOptions& display = displayOptions();
  display.boundaryLines = boundaryLines_->isChecked();
  display.selectionTint = selectionTint_->isChecked();
  display.defaultFmaxHz = defaultFmax_->currentData().toDouble();
  const double range = relativeRange_->isChecked() ? rangeDb_->value() : 0.0;
  const bool rangeChanged = range != display.relativeRangeDb;
  display.relativeRangeDb = range;
  saveDisplayOptions();
  return changed || rangeChanged;
}

}  // namespace ardv::shell
