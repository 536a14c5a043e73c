// Editing commands that ask for a file, a frequency or a duration before
// calling the editing operations: Save as, Copy to file, Paste from file,
// Zero, Remove DC and Resampling.
#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "editing/edit_clipboard.h"
#include "editing/edit_new.h"
#include "editing/edit_save.h"
#include "editing/resample.h"
#include "platform/dialogs.h"
#include "platform/report.h"
#include "shell/main_window/main_window.h"
#include "shell/shared/busy_cursor.h"
#include "shell/shared/file_chooser.h"
#include "signal/current_signal.h"
#include "signal/infofile_io.h"
#include "signal/profile_table.h"
#include "signal/program.h"
#include "signal/wavfile.h"

namespace ardv::shell {
namespace {

// The record of `name` for reading or writing: the current one renamed, and
// for a name not read as WAV the formats chosen in the profile selector.
// False when the user cancels.
bool describeFile(const std::string& name, infoFile& info, bool soundOnly = false) {
  info = program().en_cours;
  return describeChosenFile(name, info, soundOnly);
}

std::string askSaveName(QWidget* parent, const QString& title, const std::string& proposed = {}) {
  return chooseFile(parent, FileQuestion::Save, title, QString::fromStdString(proposed)).toStdString();
}

// The "Resampling" dialog: five usual rates or a free one, and the target
// file ("modif.wav" in the temporary directory unless changed). False on
// Cancel or an unreadable rate (said).
bool askResampling(QWidget* parent, double& hz, std::string& target) {
  QDialog dialog(parent);
  dialog.setWindowTitle("Resampling");
  auto* layout = new QVBoxLayout(&dialog);
  auto* rates = new QButtonGroup(&dialog);
  const int kRates[] = {8000, 11025, 16000, 22050, 44100};
  for (int rate : kRates) {
    auto* b = new QRadioButton(QString("%1 Hz").arg(rate), &dialog);
    rates->addButton(b, rate);
    layout->addWidget(b);
    if (std::fabs(rate - program().en_cours.frequence) < 1e-10) b->setChecked(true);
  }
  auto* other = new QRadioButton("Other (Hz)", &dialog);
  rates->addButton(other, 0);
  auto* freeRate = new QLineEdit(&dialog);
  freeRate->setObjectName("frequency");
  QObject::connect(freeRate, &QLineEdit::textEdited, other, [other] { other->setChecked(true); });
  auto* otherRow = new QHBoxLayout;
  otherRow->addWidget(other);
  otherRow->addWidget(freeRate);
  layout->addLayout(otherRow);
  if (!rates->checkedButton()) other->setChecked(true);
  auto* file = new QLineEdit(QString::fromStdString((program().dirs.temp / "modif.wav").string()), &dialog);
  file->setObjectName("target");
  file->setMinimumWidth(320);
  auto* choose = new QPushButton("Choose a file", &dialog);
  QObject::connect(choose, &QPushButton::clicked, &dialog, [&dialog, file] {
    const QString name = chooseFile(&dialog, FileQuestion::Save, "Resampling", file->text());
    if (!name.isEmpty()) file->setText(name);
  });
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(new QLabel("Target file", &dialog));
  fileRow->addWidget(file);
  fileRow->addWidget(choose);
  layout->addLayout(fileRow);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  hz = rates->checkedId();
  if (hz == 0) {
    bool ok = false;
    hz = freeRate->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(hz) || hz <= 0) {
      message("Resampling: \"" + freeRate->text().toStdString() + "\" is not a sampling frequency in Hz.");
      return false;
    }
  }
  target = file->text().trimmed().toStdString();
  return !target.empty();
}

}  // namespace

void MainWindow::bindEditCommands() {
  auto& h = handlers_;
  h[14] = [this] {
    const std::string name = askSaveName(this, "Save as");
    infoFile destination;
    if (name.empty() || !describeFile(name, destination) || !init_infoFile_write(destination)) return;
    BusyCursor busy;
    editSaveAs(destination);
  };
  h[15] = [this] {
    static std::string previous = "cut0.wav";
    const std::string name = askSaveName(this, "Copy to file", nextCopyName(previous));
    infoFile destination;
    if (name.empty() || !describeFile(name, destination) || !init_infoFile_write(destination)) return;
    BusyCursor busy;
    if (editCopyToFile(destination)) previous = name;
  };
  h[16] = [this] {
    const std::string name = chooseFile(this, FileQuestion::Open, "Paste from file").toStdString();
    infoFile source;
    // Only its samples are pasted: the profile alone is asked.
    if (name.empty() || !describeFile(name, source, true) || !init_infoFile_read(source)) return;
    BusyCursor busy;
    editPasteFromFile(source);
  };
  h[11844] = [this] {
    bool ok = false;
    const QString hz = QInputDialog::getItem(this, "Zero", "Sampling frequency (Hz)", {"8000", "11025", "16000", "22050"},
                                             2, false, &ok);
    if (!ok) return;
    const double ms = QInputDialog::getDouble(this, "Zero", "Duration shown (ms)", 2000, 1000, 600000, 0, &ok);
    if (!ok) return;
    BusyCursor busy;
    editNewZero(hz.toDouble(), ms);
  };
  h[11856] = [this] {
    const std::string target = askSaveName(this, "Remove DC");
    if (target.empty()) return;
    BusyCursor busy;
    removeDC(target);
  };
  h[11845] = [this] {
    double hz = 0;
    std::string target;
    if (!askResampling(this, hz, target)) return;
    // The signal already has that rate: nothing to do.
    if (std::fabs(hz - program().en_cours.frequence) < 1e-10) return;
    BusyCursor busy;
    resampleCurrent(hz, target);
  };
}

}  // namespace ardv::shell
