// The main window's scrolling and navigation, the pointer's readout and the
// selection across the panes.
#include "shell/main_window/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QFileInfo>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "editing/edit_context.h"
#include "editing/edit_history.h"
#include "editing/edit_save.h"
#include "platform/report.h"
#include "prosody/energy.h"
#include "shell/annotation/phonetic_annotator_window.h"
#include "shell/formant_window/formant_window.h"
#include "shell/logic/command_table.h"
#include "shell/logic/readable_reports.h"
#include "shell/logic/readouts.h"
#include "shell/logic/view_ops.h"
#include "shell/main_window/editing_tools_window.h"
#include "shell/main_window/help_window.h"
#include "shell/main_window/options_dialog.h"
#include "shell/main_window/playback.h"
#include "shell/main_window/spectro_params_window.h"
#include "shell/measurement/measurement_panel.h"
#include "shell/panes/overview_strip.h"
#include "shell/panes/spectrogram_painter.h"
#include "shell/panes/tier_pane.h"
#include "shell/panes/value_scale.h"
#include "shell/shared/window_setup.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "spectral/critical_band_scale.h"
#include "spectral/spectrogram_params.h"
#include "texts/texts.h"


namespace ardv::shell {

void MainWindow::syncScrollBar() {
  const auto& ct = program().ct;
  syncingScroll_ = true;
  const int range = scrollMapping_.pmax - scrollMapping_.pmin;
  const double share = ct.tf > 0 ? double(ct.f_a - ct.d_a + 1) / ct.tf : 1.0;
  if (!program().fileLoaded || share >= 1.0) {
    // The whole signal is shown: nothing to scroll.
    scrollBar_->setRange(scrollMapping_.pmin, scrollMapping_.pmin);
    scrollBar_->setEnabled(false);
  } else {
    scrollBar_->setEnabled(true);
    scrollBar_->setRange(scrollMapping_.pmin, scrollMapping_.pmax);
    // Thumb length in proportion to the share of the signal shown.
    scrollBar_->setPageStep(std::clamp(static_cast<int>(range * share / (1.0 - share)), 1, 1000000));
    scrollBar_->setSingleStep(std::max(1, static_cast<int>(range * share / 10)));
    scrollBar_->setValue(scrollMapping_.position(ct.d_a, ct.tf));
  }
  syncingScroll_ = false;
}

void MainWindow::scrollTo(int position) {
  auto& prog = program();
  if (!prog.fileLoaded) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool moved = showFrom(scrollMapping_.startSample(position, prog.ct.tf));
  QApplication::restoreOverrideCursor();
  if (!moved) return;
  clearSelections();
  refreshAll();
  if (scrollBar_->value() != position) syncScrollBar();
}

bool MainWindow::goToMs(double ms) {
  auto& prog = program();
  if (!prog.fileLoaded) return false;
  const auto start = msToSamples(ms, prog.en_cours.frequence);
  return showFromSample(static_cast<std::int32_t>(std::clamp<std::int64_t>(start, 0, std::max(0, prog.ct.tf - 1))));
}

bool MainWindow::showFromSample(std::int32_t start) {
  if (!program().fileLoaded || !showFrom(start)) return false;
  clearSelections();
  refreshAll();
  syncScrollBar();
  return true;
}

bool MainWindow::navigate(Step step, double steps) {
  auto& prog = program();
  if (!prog.fileLoaded || !(steps > 0) || !std::isfinite(steps)) return false;
  const DisplayContext next = viewAfter(prog.ct, step, prog.en_cours.frequence, steps);
  if (next.d_a == prog.ct.d_a && next.f_a == prog.ct.f_a) return false;
  if (!showView(next)) return false;
  setMemoryMode(next.f_a - next.d_a + 1 < memoryView(next, prog.en_cours.frequence) ? 3 : 1);
  clearSelections();
  refreshAll();
  syncScrollBar();
  return true;
}

void MainWindow::follow(std::int32_t sample) {
  auto& prog = program();
  if (!prog.fileLoaded || sample < 0 || (sample >= prog.ct.d_a && sample <= prog.ct.f_a)) return;
  const DisplayContext next = viewFrom(prog.ct, sample, prog.en_cours.frequence);
  if (!showView(next)) return;
  refreshAll();
  syncScrollBar();
}

void MainWindow::pointerAt(std::int32_t sample, int spectroRow) {
  const auto& prog = program();
  for (PlaneView* view : {static_cast<PlaneView*>(signalPlane_->view()), static_cast<PlaneView*>(spectroPlane_->view())})
    view->setPointerLine(sample);
  wordPane_->setPointerLine(sample);
  phonemePane_->setPointerLine(sample);
  PointerReadout r;
  r.sample = prog.fileLoaded ? sample : -1;
  r.tf = prog.ct.tf;
  r.frequence = prog.en_cours.frequence;
  if (r.sample >= 0 && r.sample < r.tf) {
    SpectroView* spectro = spectroPlane_->view();
    if (spectroRow >= 0 && spectroRow < spectro->height()) {
      const FrequencyAxis axis = spectro->frequencyAxis();
      r.hz = axis.hzAtRow(spectroRow);
      if (axis.isPerceptual()) {
        static const char* units[] = {"Bark", "mel", "mely"};
        r.scaleValue = scaleFromHz(axis.scale(), *r.hz);
        r.scaleUnit = units[std::clamp(static_cast<int>(axis.scale()), 0, 2)];
      }
      if (spectro->isShown()) r.levelDb = spectro->levelDbAt(spectro->axis().xOf(sample), spectroRow);
    }
    if (const int f0 = f0UnderPointer(sample); f0 > 0) r.f0Hz = f0;
    if (energyShown_) r.energyDb = energyAt(sample);
    r.ceilingHz = ceilingUnderPointer(sample);
  }
  pointerLabel_->setText(QString::fromStdString(pointerText(r)));
  if (r.sample >= 0) emit pointerMoved(sample);
}

void MainWindow::selectSamples(std::int32_t first, std::int32_t last) {
  auto& prog = program();
  if (!prog.fileLoaded) return;
  first = std::max(first, prog.ct.d_e);
  last = std::min(last, prog.ct.f_e);
  if (last < first) return;
  prog.ct.d_sel = first;
  prog.ct.f_sel = last;
  clearSelections();
  const double fs = prog.en_cours.frequence;
  if (fs > 0) setDurationLines(lines_, (last + 1.0 - first) * 1000.0 / fs);
  updateCommandStates();
  refreshInfo();
}

void MainWindow::clearSelections() {
  signalPlane_->view()->clearSelectionRecord();
  spectroPlane_->view()->clearSelectionRecord();
}

}  // namespace ardv::shell
