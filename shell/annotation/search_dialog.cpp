#include "shell/annotation/search_dialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "labels/phonetic_description.h"
#include "labels/phonetic_menu.h"
#include "platform/report.h"
#include "signal/profile_table.h"
#include "signal/program.h"
#include "signal/results.h"
#include "signal/wavfile.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

namespace fs = std::filesystem;

// Adds the items of a language-file menu to a slot's popup in the menu's
// order: a submenu becomes a heading that cannot be chosen, its items
// indented under it. Each item's data is the label the search takes.
void addMenuItems(QComboBox* box, const MenuNode& node, int depth) {
  const auto& description = phoneticDescription();
  const QString indent(2 * depth, QChar(' '));
  for (const MenuNode& child : node.children) {
    if (child.submenu) {
      box->addItem(indent + QString::fromStdString(child.caption));
      if (auto* model = qobject_cast<QStandardItemModel*>(box->model()))
        model->item(box->count() - 1)->setEnabled(false);
      addMenuItems(box, child, depth + 1);
      continue;
    }
    const std::string label = description.label(menuCommandIndex(child.command));
    if (label.empty()) continue;
    const std::string& shown = child.displayed.empty() ? child.caption : child.displayed;
    box->addItem(indent + QString::fromStdString(shown), QString::fromStdString(label));
  }
}

// A popup whose closed box shows the chosen label alone ("[V]"), while
// the open list shows the menus' full texts.
class LabelPopup : public QComboBox {
 public:
  using QComboBox::QComboBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = currentData().toString();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
  }
};

}  // namespace

QComboBox* newPhonemeClassPopup(QWidget* parent) {
  auto* box = new LabelPopup(parent);
  const auto& description = phoneticDescription();
  box->addItem(QString(), QString());
  if (description.phonemeMenu().built) {
    addMenuItems(box, description.phonemeMenu().root, 0);
  } else {
    for (int p = 1; p <= description.phonemeCount(); ++p) {
      const QString label = QString::fromStdString(description.label(p));
      box->addItem(label, label);
    }
  }
  box->insertSeparator(box->count());
  if (description.classMenu().built) {
    addMenuItems(box, description.classMenu().root, 0);
  } else {
    for (int c = 1; c <= description.classCount(); ++c) {
      const QString label = QString::fromStdString(description.label(-c));
      box->addItem(label, label);
    }
  }
  // The closed box is narrow; the open list is as wide as its items.
  box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  box->setMinimumContentsLength(5);
  box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 24);
  return box;
}

namespace {


// The extension of a pattern such as "*.lab" (".*" for any).
std::string patternExtension(const std::string& pattern) {
  const auto dot = pattern.rfind('.');
  return dot == std::string::npos ? ".*" : pattern.substr(dot);
}

QLineEdit* directoryField(QWidget* parent, QFormLayout* form, const QString& caption) {
  auto* row = new QHBoxLayout;
  auto* edit = new QLineEdit(parent);
  auto* browse = new QPushButton("...", parent);
  QObject::connect(browse, &QPushButton::clicked, parent, [parent, edit] {
    const QString dir = QFileDialog::getExistingDirectory(parent, QString(), edit->text());
    if (!dir.isEmpty()) edit->setText(dir);
  });
  row->addWidget(edit);
  row->addWidget(browse);
  form->addRow(caption, row);
  return edit;
}

}  // namespace

int runDirectorySearch(const SearchForm& form, const fs::path& tempDir, fs::path& gathered) {
  gathered.clear();
  std::error_code ec;
  if (!fs::is_directory(form.labelDir, ec)) {
    message(text(7306) + "\n" + form.labelDir);
    return -1;
  }
  if (form.profile >= 0 && !fs::is_directory(form.soundDir, ec)) {
    message(text(form.words ? 7308 : 7307) + "\n" + form.soundDir);
    return -1;
  }
  CorpusSearch request;
  request.words = form.words;
  request.word = form.word;
  request.sequences = compileSequences(form.sequences);
  request.maxCount = form.maxCount;
  request.formatIndex = form.profile;
  const auto& current = program().en_cours;
  request.labelKind = form.words ? (current.annotationKind > 0 ? current.annotationKind : 1)
                                 : (current.labelKind > 0 ? current.labelKind : 1);
  if (form.words ? form.word.empty() : request.sequences.empty()) {
    message(text(form.words ? 7310 : 7309));
    return -1;
  }
  // The label files drive the search; a WAV file is its own label file.
  std::vector<fs::path> labels;
  int unreadable = 0;
  if (!listCorpus(form.labelDir, patternExtension(form.labelPattern), labels, unreadable)) return -1;
  const std::string soundExt = patternExtension(form.soundPattern);
  for (const auto& label : labels) {
    if (isWavName(label.string())) {
      request.files.push_back(label);
      request.labelFiles.push_back(label);
    } else if (form.profile >= 0) {
      request.files.push_back(fs::path(form.soundDir) /
                              (soundExt == ".*" ? label.filename() : fs::path(label.stem().string() + soundExt)));
      request.labelFiles.push_back(label);
    }
  }
  const fs::path target = tempDir / (form.words ? "srchword.wa$" : "srchphon.wa$");
  request.gathered = target;
  CorpusOutcome outcome;
  resultsOpen();
  const bool ok = searchCorpus(request, {[](const std::string& line) { resultsWriteLine(line); }, {}}, outcome);
  resultsClose();
  if (!ok) return -1;
  if (outcome.gatheredWritten) gathered = target;
  return outcome.occurrences;
}

SearchDialog::SearchDialog(bool words, QWidget* parent) : QDialog(parent), words_(words) {
  setWindowTitle(words ? "Search for a text in a directory" : "Search for phonemes in a directory");
  setObjectName(words ? "WEXPLORECORPUSANNOTE" : "WEXPLORECORPUSETIQ");
  auto* layout = new QVBoxLayout(this);
  if (words) {
    auto* row = new QFormLayout;
    word_ = new QLineEdit(this);
    word_->setMaxLength(40);
    row->addRow(QString::fromStdString(text(3002)), word_);
    layout->addLayout(row);
  } else {
    auto* grid = new QGridLayout;
    for (int s = 0; s < kSearchSequences; ++s) {
      grid->addWidget(new QLabel(QString("#%1").arg(s + 1), this), s, 0);
      for (int i = 0; i < kSearchSlots; ++i) {
        QComboBox* box = newPhonemeClassPopup(this);
        grid->addWidget(box, s, i + 1);
        slotBoxes_.push_back(box);
      }
    }
    layout->addLayout(grid);
  }
  auto* domains = new QFormLayout;
  labelDir_ = directoryField(this, domains, words ? "Text files:" : "Phoneme files:");
  labelPattern_ = new QLineEdit("*.*", this);
  domains->addRow("Pattern:", labelPattern_);
  soundDir_ = directoryField(this, domains, "Sound files (not WAV):");
  soundPattern_ = new QLineEdit("*.*", this);
  domains->addRow("Pattern:", soundPattern_);
  profile_ = new QComboBox(this);
  profile_->addItem("(WAV files only)");
  init_fmt();
  for (const auto& p : profileTable().profiles()) profile_->addItem(QString::fromStdString(p.name));
  domains->addRow("Format profile:", profile_);
  max_ = new QSpinBox(this);
  max_->setRange(1, 1000000);
  max_->setValue(kSearchDefaultMax);
  domains->addRow("max séqu.", max_);
  layout->addLayout(domains);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

SearchForm SearchDialog::form() const {
  SearchForm f;
  f.words = words_;
  if (word_) f.word = word_->text().toStdString();
  for (int s = 0; s < static_cast<int>(slotBoxes_.size()) / kSearchSlots; ++s) {
    SearchSequence sequence;
    for (int i = 0; i < kSearchSlots; ++i)
      sequence.push_back(slotBoxes_[static_cast<std::size_t>(s * kSearchSlots + i)]->currentData().toString().toStdString());
    f.sequences.push_back(std::move(sequence));
  }
  f.labelDir = labelDir_->text().toStdString();
  f.labelPattern = labelPattern_->text().toStdString();
  f.soundDir = soundDir_->text().toStdString();
  f.soundPattern = soundPattern_->text().toStdString();
  f.profile = profile_->currentIndex() - 1;
  f.maxCount = max_->value();
  return f;
}

bool SearchDialog::setSlot(int s, int i, const std::string& label) {
  if (s < 0 || s >= kSearchSequences || i < 0 || i >= kSearchSlots || slotBoxes_.empty()) return false;
  QComboBox* box = slotBoxes_[static_cast<std::size_t>(s * kSearchSlots + i)];
  const int at = box->findData(QString::fromStdString(label));
  if (at < 0) return false;
  box->setCurrentIndex(at);
  return true;
}

void SearchDialog::setDirectory(const std::string& dir) { labelDir_->setText(QString::fromStdString(dir)); }
void SearchDialog::setMaximum(int count) { max_->setValue(count); }

}  // namespace ardv::shell
