// The formant analysis options dialog.
#include "shell/formant_window/formant_options_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "formants/formant_options.h"
#include "platform/report.h"
#include "signal/program.h"
#include "texts/texts.h"

namespace ardv::shell {

void editFormantOptions(QWidget* parent) {
  QDialog dialog(parent);
  const std::string caption = text(5709);
  dialog.setWindowTitle(QString::fromStdString(caption.empty() ? "Formant analysis options" : caption));
  FormantOptions o = formantOptions();
  auto spin = [&](double value, double low, double high, int decimals) {
    auto* s = new QDoubleSpinBox(&dialog);
    s->setRange(low, high);
    s->setDecimals(decimals);
    s->setValue(value);
    return s;
  };
  QDoubleSpinBox* step = spin(o.stepMs, 0.1, 1000.0, 2);
  QDoubleSpinBox* factor = spin(o.orderFactor, 0.01, 10.0, 2);
  QDoubleSpinBox* low = spin(o.lifterLowMs, 0.0, 50.0, 2);
  QDoubleSpinBox* high = spin(o.lifterHighMs, 0.0, 50.0, 2);
  QDoubleSpinBox* f0Floor = spin(o.voiceF0FloorHz, 0.0, 2000.0, 0);
  f0Floor->setToolTip("The lowest F0 of the voice; from 250 Hz (a child's voice) the LPC order is lowered");
  QDoubleSpinBox* ceiling = spin(o.ceilingHz, 0.0, kHighestCeilingHz, 0);
  ceiling->setObjectName("ceiling");
  ceiling->setSpecialValueText("automatic");
  ceiling->setSingleStep(250.0);
  ceiling->setToolTip("The highest frequency the F1-F3 tracks analyse: 5000 Hz for an adult's voice as the formant "
                      "ranges are written; automatic tries 4500 to 7500 Hz and keeps, per stretch of voiced speech, "
                      "the smoothest tracks");
  auto* summary = new QLabel(&dialog);
  const double fs = program().en_cours.frequence;
  auto refresh = [&] {
    FormantOptions shown = o;
    shown.stepMs = step->value();
    shown.orderFactor = factor->value();
    shown.voiceF0FloorHz = f0Floor->value();
    const std::string labels[5] = {text(5711), text(5712), text(5713), text(5714), text(5715)};
    summary->setText(QString::fromStdString(fs > 0.0 ? formantOptionsSummary(shown, fs, labels) : text(5710)));
  };
  low->setObjectName("lifterLow");
  high->setObjectName("lifterHigh");
  // Editing either bound puts the two shown values in order.
  auto order = [&] {
    o.lifterLowMs = std::min(low->value(), high->value());
    o.lifterHighMs = std::max(low->value(), high->value());
    low->setValue(o.lifterLowMs);
    high->setValue(o.lifterHighMs);
    refresh();
  };
  for (QDoubleSpinBox* s : {low, high}) QObject::connect(s, &QDoubleSpinBox::editingFinished, &dialog, order);
  for (QDoubleSpinBox* s : {step, factor, f0Floor})
    QObject::connect(s, &QDoubleSpinBox::valueChanged, &dialog, [&] { refresh(); });
  auto* form = new QFormLayout;
  form->addRow("Frame step (ms)", step);
  form->addRow("Order factor", factor);
  form->addRow("Lower lifter bound (ms)", low);
  form->addRow("Upper lifter bound (ms)", high);
  form->addRow("Voice's lowest F0 (Hz, 0: not known)", f0Floor);
  form->addRow("Formant ceiling (Hz)", ceiling);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(form);
  layout->addWidget(summary);
  layout->addWidget(buttons);
  refresh();
  if (dialog.exec() != QDialog::Accepted) return;
  o.stepMs = step->value();
  o.orderFactor = factor->value();
  o.voiceF0FloorHz = f0Floor->value();
  o.ceilingHz = ceiling->value();
  order();
  if (const std::string why = formantOptionsProblem(o); !why.empty()) {
    message("Formant options: " + why);
    return;
  }
  formantOptions() = o;
}

}  // namespace ardv::shell
