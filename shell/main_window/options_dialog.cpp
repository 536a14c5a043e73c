// General options window.
#include "shell/main_window/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <algorithm>
#include <utility>

#include "platform/report.h"
#include "signal/program.h"

namespace ardv::shell {
namespace {

const std::pair<const char*, double> kFmaxChoices[] = {
    {"half the sampling rate", 0.0}, {"5 kHz", 5000.0}, {"8 kHz", 8000.0}, {"11 kHz", 11025.0}};

}  // namespace

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
  longestSpectrogram_ = new QSpinBox;
  longestSpectrogram_->setRange(1, static_cast<int>(kLongestSpectrogramMaxS));
  longestSpectrogram_->setSuffix(" s");
  longestSpectrogram_->setValue(static_cast<int>(display.longestSpectrogramS));
  longestSpectrogram_->setObjectName("longestSpectrogram");
  form->addRow("Spectrogram of views up to", longestSpectrogram_);
  overview_ = new QCheckBox("Overview of the whole file above the scroll bar");
  overview_->setChecked(display.overview);
  form->addRow(overview_);
  autoscale_ = new QCheckBox("Waveform scaled to the loudest sample of the view");
  autoscale_->setChecked(display.autoscaleWaveform);
  autoscale_->setObjectName("autoscaleWaveform");
  form->addRow(autoscale_);
  f0Speech_ = new QCheckBox("F0 axis over the speaker's range (off: 0 Hz to the fixed top)");
  f0Speech_->setChecked(display.f0SpeechRange);
  form->addRow(f0Speech_);
  smoothing_ = new QSpinBox;
  smoothing_->setRange(1, 51);
  smoothing_->setSingleStep(2);
  smoothing_->setSuffix(" points");
  smoothing_->setValue(display.energySmoothing);
  form->addRow("Energy curve averaged over", smoothing_);
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
  display.longestSpectrogramS = longestSpectrogram_->value();
  display.overview = overview_->isChecked();
  display.autoscaleWaveform = autoscale_->isChecked();
  display.f0SpeechRange = f0Speech_->isChecked();
  display.energySmoothing = smoothing_->value();
  saveDisplayOptions();
  return changed || rangeChanged;
}

}  // namespace ardv::shell
