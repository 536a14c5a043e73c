// The analysis-parameter and snake-parameter dialogs of the formant window.
#include "shell/formant_window/formant_tracking_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>

#include "platform/report.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

QString label(int n, const char* fallback) {
  const std::string t = text(n);
  return QString::fromStdString(t.empty() ? fallback : t);
}

void addButtons(QDialog* dialog, QVBoxLayout* layout) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
}

}  // namespace

QLineEdit* NumberFormDialog::field(const QString& name) const {
  const auto it = fields_.find(name);
  return it == fields_.end() ? nullptr : it->second;
}

QLineEdit* NumberFormDialog::addField(const QString& name, double value, int decimals) {
  auto* edit = new QLineEdit(QString::number(value, 'f', decimals), this);
  edit->setObjectName(name);
  fields_[name] = edit;
  return edit;
}

bool NumberFormDialog::number(const QString& name, double& value, QString& bad) const {
  bool ok = false;
  const double v = field(name)->text().trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(v)) {
    bad = "\"" + field(name)->text() + "\" in " + name + " is not a number";
    return false;
  }
  value = v;
  return true;
}

AnalysisParamsDialog::AnalysisParamsDialog(const FormantOptions& o, double fs, QWidget* parent)
    : NumberFormDialog(parent), fs_(fs) {
  setWindowTitle("Spectral analysis parameters");
  auto* form = new QFormLayout;
  form->addRow(label(6431, "Frame step (ms)"), addField(label(6431, "Frame step (ms)"), o.stepMs, 2));
  order_ = new QLabel(this);
  form->addRow(label(5713, "LPC order"), order_);
  QLineEdit* factor = addField(label(6432, "Order factor"), o.orderFactor, 2);
  form->addRow(label(6432, "Order factor"), factor);
  form->addRow(label(5714, "Lower lifter bound") + " (ms)", addField(label(5714, "Lower lifter bound"), o.lifterLowMs, 2));
  form->addRow(label(5715, "Upper lifter bound") + " (ms)", addField(label(5715, "Upper lifter bound"), o.lifterHighMs, 2));
  auto showOrder = [this, factor] {
    bool ok = false;
    const double f = factor->text().toDouble(&ok);
    order_->setText(fs_ > 0.0 && ok ? QString::number(formantLpcOrder(fs_, f)) : QString("-"));
  };
  connect(factor, &QLineEdit::textChanged, this, showOrder);
  showOrder();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  addButtons(this, layout);
}

bool AnalysisParamsDialog::edited(FormantOptions& options, QString& bad) const {
  FormantOptions o = options;
  double low = 0, high = 0;
  if (!number(label(6431, "Frame step (ms)"), o.stepMs, bad) || !number(label(6432, "Order factor"), o.orderFactor, bad) ||
      !number(label(5714, "Lower lifter bound"), low, bad) || !number(label(5715, "Upper lifter bound"), high, bad))
    return false;
  o.lifterLowMs = std::min(low, high);
  o.lifterHighMs = std::max(low, high);
  if (const std::string why = formantOptionsProblem(o); !why.empty()) {
    bad = QString::fromStdString(why);
    return false;
  }
  options = o;
  return true;
}

bool askAnalysisParams(QWidget* parent, FormantOptions& options, double fs) {
  AnalysisParamsDialog dialog(options, fs, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  QString bad;
  if (dialog.edited(options, bad)) return true;
  message("Spectral analysis parameters: " + bad.toStdString() + "; nothing was changed.");
  return false;
}

namespace {
const char* const kIterations = "Number of iterations";
const char* const kStep = "Discretization step (>0)";
const char* const kWeight = "Spectrogram weight";
const char* const kPeriod = "# of iterations between 2 displays";
}  // namespace

SnakeParamsDialog::SnakeParamsDialog(const SnakeParams& p, QWidget* parent) : NumberFormDialog(parent) {
  setWindowTitle("Snake parameters");
  auto* form = new QFormLayout;
  form->addRow(kIterations, addField(kIterations, p.iterations, 0));
  form->addRow(kStep, addField(kStep, p.step, 0));
  form->addRow(kWeight, addField(kWeight, p.weight, 0));
  form->addRow("Alpha", addField("Alpha", p.alpha, 0));
  form->addRow("Beta", addField("Beta", p.beta, 0));
  form->addRow("Gamma", addField("Gamma", p.gamma, 0));
  form->addRow("Repulsion", addField("Repulsion", p.repulsion, 0));
  display_ = new QCheckBox("Display intemediate results", this);
  display_->setChecked(p.displayIntermediate);
  form->addRow(display_);
  form->addRow(kPeriod, addField(kPeriod, p.displayPeriod, 0));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  addButtons(this, layout);
}

bool SnakeParamsDialog::edited(SnakeParams& params, QString& bad) const {
  SnakeParams p = params;
  double iterations = 0, step = 0, period = 0;
  if (!number(kIterations, iterations, bad) || !number(kStep, step, bad) || !number(kWeight, p.weight, bad) ||
      !number("Alpha", p.alpha, bad) || !number("Beta", p.beta, bad) || !number("Gamma", p.gamma, bad) ||
      !number("Repulsion", p.repulsion, bad) || !number(kPeriod, period, bad))
    return false;
  for (auto [name, v] : {std::pair{kIterations, iterations}, {kStep, step}, {kPeriod, period}})
    if (v != std::trunc(v) || std::abs(v) > 1e9) {
      bad = QString(name) + " must be a whole number";
      return false;
    }
  p.iterations = static_cast<int>(iterations);
  p.step = static_cast<int>(step);
  p.displayPeriod = static_cast<int>(period);
  p.displayIntermediate = display_->isChecked();
  if (const std::string why = snakeParamsProblem(p); !why.empty()) {
    bad = QString::fromStdString(why);
    return false;
  }
  params = p;
  return true;
}

bool askSnakeParams(QWidget* parent, SnakeParams& params) {
  SnakeParamsDialog dialog(params, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  QString bad;
  if (dialog.edited(params, bad)) return true;
  message("Snake parameters: " + bad.toStdString() + "; nothing was changed.");
  return false;
}

}  // namespace ardv::shell
