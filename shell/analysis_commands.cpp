// Commands of the annotation menus served so far: reading and saving label
// files.
#include <QApplication>
#include <QInputDialog>
#include <algorithm>

#include "annotation/label_files.h"
#include "shell/file_chooser.h"
#include "shell/main_window.h"
#include "signal/program.h"

namespace ardv::shell {
namespace {

// Asks for a label-file kind among `kinds` (1-based in the list); 0 when cancelled.
int askKind(QWidget* parent, const QString& title, const QStringList& kinds, int current) {
  bool ok = false;
  const QString chosen =
      QInputDialog::getItem(parent, title, "File kind", kinds, std::clamp(current - 1, 0, int(kinds.size()) - 1), false, &ok);
  return ok ? static_cast<int>(kinds.indexOf(chosen)) + 1 : 0;
}

// One annotation tier as its Read and Save as commands see it: the file
// name and kind fields of the record, the reader, the writer and the list.
struct Tier {
  const char* title;  // of the kind box: "Phoneme labels"
  const char* what;   // in the file questions: "phoneme labels"
  QStringList kinds;
  std::string infoFile::*name;
  std::int32_t infoFile::*kind;
  bool (*read)(notetiqs&, const infoFile&);
  bool (*write)(const notetiqs&, const infoFile&, std::int64_t);
  notetiqs Program::*list;
};

const Tier kPhonemes = {"Phoneme labels", "phoneme labels", {"QERN", "NIST", "SAM", "ALIGN"}, &infoFile::nom_man, &infoFile::labelKind,
                        readLabels, writeLabels, &Program::etiq};
const Tier kWords = {"Word annotations", "word annotations", {"VECSYS", "NIST", "SAM", "NOISEX"}, &infoFile::nomAnnot,
                     &infoFile::annotationKind, readAnnotations, writeAnnotations, &Program::note};

// The record of the current signal with the file the user picks for `tier`
// and its kind; false when cancelled.
bool chooseTierFile(QWidget* parent, const Tier& tier, FileQuestion question, const QString& title, infoFile& info) {
  const QString name = chooseFile(parent, question, title);
  if (name.isEmpty()) return false;
  info = program().en_cours;
  info.*tier.name = name.toStdString();
  info.*tier.kind = askKind(parent, tier.title, tier.kinds, info.*tier.kind);
  return info.*tier.kind != 0;
}

void readTier(MainWindow* parent, const Tier& tier) {
  infoFile info;
  if (!chooseTierFile(parent, tier, FileQuestion::Open, QString("Read ") + tier.what, info)) return;
  notetiqs list;
  if (!tier.read(list, info) && list.count() == 0) return;  // nothing read (reported): the list stays
  program().*tier.list = std::move(list);
  program().annotationsModified = true;
  parent->contentEdited();
}

void saveTier(QWidget* parent, const Tier& tier) {
  infoFile info;
  if (chooseTierFile(parent, tier, FileQuestion::Save, QString("Save ") + tier.what + " as", info))
    tier.write(program().*tier.list, info, program().ct.tf);
}

}  // namespace

void MainWindow::bindAnalysisCommands() {
  auto& h = handlers_;
  // Phonemes > Read, Save as; Words > Read, Save as.
  h[41] = [this] { readTier(this, kPhonemes); };
  h[43] = [this] { saveTier(this, kPhonemes); };
  h[51] = [this] { readTier(this, kWords); };
  h[52] = [this] { saveTier(this, kWords); };
}

}  // namespace ardv::shell
