// Editing commands that ask for a file, a frequency or a duration before
// calling the editing operations: Save as, Copy to file, Paste from file,
// Zero, Remove DC and Resampling.
#include <QApplication>
#include <QInputDialog>

#include "platform/dialogs.h"
#include "shell/busy_cursor.h"
#include "shell/file_chooser.h"
#include "shell/main_window.h"
#include "signal/current_signal.h"
#include "signal/edit_clipboard.h"
#include "signal/edit_new.h"
#include "signal/edit_save.h"
#include "signal/infofile_io.h"
#include "signal/profile_table.h"
#include "signal/program.h"
#include "signal/resample.h"
#include "signal/wavfile.h"

namespace ardv::shell {
namespace {

// The record of `name` for reading or writing: the current one renamed, and
// for a name not read as WAV the formats chosen in the profile selector.
// False when the user cancels.
bool describeFile(const std::string& name, infoFile& info) {
  info = program().en_cours;
  return describeChosenFile(name, info);
}

std::string askSaveName(QWidget* parent, const QString& title, const std::string& proposed = {}) {
  return chooseFile(parent, FileQuestion::Save, title, QString::fromStdString(proposed)).toStdString();
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
    if (name.empty() || !describeFile(name, source) || !init_infoFile_read(source)) return;
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
    bool ok = false;
    const double hz = QInputDialog::getDouble(this, "Resampling", "New sampling frequency (Hz)",
                                              program().en_cours.frequence, 1000, 192000, 0, &ok);
    if (!ok) return;
    const std::string target = askSaveName(this, "Resampling");
    if (target.empty()) return;
    BusyCursor busy;
    resampleCurrent(hz, target);
  };
}

}  // namespace ardv::shell
