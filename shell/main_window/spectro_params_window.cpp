// Spectrogram parameter windows and option dialogs.
#include "shell/main_window/spectro_params_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <cmath>

#include "platform/report.h"
#include "signal/program.h"
#include "spectral/spectrogram_image.h"
#include "spectral/spectrogram_params.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

double samplingFrequency() {
  const auto& prog = program();
  return prog.fileLoaded && prog.en_cours.frequence > 0 ? prog.en_cours.frequence : 16000.0;
}

// A record the analysis cannot compute at the current rate is refused with its reason.
bool acceptBands(const SpectroParams& next) {
  std::string why;
  if (spectroSettingsComputable(next, samplingFrequency(), why)) return true;
  message(why);
  return false;
}

}  // namespace

std::string spectroParamsTitle(int kind) {
  switch (kind) {
    case 1: return text(8523);
    case 2: return text(8524);
    case 3: return text(8529);
    case 4: return text(8525);
    case 5: return text(8526);
    case 6: return text(8552);
    default: return std::string();
  }
}

SpectroParamsWindow::SpectroParamsWindow(int kind, std::function<void(int)> changed, QWidget* parent)
    : QDialog(parent), kind_(kind), changed_(std::move(changed)) {
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromStdString(spectroParamsTitle(kind)));
  // Wide enough for the title and the window buttons.
  setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 140);
  spectroSettings()[kind].windowOpen = true;
  build();
  reload();
}

SpectroParamsWindow::~SpectroParamsWindow() { spectroSettings()[kind_].windowOpen = false; }

void SpectroParamsWindow::reload() {
  for (auto& load : loaders_) load();
}

void SpectroParamsWindow::build() {
  form_ = new QFormLayout(this);
  const int kind = kind_;
  auto record = [kind]() -> SpectroParams& { return spectroSettings()[kind]; };
  auto edited = [this] {
    if (changed_) changed_(kind_);
  };
  auto addCheck = [&](const std::string& label, bool SpectroParams::*field) {
    auto* box = new QCheckBox;
    form_->addRow(QString::fromStdString(label), box);
    loaders_.push_back([box, record, field] {
      const QSignalBlocker block(box);
      box->setChecked(record().*field);
    });
    connect(box, &QCheckBox::toggled, this, [record, field, edited](bool on) {
      record().*field = on;
      edited();
    });
  };
  auto addReal = [&](const std::string& label, float SpectroParams::*field, double low, double high, int decimals) {
    auto* box = new QDoubleSpinBox;
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setKeyboardTracking(false);
    form_->addRow(QString::fromStdString(label), box);
    loaders_.push_back([box, record, field] {
      const QSignalBlocker block(box);
      box->setValue(record().*field);
    });
    connect(box, &QDoubleSpinBox::valueChanged, this, [record, field, edited](double v) {
      record().*field = static_cast<float>(v);
      edited();
    });
  };
  auto addInt = [&](const std::string& label, std::int32_t SpectroParams::*field, int low, int high) {
    auto* box = new QSpinBox;
    box->setRange(low, high);
    box->setKeyboardTracking(false);
    form_->addRow(QString::fromStdString(label), box);
    loaders_.push_back([box, record, field] {
      const QSignalBlocker block(box);
      box->setValue(record().*field);
    });
    connect(box, &QSpinBox::valueChanged, this, [record, field, edited](int v) {
      record().*field = v;
      edited();
    });
    return box;
  };
  // FFT size: normalised to a power of two fitting the window, then shown again.
  auto addFftSize = [&] {
    auto* box = new QSpinBox;
    box->setRange(1, 65536);
    box->setKeyboardTracking(false);
    form_->addRow(QString::fromStdString(text(8506)), box);
    loaders_.push_back([box, record] {
      const QSignalBlocker block(box);
      box->setValue(record().fftSize);
    });
    connect(box, &QSpinBox::valueChanged, this, [this, record, edited](int v) {
      SpectroParams next = record();
      next.fftSize = normaliseFftSize(v, next.windowMs, samplingFrequency());
      if (next.kind == 6) next.bands.bandCount = std::min(next.bands.bandCount, next.fftSize / 2);
      const bool accepted = acceptBands(next);
      if (accepted) record() = next;
      reload();
      if (accepted) edited();
    });
  };

  // Cepstral spectrum size: a power of two the cepstral smoothing can take
  // (256 to 2048), then shown again.
  auto addSpectrumSize = [&] {
    auto* box = new QSpinBox;
    box->setRange(256, 2048);
    box->setKeyboardTracking(false);
    form_->addRow("Spectrum size", box);
    loaders_.push_back([box, record] {
      const QSignalBlocker block(box);
      box->setValue(record().spectrumSize);
    });
    connect(box, &QSpinBox::valueChanged, this, [this, record, edited](int v) {
      record().spectrumSize = std::min(2048, normaliseFftSize(v, 0.0, samplingFrequency()));
      reload();
      edited();
    });
  };

  addCheck(text(8504), &SpectroParams::preemphasis);
  addReal("Lowest level (dB)", &SpectroParams::lowDb, -200, 200, 1);
  addReal("Highest level (dB)", &SpectroParams::highDb, -200, 200, 1);
  switch (kind) {
    case 1:
    case 2:
    case 3:
      addReal(text(8505), &SpectroParams::windowMs, kind == 1 ? 0.1 : 1.0, kind == 1 ? 16.0 : 128.0, 1);
      addFftSize();
      addInt(text(8507), &SpectroParams::columnsPerFrame, 1, 64);
      break;
    case 4:
      addReal(text(8505), &SpectroParams::windowMs, 1.0, 128.0, 1);
      addReal("Step (ms)", &SpectroParams::stepMs, 0.0, 100.0, 1);
      addReal("Order factor", &SpectroParams::orderFactor, 0.1, 4.0, 2);
      addFftSize();
      break;
    case 5:
      addReal(text(8505), &SpectroParams::windowMs, 1.0, 128.0, 1);
      addInt(text(8507), &SpectroParams::columnsPerFrame, 1, 64);
      addReal("Lower lifter (ms)", &SpectroParams::lifter1Ms, 0.1, 50.0, 2);
      addReal("Upper lifter (ms)", &SpectroParams::lifter2Ms, 0.1, 50.0, 2);
      addSpectrumSize();
      addCheck("True envelope", &SpectroParams::trueEnvelope);
      break;
    case 6: {
      addReal(text(8505), &SpectroParams::windowMs, 1.0, 128.0, 1);
      addFftSize();
      addInt(text(8507), &SpectroParams::columnsPerFrame, 1, 64);
      auto* bands = new QSpinBox;
      bands->setRange(2, 2048);
      bands->setKeyboardTracking(false);
      form_->addRow(QString::fromStdString(text(8550)), bands);
      loaders_.push_back([bands, record] {
        const QSignalBlocker block(bands);
        bands->setValue(record().bands.bandCount);
      });
      connect(bands, &QSpinBox::valueChanged, this, [this, record, edited](int v) {
        SpectroParams& r = record();
        r.bands.bandCount = std::max(2, std::min(v, r.fftSize / 2));  // the bands limit
        reload();
        edited();
      });
      auto addChoice = [&](int label, QStringList items, auto getter, auto setter) {
        auto* box = new QComboBox;
        box->addItems(items);
        form_->addRow(QString::fromStdString(text(label)), box);
        loaders_.push_back([box, record, getter] {
          const QSignalBlocker block(box);
          box->setCurrentIndex(getter(record().bands));
        });
        connect(box, &QComboBox::currentIndexChanged, this, [this, record, setter, edited](int i) {
          SpectroParams next = record();
          setter(next.bands, i);
          if (!acceptBands(next)) return reload();
          record() = next;
          edited();
        });
      };
      addChoice(
          8553, {"spectro like", "ASR like"}, [](const BandSettings& b) { return int(b.distribution); },
          [](BandSettings& b, int i) { b.distribution = static_cast<std::uint8_t>(i); });
      addChoice(
          8554, {"Bark", "Mel", "Mely"}, [](const BandSettings& b) { return int(b.scale); },
          [](BandSettings& b, int i) { b.scale = i; });
      addChoice(
          8555, {"no", "cepstral smoothing"}, [](const BandSettings& b) { return int(b.priorSmoothing); },
          [](BandSettings& b, int i) { b.priorSmoothing = static_cast<std::uint8_t>(i); });
      addChoice(
          8556, {"linear", "perceptual"}, [](const BandSettings& b) { return int(b.axis); },
          [](BandSettings& b, int i) { b.axis = static_cast<std::uint8_t>(i); });
      break;
    }
    default:
      break;
  }
  auto* buttons = new QDialogButtonBox;
  auto* defaults = buttons->addButton("Defaults", QDialogButtonBox::ResetRole);
  buttons->addButton(QDialogButtonBox::Close);
  connect(defaults, &QAbstractButton::clicked, this, [this, edited] {
    setSpectroDefaults(kind_);
    reload();
    edited();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  form_->addRow(buttons);
}

bool editUpperFrequency(QWidget* parent, bool& keepForEveryFile) {
  QDialog dialog(parent);
  dialog.setWindowTitle("Upper display frequency");
  auto* form = new QFormLayout(&dialog);
  auto* hz = new QDoubleSpinBox;
  hz->setRange(100.0, 96000.0);
  hz->setDecimals(0);
  hz->setSuffix(" Hz");
  hz->setValue(spectroSettings().fmaxHz);
  form->addRow("Upper display frequency", hz);
  auto* everyFile = new QRadioButton("Default");
  auto* thisFile = new QRadioButton("Only for this file");
  (keepForEveryFile ? everyFile : thisFile)->setChecked(true);
  form->addRow(everyFile);
  form->addRow(thisFile);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  keepForEveryFile = everyFile->isChecked();
  const bool changed = std::abs(hz->value() - spectroSettings().fmaxHz) > 1e-9;
  spectroSettings().fmaxHz = hz->value();
  return changed;
}

void editPgmImageSize(QWidget* parent) {
  QDialog dialog(parent);
  dialog.setWindowTitle("Spectrogram image (pgm)");
  auto* form = new QFormLayout(&dialog);
  auto* width = new QLineEdit(QString::asprintf("%d", pgmImageSize().width));
  auto* height = new QLineEdit(QString::asprintf("%d", pgmImageSize().height));
  form->addRow("Width", width);
  form->addRow("Height", height);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return;
  bool okW = false, okH = false;
  const int w = width->text().trimmed().toInt(&okW);
  const int h = height->text().trimmed().toInt(&okH);
  // The export refuses sizes outside 1..65536 itself; keep the stored size sane.
  if (okW && w >= 1 && w <= 65536) pgmImageSize().width = w;
  if (okH && h >= 1 && h <= 65536) pgmImageSize().height = h;
}

}  // namespace ardv::shell
