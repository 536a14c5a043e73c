// Commands about the analysis settings of the current signal: the details of
// the spectrogram shown, the parameter window of the current kind (reachable
// by its number only) and the declared sampling frequency.
#include <QApplication>
#include <QInputDialog>
#include <algorithm>

#include "editing/edit_save.h"
#include "shell/logic/command_table.h"
#include "shell/main_window/main_window.h"
#include "signal/program.h"
#include "spectral/spectrogram_params.h"

namespace ardv::shell {

void MainWindow::bindSettingsCommands() {
  auto& h = handlers_;
  h[kCmdSpectroDetails] = [this] {
    const TimeAxis axis = spectroPlane_->view()->axis();
    const double samplesPerPixel = axis.width() > 0 ? double(axis.visibleSamples()) / axis.width() : 1.0;
    showSpectroDetails(std::clamp(program().en_cours.mode, 1, kSpectroKinds), samplesPerPixel);
  };
  h[kCmdCurrentKindOptions] = [this] { commandSpectroParams(std::clamp(program().en_cours.mode, 1, kSpectroKinds)); };
  h[kCmdFrequency] = [this] {
    bool ok = false;
    const double hz = QInputDialog::getDouble(
        this, "Frequency", "Sampling frequency (Hz); the samples stay as they are\nand the file is saved with this rate",
        program().en_cours.frequence, kMinDeclaredFrequency, kMaxDeclaredFrequency, 0, &ok);
    if (!ok) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    editSetFrequency(hz);
    QApplication::restoreOverrideCursor();
  };
}

}  // namespace ardv::shell
