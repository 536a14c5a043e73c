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

const QStringList kPhonemeKinds = {"QERN", "NIST", "SAM", "ALIGN"};
const QStringList kWordKinds = {"VECSYS", "NIST", "SAM", "NOISEX"};

}  // namespace

void MainWindow::bindAnalysisCommands() {
  auto& h = handlers_;
  // Phonemes > Read, Save as; Words > Read, Save as.
  h[41] = [this] {
    const QString name = chooseFile(this, FileQuestion::Open, "Read phoneme labels");
    if (name.isEmpty()) return;
    infoFile info = program().en_cours;
    info.nom_man = name.toStdString();
    info.labelKind = askKind(this, "Phoneme labels", kPhonemeKinds, info.labelKind);
    if (!info.labelKind) return;
    notetiqs list;
    if (!readLabels(list, info) && list.count() == 0) return;  // nothing read (reported): the labels stay
    program().etiq = std::move(list);
    program().annotationsModified = true;
    phonemePane_->update();
  };
  h[43] = [this] {
    const QString name = chooseFile(this, FileQuestion::Save, "Save phoneme labels as");
    if (name.isEmpty()) return;
    infoFile info = program().en_cours;
    info.nom_man = name.toStdString();
    info.labelKind = askKind(this, "Phoneme labels", kPhonemeKinds, info.labelKind);
    if (info.labelKind) writeLabels(program().etiq, info, program().ct.tf);
  };
  h[51] = [this] {
    const QString name = chooseFile(this, FileQuestion::Open, "Read word annotations");
    if (name.isEmpty()) return;
    infoFile info = program().en_cours;
    info.nomAnnot = name.toStdString();
    info.annotationKind = askKind(this, "Word annotations", kWordKinds, info.annotationKind);
    if (!info.annotationKind) return;
    notetiqs list;
    if (!readAnnotations(list, info) && list.count() == 0) return;  // nothing read (reported): the words stay
    program().note = std::move(list);
    program().annotationsModified = true;
    wordPane_->update();
  };
  h[52] = [this] {
    const QString name = chooseFile(this, FileQuestion::Save, "Save word annotations as");
    if (name.isEmpty()) return;
    infoFile info = program().en_cours;
    info.nomAnnot = name.toStdString();
    info.annotationKind = askKind(this, "Word annotations", kWordKinds, info.annotationKind);
    if (info.annotationKind) writeAnnotations(program().note, info, program().ct.tf);
  };
}

}  // namespace ardv::shell
