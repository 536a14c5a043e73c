// The editing tools window and its buttons.
#include "shell/main_window/editing_tools_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QPushButton>

#include "editing/edit_amplitude.h"
#include "editing/edit_tools.h"
#include "shell/main_window/main_window.h"
#include "signal/program.h"

namespace ardv::shell {
namespace {

// Defaults of the fields, chosen to make an audible but moderate change.
constexpr double kDefaultFactor = 0.5;
constexpr double kDefaultSnrDb = 20.0;
constexpr double kDefaultCutoffHz = 1000.0;

QDoubleSpinBox* spinBox(double low, double high, double value, int decimals, const QString& suffix) {
  auto* box = new QDoubleSpinBox;
  box->setRange(low, high);
  box->setDecimals(decimals);
  box->setValue(value);
  box->setSuffix(suffix);
  return box;
}

}  // namespace

EditingToolsWindow::EditingToolsWindow(MainWindow& main) : QWidget(&main, Qt::Tool), main_(main) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Editing tools");
  auto* grid = new QGridLayout(this);
  auto addButton = [&](const QString& caption, int row, auto onClick, const QString& tip) {
    auto* b = new QPushButton(caption);
    b->setToolTip(tip);
    connect(b, &QPushButton::clicked, this, onClick);
    grid->addWidget(b, row, 0);
    return b;
  };
  addButton("Damp left", 0, [this] { run(dampLeft); }, "Fade the selection in");
  addButton("Damp right", 1, [this] { run(dampRight); }, "Fade the selection out");
  addButton("Damp middle", 2, [this] { run([this] { return dampMiddle(factor_->value()); }); },
            "Attenuate the selection by the factor, with 20 ms ramps at both ends");
  factor_ = spinBox(0.0, 1.0, kDefaultFactor, 3, "");
  factor_->setSingleStep(0.05);
  grid->addWidget(factor_, 2, 1);

  addButton("Add noise", 3, [this] { run([this] { return addNoise(snr_->value()); }); },
            "Add white noise to the selection, the given number of dB below its mean power");
  snr_ = spinBox(-60.0, 120.0, kDefaultSnrDb, 1, " dB SNR");
  grid->addWidget(snr_, 3, 1);

  addButton("Filter", 4, [this] {
      run([this] {
        return filterSelection(filterKind_->currentIndex() == 0 ? FirKind::LowPass : FirKind::HighPass,
                               cutoff_->value());
      });
    }, "Filter the selection with a linear-phase FIR filter (255 taps)");
  filterKind_ = new QComboBox;
  filterKind_->addItems({"Low-pass", "High-pass"});
  grid->addWidget(filterKind_, 4, 1);
  cutoff_ = spinBox(1.0, 96000.0, kDefaultCutoffHz, 0, " Hz");
  grid->addWidget(cutoff_, 4, 2);

  auto* ola = new QPushButton("OLA trajectory filter");
  ola->setEnabled(false);
  ola->setToolTip("Not available yet");
  grid->addWidget(ola, 5, 0);

  addButton("Cancel last edit", 6, [this] { main_.runCommand(21); }, "Undo the last edit (Edit > Cancel)");
}

QPushButton* EditingToolsWindow::button(const QString& caption) const {
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->text() == caption) return b;
  return nullptr;
}

void EditingToolsWindow::run(const std::function<bool()>& edit) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  edit();
  QApplication::restoreOverrideCursor();
  main_.updateCommandStates();
  main_.contentEdited();
}

}  // namespace ardv::shell
