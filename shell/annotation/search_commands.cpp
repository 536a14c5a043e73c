// Phonemes and Words commands: search the current signal for a phoneme or
// class (48) or a word (57), and explore a directory (49, 58), whose gathered
// occurrences become the current signal.
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "editing/edit_save.h"
#include "labels/phonetic_description.h"
#include "platform/qt/input_dialog.h"
#include "search/corpus_search.h"
#include "shell/annotation/search_dialog.h"
#include "shell/main_window/main_window.h"
#include "shell/shared/busy_cursor.h"
#include "signal/program.h"
#include "signal/results.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

// The results of a search in the current signal.
void listInCurrent(int title, const std::string& label, bool words) {
  const auto& p = program();
  resultsOpen();
  resultsWriteLine(text(title) + label);
  resultsWriteLine(text(3005) + p.en_cours.nom);
  resultsWriteLine(text(3010));
  resultsWriteLine(text(3011));
  const auto lines = words ? listMatches(p.note, {}, label, p.en_cours.frequence)
                           : listMatches(p.etiq, {{label}}, std::string(), p.en_cours.frequence);
  for (const auto& line : lines) resultsWriteLine(line);
  resultsClose();
  showLog(p.dirs.temp);  // closing moved the results to the end of the log
}

}  // namespace

void MainWindow::bindSearchCommands() {
  auto& h = handlers_;
  // A small modal box holding the popup of phonemes then classes.
  h[48] = [this] {
    QDialog box(this);
    box.setWindowTitle(QString::fromStdString(text(3006)));
    auto* layout = new QVBoxLayout(&box);
    QComboBox* popup = newPhonemeClassPopup(&box);
    layout->addWidget(popup);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(buttons);
    if (box.exec() != QDialog::Accepted) return;
    const std::string label = popup->currentData().toString().toStdString();
    if (!label.empty()) listInCurrent(3006, label, false);
  };
  h[57] = [this] {
    const auto word = qt::askText(this, text(3003), text(3002), "", 70);
    if (word) listInCurrent(3004, *word, true);
  };
  for (const bool words : {false, true}) {
    h[words ? 58 : 49] = [this, words] {
      if (askSaveModifications() == SaveOutcome::Abandon) return;
      SearchDialog dialog(words, this);
      if (dialog.exec() != QDialog::Accepted) return;
      exploreDirectory(dialog.form());
    };
  }
}

int MainWindow::exploreDirectory(const SearchForm& form) {
  std::filesystem::path gathered;
  int found = 0;
  {
    BusyCursor busy;
    found = runDirectorySearch(form, program().dirs.temp, gathered);
  }
  if (found < 0) return found;
  if (!gathered.empty()) openPath(gathered.string());
  showLog(program().dirs.temp);
  return found;
}

}  // namespace ardv::shell
