// The operations bound to the main menu's commands.
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QStatusBar>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "editing/edit_clipboard.h"
#include "editing/edit_history.h"
#include "editing/edit_new.h"
#include "editing/edit_save.h"
#include "platform/qt/input_dialog.h"
#include "platform/report.h"
#include "prosody/energy.h"
#include "shell/logic/command_table.h"
#include "shell/main_window/figure_export.h"
#include "shell/main_window/help_window.h"
#include "shell/main_window/main_window.h"
#include "shell/main_window/options_dialog.h"
#include "shell/main_window/spectro_params_window.h"
#include "shell/panes/value_scale.h"
#include "shell/shared/file_chooser.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/results.h"
#include "signal/startup.h"
#include "signal/writable_target.h"
#include "spectral/spectrogram_image.h"
#include "spectral/spectrogram_params.h"
#include "texts/texts.h"

namespace ardv::shell {

void MainWindow::bindCommands() {
  auto& h = handlers_;
  h[kCmdOpen] = [this] { commandOpen(); };
  h[kCmdQuit] = [this] { close(); };
  h[kCmdZoomIn] = [] {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    zoomIn();
    QApplication::restoreOverrideCursor();
  };
  h[kCmdZoomOut] = [] {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    zoomOut();
    QApplication::restoreOverrideCursor();
  };
  h[kCmdGoTo] = [this] { commandGoTo(); };
  // Editing: each operation reports its own refusals and redraws the views.
  const std::pair<int, bool (*)()> edits[] = {{11, editNewEmpty}, {13, editSave},
                                              {22, editCut},      {23, editCopy},   {24, editPaste},
                                              {25, editDelete}};
  for (const auto& [id, operation] : edits) {
    h[id] = [operation = operation] {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      operation();
      QApplication::restoreOverrideCursor();
    };
  }
  // Cancel undoes the newest step of the history (annotation edits, or the
  // last edit of the samples as before); Redo the newest undone step.
  const std::pair<int, bool (*)()> history[] = {{21, undoEdit}, {kCmdRedo, redoEdit}};
  for (const auto& [id, operation] : history) {
    h[id] = [this, operation = operation] {
      // A step of the samples takes the curves drawn over them along.
      const auto samples = [] {
        const Program& p = program();
        return std::make_tuple(p.en_cours.nom, p.ct.tf, p.ct.d_e,
                               std::vector<std::int16_t>(p.memory.data(), p.memory.data() + p.memory.size()));
      };
      const auto before = samples();
      QApplication::setOverrideCursor(Qt::WaitCursor);
      operation();
      QApplication::restoreOverrideCursor();
      if (samples() != before) dropOverlays();
      contentEdited();
      signalPlane_->update();
      spectroPlane_->update();
    };
  }
  const std::pair<int, int> kinds[] = {{kCmdWideBand, kWideBand},
                                       {kCmdNarrowBand, kNarrowBand},
                                       {kCmdReassigned, kReassigned},
                                       {kCmdLinearPrediction, kLinearPrediction},
                                       {kCmdCepstral, kCepstralSmoothing},
                                       {kCmdCriticalBands, kCriticalBands}};
  for (const auto& [id, kind] : kinds) {
    h[id] = [this, kind = kind] {
      setMode(kind);
      spectroPlane_->view()->setShown(true);
      spectroPlane_->refresh();
    };
  }
  const std::pair<int, int> options[] = {{301, kWideBand},          {302, kNarrowBand},
                                         {11847, kReassigned},       {303, kLinearPrediction},
                                         {304, kCepstralSmoothing}, {11853, kCriticalBands}};
  for (const auto& [id, kind] : options) h[id] = [this, kind = kind] { commandSpectroParams(kind); };
  setSpectroRedrawHook([this](int kind) {
    const auto it = paramWindows_.find(kind);
    if (it != paramWindows_.end() && it->second) it->second->reload();
  });
  h[309] = [this] {
    if (editUpperFrequency(this, fmaxKept_)) spectroPlane_->refresh();
  };
  h[11850] = [this] { commandSavePgm(); };
  h[11890] = [this] {
    const std::string written = exportFigure(this, {spectroPlane_->view()->isShown(), f0Shown_ != F0Shown::None,
                                                    energyScale_ != nullptr && !energyScale_->isHidden()});
    if (!written.empty()) statusBar()->showMessage(QString("Figure written to %1").arg(QString::fromStdString(written)));
  };
  h[11851] = [this] { editPgmImageSize(this); };
  h[kCmdColourMap] = [this] { spectroPlane_->view()->showLegend(); };
  h[kCmdCopySignalBitmap] = [this] { commandCopyBitmap(signalPlane_->view()); };
  h[kCmdCopySpectroBitmap] = [this] { commandCopyBitmap(spectroPlane_->view()); };
  h[kCmdClear] = [this] { spectroPlane_->refresh(); };
  h[kCmdKeepDecoration] = [this] { spectroPlane_->view()->keepDecorations(); };
  h[kCmdClearDecorations] = [this] {
    spectroPlane_->view()->clearDecorations();
    hideValueScales();
  };
  h[kCmdGlottalClosure] = [] { message("Not yet implemented"); };
  h[kCmdDetails] = [this] { commandDetails(); };
  h[kCmdGeneralOptions] = [this] { commandOptions(); };
  h[kCmdShowResults] = [] { showResults(program().dirs.temp); };
  h[kCmdAppendResults] = [] { logAppendResults(program().dirs.temp); };
  h[kCmdShowLog] = [] { showLog(program().dirs.temp); };
  bindEditCommands();
  bindAnalysisCommands();
  bindSettingsCommands();
  bindAudioCommands();
  bindAnnotationCommands();
  bindProsodyCommands();
  bindSearchCommands();
  bindMeasurementCommands();
  bindModificationCommands();
  bindKlattCommands();
  bindFormantCommands();
  h[kCmdHelp] = [this] { commandHelp({}); };
  h[44] = [this] { commandHelp("mousePhoneme"); };
  h[53] = [this] { commandHelp("mouseWord"); };
  h[kCmdUsingHelp] = [this] { commandHelp("using-help"); };
  h[kCmdAbout] = [this] { commandAbout(); };
}

void MainWindow::commandOpen() {
  const QString start = program().fileLoaded
                            ? QString::fromStdString(std::filesystem::path(program().en_cours.nom).parent_path().string())
                            : QString();
  const QString name =
      chooseFile(this, FileQuestion::Open, "Open", start, "Signals (*.wav *.WAV *.ard *.ARD);;All files (*)");
  if (!name.isEmpty()) openPath(name.toStdString());
}

void MainWindow::commandGoTo() {
  const auto answer = qt::askText(this, text(8002), text(8001), "0", 20);
  if (!answer) return;
  char* end = nullptr;
  const double ms = std::strtod(answer->c_str(), &end);
  if (end == answer->c_str() || !std::isfinite(ms)) {
    message("\"" + *answer + "\" is not a time in milliseconds.");
    return;
  }
  goToMs(ms);
}

void MainWindow::commandCopyBitmap(const PlaneView* view) {
  if (view->bitmap().isNull()) {
    message("Nothing to copy: the plane shows no image.");
    return;
  }
  QApplication::clipboard()->setImage(view->bitmap());
}

void MainWindow::commandSpectroParams(int kind) {
  QPointer<SpectroParamsWindow>& window = paramWindows_[kind];
  if (!window) {
    window = new SpectroParamsWindow(
        kind,
        [this](int edited) {
          if (edited == program().en_cours.mode && spectroPlane_->view()->isShown()) spectroPlane_->refresh();
        },
        this);
  }
  window->show();
  window->raise();
}

void MainWindow::commandSavePgm() {
  const QString name = chooseFile(this, FileQuestion::Save, "Save spectrogram (pgm image)");
  const auto& prog = program();
  if (name.isEmpty() || !isSeparateOutput(name.toStdString(), prog.en_cours.nom)) return;
  const SampleSpan samples{prog.memory.data(), prog.memory.size(), prog.ct.d_e};
  QApplication::setOverrideCursor(Qt::WaitCursor);
  exportSpectrogram(prog.en_cours.mode, prog.en_cours.frequence, samples, prog.ct.d_es, prog.ct.f_es,
                    pgmImageSize().width, pgmImageSize().height, name.toStdString());
  QApplication::restoreOverrideCursor();
}

void MainWindow::commandDetails() {
  std::string details = detailsText(program());
  if (program().fileLoaded) details += "\n" + energyDetails(energyParams());
  QMessageBox::information(this, QString::fromStdString(text(84)), QString::fromStdString(details));
}

void MainWindow::commandOptions() {
  OptionsDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  dialog.apply();
  layoutPanes();
  refreshAll();
}

void MainWindow::commandHelp(const QString& anchor) {
  if (!help_) help_ = new HelpWindow(this);
  // A per-user data directory may lack the help: fall back on the bundled one.
  std::filesystem::path page = program().dirs.helpFile;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(page, ec))
    page = StartupEnvironment::fromProcess().bundledData / "help" / "index.html";
  help_->showPage(page, anchor);
}

void MainWindow::commandAbout() {
  QString about;
  for (int n : {kLineProgram, kLineSignal1, kLineSignal2, kLineSignal3, kLineModified}) {
    const std::string line = lines_.get(n);
    if (!line.empty()) about += QString::fromStdString(line) + "\n";
  }
  QMessageBox::about(this, "About Ardelovox", about);
}

}  // namespace ardv::shell
