// The default-parameters and synthesizer-settings dialogs.
#include "shell/formant_window/klatt_dialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <limits>

#include "platform/report.h"

namespace ardv::shell {
namespace {

QDialogButtonBox* okCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

// A box of exclusive buttons with ids; `checked` is checked.
QButtonGroup* radios(QWidget* owner, QVBoxLayout* column, const QString& title,
                     std::initializer_list<std::pair<int, const char*>> entries, int checked) {
  auto* box = new QGroupBox(title, owner);
  auto* layout = new QVBoxLayout(box);
  auto* group = new QButtonGroup(owner);
  for (const auto& [id, text] : entries) {
    auto* b = new QRadioButton(text, box);
    group->addButton(b, id);
    layout->addWidget(b);
    b->setChecked(id == checked);
  }
  column->addWidget(box);
  return group;
}

// A scroll bar with its value shown through `format` ("%d ms").
QScrollBar* slider(QWidget* owner, QVBoxLayout* column, const QString& title, int lo, int hi, int value,
                   const char* format) {
  auto* box = new QGroupBox(title, owner);
  auto* layout = new QHBoxLayout(box);
  auto* bar = new QScrollBar(Qt::Horizontal, box);
  auto* shown = new QLabel(box);
  bar->setRange(lo, hi);
  bar->setPageStep(1);
  auto show = [shown, format](int v) { shown->setText(QString::asprintf(format, v)); };
  QObject::connect(bar, &QScrollBar::valueChanged, shown, show);
  bar->setValue(std::clamp(value, lo, hi));
  show(bar->value());
  bar->setMinimumWidth(160);
  layout->addWidget(bar, 1);
  layout->addWidget(shown);
  column->addWidget(box);
  return bar;
}

}  // namespace

DefaultParamsDialog::DefaultParamsDialog(const KlattRecord& defaults, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Setting default parameters");
  auto* grid = new QGridLayout;
  for (std::size_t i = 0; i < kEditableDefaults.size(); ++i) {
    const int p = kEditableDefaults[i];
    const QString name = QString::fromUtf8(klattParams()[static_cast<std::size_t>(p)].name.data(),
                                           static_cast<int>(klattParams()[static_cast<std::size_t>(p)].name.size()));
    auto* edit = new QLineEdit(QString::number(defaults[static_cast<std::size_t>(p)]), this);
    edit->setObjectName(name);
    edits_[i] = edit;
    const int row = static_cast<int>(i % 10), col = static_cast<int>(i / 10) * 2;
    grid->addWidget(new QLabel(name, this), row, col);
    grid->addWidget(edit, row, col + 1);
  }
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(okCancel(this));
}

bool DefaultParamsDialog::edited(KlattRecord& record, QString& bad) const {
  KlattRecord out = record;
  for (std::size_t i = 0; i < kEditableDefaults.size(); ++i) {
    bool ok = false;
    const qlonglong v = edits_[i]->text().trimmed().toLongLong(&ok, 10);
    if (!ok || v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) {
      bad = edits_[i]->objectName();
      return false;
    }
    out[static_cast<std::size_t>(kEditableDefaults[i])] = static_cast<std::int32_t>(v);
  }
  record = out;
  return true;
}

bool askDefaultParams(QWidget* parent, KlattRecord& defaults) {
  DefaultParamsDialog dialog(defaults, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  QString bad;
  if (!dialog.edited(defaults, bad)) {
    message("Default parameters: the value of " + bad.toStdString() +
            " is not a whole number; the defaults are unchanged.");
    return false;
  }
  return true;
}

SynthSettingsDialog::SynthSettingsDialog(const KlattSynthesisSettings& s, bool realSignal, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("Synthesizer command options");
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  rates_ = radios(this, left, "Sampling frequency",
                  {{8000, "8000 Hz"}, {11025, "11025 Hz"}, {16000, "16000 Hz"}, {22050, "22050 Hz"}}, s.rateHz);
  for (QAbstractButton* b : rates_->buttons()) b->setEnabled(!realSignal);
  branch_ = radios(this, left, "Branch", {{0, "Parallel"}, {1, "Cascade + Parallel"}}, s.branch);
  bytes_ = radios(this, left, "Byte arrangement", {{1, "Low byte"}, {2, "High byte"}}, s.byteArrangement);
  source_ = radios(this, left, "Source", {{1, "Klatt source "}, {2, "Liljencrants-Fant source"}}, s.source);
  waveforms_ = radios(this, right, "Output waveform",
                      {{1, "Voicing"},
                       {2, "Aspiration"},
                       {3, "Frication"},
                       {4, "Cascade glottal output"},
                       {5, "Parallel glottal output"},
                       {6, "Bypass output"},
                       {7, "All excitation"},
                       {8, "Complete"}},
                      s.waveform);
  // The frame lasts one step of the tracks (set by the step menu): shown, not chosen.
  frame_ = slider(this, right, "Frame duration", 1, 1000, s.frameMs, "%d ms");
  frame_->setEnabled(false);
  flutter_ = slider(this, right, "F0 flutter", 0, 100, s.flutterPercent, "%d %");
  auto* columns = new QHBoxLayout;
  columns->addLayout(left);
  columns->addLayout(right);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addWidget(okCancel(this));
}

KlattSynthesisSettings SynthSettingsDialog::settings() const {
  KlattSynthesisSettings s;
  s.rateHz = rates_->checkedId();
  s.branch = branch_->checkedId();
  s.waveform = waveforms_->checkedId();
  s.byteArrangement = bytes_->checkedId();
  s.source = source_->checkedId();
  s.frameMs = frame_->value();
  s.flutterPercent = flutter_->value();
  return s;
}

bool askSynthSettings(QWidget* parent, KlattSynthesisSettings& settings, bool realSignal) {
  SynthSettingsDialog dialog(settings, realSignal, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  KlattSynthesisSettings chosen = dialog.settings();
  if (chosen.rateHz < 0) chosen.rateHz = settings.rateHz;  // a signal's rate matches no button
  settings = chosen;
  return true;
}

}  // namespace ardv::shell
