// The operations bound to the main menu's commands.
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdlib>

#include "annotation/texts.h"
#include "platform/qt/input_dialog.h"
#include "platform/report.h"
#include "shell/command_table.h"
#include "shell/help_window.h"
#include "shell/main_window.h"
#include "shell/options_dialog.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/results.h"

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
  h[kCmdCopySignalBitmap] = [this] { commandCopyBitmap(signalPlane_->view()); };
  h[kCmdCopySpectroBitmap] = [this] { commandCopyBitmap(spectroPlane_->view()); };
  h[kCmdClear] = [this] { spectroPlane_->refresh(); };
  h[kCmdKeepDecoration] = [this] { spectroPlane_->view()->keepDecorations(); };
  h[kCmdClearDecorations] = [this] { spectroPlane_->view()->clearDecorations(); };
  h[kCmdGlottalClosure] = [] { message("Not yet implemented"); };
  h[kCmdDetails] = [this] { commandDetails(); };
  h[kCmdGeneralOptions] = [this] { commandOptions(); };
  h[kCmdShowResults] = [] { showResults(program().dirs.temp); };
  h[kCmdAppendResults] = [] { logAppendResults(program().dirs.temp); };
  h[kCmdShowLog] = [] { showLog(program().dirs.temp); };
  h[kCmdHelp] = [this] { commandHelp({}); };
  h[kCmdUsingHelp] = [this] { commandHelp("using-help"); };
  h[kCmdAbout] = [this] { commandAbout(); };
}

void MainWindow::commandOpen() {
  const QString start = program().fileLoaded
                            ? QString::fromStdString(std::filesystem::path(program().en_cours.nom).parent_path().string())
                            : QString();
  const QString name = QFileDialog::getOpenFileName(this, "Open", start,
                                                    "Signals (*.wav *.WAV *.ard *.ARD);;All files (*)");
  if (!name.isEmpty()) openPath(name.toStdString());
}

void MainWindow::commandGoTo() {
  const auto answer = qt::askText(this, text(8002), text(8001), "0", 20);
  if (!answer) return;
  char* end = nullptr;
  const double ms = std::strtod(answer->c_str(), &end);
  if (end == answer->c_str()) return;
  goToMs(ms);
}

void MainWindow::commandCopyBitmap(const PlaneView* view) {
  if (view->bitmap().isNull()) return;
  QApplication::clipboard()->setImage(view->bitmap());
}

void MainWindow::commandDetails() {
  QMessageBox::information(this, QString::fromStdString(text(84)), QString::fromStdString(detailsText(program())));
}

void MainWindow::commandOptions() {
  OptionsDialog dialog(this);
  if (dialog.exec() != QDialog::Accepted) return;
  if (dialog.apply()) spectroPlane_->refresh();
}

void MainWindow::commandHelp(const QString& anchor) {
  if (!help_) help_ = new HelpWindow(this);
  help_->showPage(program().dirs.helpFile, anchor);
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
