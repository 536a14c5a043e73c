// "Klatt synthesizer" (command 67): opens the formant window, which follows
// the main window's view.
#include "shell/formant_window/formant_window.h"
#include "shell/main_window/main_window.h"
#include "shell/main_window/playback.h"

namespace ardv::shell {

FormantWindow* MainWindow::formantWindow() const { return formantWindow_; }

void MainWindow::followFormantWindow() {
  if (formantWindow_) formantWindow_->followView();
}

void MainWindow::bindKlattCommands() {
  handlers_[67] = [this] {
    if (!formantWindow_) {
      formantWindow_ = new FormantWindow([this](const std::string& wav) { player().playFile(wav, false); },
                                         [this](const QString& anchor) { commandHelp(anchor); }, this);
      formantWindow_->setWindowFlag(Qt::Window);
      // The F1-F2 plane shows the selection's frames.
      connect(this, &MainWindow::selectionChanged, formantWindow_, &FormantWindow::followView);
    }
    formantWindow_->show();
    formantWindow_->raise();
    // Opening synthesizes the tracks once.
    if (!formantWindow_->tracks().empty()) formantWindow_->synthesize();
  };
}

}  // namespace ardv::shell
