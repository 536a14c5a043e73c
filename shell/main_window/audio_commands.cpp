// Playback and recording commands: "&Play" (the selection, or the displayed
// stretch), "Pla&y many" (the same, repeated), "&Play the file" and "Record"
// with its duration dialog.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>

#include "editing/edit_save.h"
#include "platform/audio_device.h"
#include "platform/report.h"
#include "prosody/play_signal.h"
#include "prosody/recording.h"
#include "shell/logic/command_table.h"
#include "shell/main_window/main_window.h"
#include "shell/main_window/playback.h"
#include "signal/program.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

// The stretch "&Play" plays: the selection when there is one, else the
// displayed stretch. A selection of one sample (a click, or the one a file
// opens with) counts as none.
std::pair<std::int32_t, std::int32_t> stretchToPlay() {
  const auto& ct = program().ct;
  if (ct.d_sel >= 0 && ct.f_sel > ct.d_sel) return {ct.d_sel, ct.f_sel};
  return {ct.d_es, std::min(ct.f_es, ct.tf - 1)};
}

// The dialog `WRECORD`: the duration in seconds, or a negative value for Cancel.
double askRecordDuration(QWidget* parent) {
  QDialog dialog(parent);
  dialog.setObjectName("WRECORD");
  dialog.setWindowTitle("Record");
  auto* form = new QFormLayout(&dialog);
  auto* duration = new QLineEdit("4", &dialog);
  duration->setObjectName("duration");
  form->addRow("Duration (seconds)", duration);
  auto* buttons = new QDialogButtonBox(&dialog);
  buttons->addButton("Start", QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return -1.0;
  bool ok = false;
  const double seconds = duration->text().trimmed().toDouble(&ok);
  if (!ok || !(seconds > 0.0 && seconds <= kRecordMaxSeconds)) {
    message("The duration of a recording lies between 0 and 600 seconds.");
    return -1.0;
  }
  return seconds;
}

}  // namespace

void MainWindow::bindAudioCommands() {
  player_ = new Player(*this);
  auto& h = handlers_;
  h[kCmdPlay] = [this] {
    const auto [a, b] = stretchToPlay();
    player_->playStretch(a, b);
  };
  h[kCmdPlayMany] = [this] {
    static int previous = 2;
    bool ok = false;
    int count = QInputDialog::getInt(this, QString::fromStdString(text(5503)), QString::fromStdString(text(5502)),
                                     previous, 0, 9999, 1, &ok);
    if (!ok) return;
    if (count < 2) count = 1;
    previous = count;
    const auto [a, b] = stretchToPlay();
    player_->playStretch(a, b, count);
  };
  h[kCmdPlayFile] = [this] {
    player_->stop();
    if (!checkAudioDevice(audioOutput())) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::string name = fileToPlay();
    QApplication::restoreOverrideCursor();
    if (!name.empty()) player_->playFile(name, true);
  };
  h[kCmdRecord] = [this] {
    player_->stop();
    if (!checkAudioDevice(audioInput())) return;
    const double seconds = askRecordDuration(this);
    if (seconds <= 0.0) return;
    // Settled before the capture, so that Cancel records nothing.
    if (askSaveModifications() == SaveOutcome::Abandon) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    record(audioInput(), seconds);
    QApplication::restoreOverrideCursor();
  };
}

}  // namespace ardv::shell
