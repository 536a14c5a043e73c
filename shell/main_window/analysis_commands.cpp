// Commands of the annotation menus served so far: reading and saving label
// files, TextGrids among them.
#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QStatusBar>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "annotation/label_files.h"
#include "annotation/textgrid.h"
#include "platform/report.h"
#include "shell/main_window/main_window.h"
#include "shell/shared/file_chooser.h"
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

bool isTextGridName(const QString& name) { return name.endsWith(".TextGrid", Qt::CaseInsensitive); }

// The record of the current signal with the file the user picks for `tier`
// and its kind: a name ending in ".TextGrid" is a TextGrid; for other names
// the kind is asked among the tier's kinds and TextGrid, which is then
// confirmed. False when cancelled.
bool chooseTierFile(QWidget* parent, const Tier& tier, FileQuestion question, const QString& title, infoFile& info,
                    bool& textGrid) {
  const QString name = chooseFile(parent, question, title);
  if (name.isEmpty()) return false;
  info = program().en_cours;
  info.*tier.name = name.toStdString();
  textGrid = isTextGridName(name);
  if (textGrid) return true;  // the name says the kind
  const QStringList kinds = tier.kinds + QStringList{"TextGrid"};
  const int kind = askKind(parent, tier.title, kinds, info.*tier.kind);
  if (kind == 0) return false;
  textGrid = kind == kinds.size();
  if (textGrid &&
      QMessageBox::question(parent, tier.title,
                            QString("The name %1 does not end in .TextGrid. Use the kind TextGrid all the same?").arg(name),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
    return false;
  if (!textGrid) info.*tier.kind = kind;
  return true;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  if (in) all << in.rdbuf();
  return all.str();
}

QString quotedList(const std::vector<std::string>& names) {
  QStringList quoted;
  for (const std::string& n : names) quoted << "\"" + QString::fromStdString(n) + "\"";
  return quoted.join(", ");
}

// Both lists from a TextGrid; says which tiers went where and which the
// window does not show.
void readTextGrid(MainWindow* window, const std::string& path) {
  Program& prog = program();
  notetiqs phon = prog.etiq, word = prog.note;
  if (!importTextGrid(path, prog.en_cours.frequence, prog.ct.tf, phon, word)) return;
  const std::string content = readAll(path);
  const auto tiers = textGridTiers(content);
  prog.etiq = std::move(phon);
  prog.note = std::move(word);
  prog.annotationsModified = true;
  auto others = otherTextGridTiers(content, prog.en_cours.frequence);
  window->setOtherTiers(others ? std::move(*others) : std::vector<ShownTier>{});
  window->contentEdited();
  if (!tiers) return;
  QString read = QString("Read from %1: tier \"%2\" as phonemes").arg(QString::fromStdString(path), QString::fromStdString(tiers->phonemes));
  if (!tiers->words.empty()) read += QString(", tier \"%1\" as words").arg(QString::fromStdString(tiers->words));
  std::vector<std::string> shown;
  for (const std::string& n : tiers->all)
    if (n != tiers->phonemes && n != tiers->words) shown.push_back(n);
  if (!shown.empty()) read += QString("; shown read-only: %1").arg(quotedList(shown));
  window->statusBar()->showMessage(read + ".", 10000);
}

void readTier(MainWindow* parent, const Tier& tier) {
  infoFile info;
  bool textGrid = false;
  if (!chooseTierFile(parent, tier, FileQuestion::Open, QString("Read ") + tier.what, info, textGrid)) return;
  if (textGrid) {
    readTextGrid(parent, info.*tier.name);
    return;
  }
  notetiqs list;
  if (!tier.read(list, info) && list.count() == 0) return;  // nothing read (reported): the list stays
  program().*tier.list = std::move(list);
  program().annotationsModified = true;
  parent->contentEdited();
}

void saveTier(MainWindow* parent, const Tier& tier) {
  infoFile info;
  bool textGrid = false;
  if (!chooseTierFile(parent, tier, FileQuestion::Save, QString("Save ") + tier.what + " as", info, textGrid)) return;
  const Program& prog = program();
  if (!textGrid) {
    tier.write(prog.*tier.list, info, prog.ct.tf);
    return;
  }
  // A TextGrid holds both lists; over an existing one, the tiers this window
  // does not show are written again as they were.
  const std::string path = info.*tier.name;
  std::vector<std::string> kept;
  std::error_code ec;
  if (std::filesystem::exists(path, ec))
    if (const auto tiers = textGridTiers(readAll(path)))
      for (const std::string& n : tiers->all)
        if (n != tiers->phonemes && n != tiers->words) kept.push_back(n);
  if (!exportTextGrid(path, prog.etiq, prog.note, prog.en_cours.frequence, prog.ct.tf, true)) return;
  QString said = QString("Phonemes and words saved in %1").arg(QString::fromStdString(path));
  if (!kept.empty()) said += QString("; tiers kept as they were: %1").arg(quotedList(kept));
  parent->statusBar()->showMessage(said + ".", 10000);
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
