// The directory search dialogs: five sequences of five slots, each slot a
// phoneme or a class of the language description ("WEXPLORECORPUSETIQ"), or
// one text ("WEXPLORECORPUSANNOTE"); the label-file and sound-file domains,
// the format profile and the maximum count. The search they describe is run
// by runDirectorySearch, which the tests call without the dialog.
#pragma once

#include <QDialog>
#include <filesystem>
#include <string>
#include <vector>

#include "search/corpus_search.h"

class QComboBox;
class QLineEdit;
class QSpinBox;

namespace ardv::shell {

// A popup of nothing, then the phoneme menu and the class menu of the
// language file (a list of every phoneme or class where a menu is missing);
// each item's data is the label a search takes ("a", "[V]"), which the
// closed box shows.
QComboBox* newPhonemeClassPopup(QWidget* parent);

struct SearchForm {
  bool words = false;
  std::vector<SearchSequence> sequences;  // up to 5 x 5 labels, "" for an empty slot
  std::string word;
  std::string labelDir;
  std::string labelPattern = "*.*";
  std::string soundDir;
  std::string soundPattern = "*.*";
  int profile = -1;  // format profile of non-WAV sound files; -1: none
  int maxCount = kSearchDefaultMax;
};

// Runs the search of `form` with its texts in the results file. On success
// with at least one occurrence copied, `gathered` names the gathered signal
// ("srchphon.wa$" / "srchword.wa$" in `tempDir`). Returns the number of
// occurrences, -1 when the search could not run (after its message).
int runDirectorySearch(const SearchForm& form, const std::filesystem::path& tempDir, std::filesystem::path& gathered);

class SearchDialog : public QDialog {
  Q_OBJECT
 public:
  SearchDialog(bool words, QWidget* parent = nullptr);
  SearchForm form() const;
  // Slot (s, i) set to `label` (a phoneme or class name); false when the
  // popup does not offer it.
  bool setSlot(int s, int i, const std::string& label);
  void setDirectory(const std::string& dir);
  void setMaximum(int count);

 private:
  bool words_;
  std::vector<QComboBox*> slotBoxes_;
  QLineEdit* word_ = nullptr;
  QLineEdit* labelDir_ = nullptr;
  QLineEdit* labelPattern_ = nullptr;
  QLineEdit* soundDir_ = nullptr;
  QLineEdit* soundPattern_ = nullptr;
  QComboBox* profile_ = nullptr;
  QSpinBox* max_ = nullptr;
};

}  // namespace ardv::shell
