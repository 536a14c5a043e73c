// The segment measurement table window.
#include "shell/measurement/segment_table_window.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "formants/formant_options.h"
#include "platform/report.h"
#include "prosody/energy.h"
#include "shell/shared/file_chooser.h"
#include "signal/program.h"
#include "signal/replacing_file.h"

namespace ardv::shell {
namespace {

// Columns shown: a subset of the table's, each with how to read it from a row.
struct Column {
  const char* title;
  double (*value)(const SegmentRow&);  // nullptr: text column
  int decimals;
};

const Column kColumns[] = {
    {"label", nullptr, 0},
    {"previous", nullptr, 0},
    {"next", nullptr, 0},
    {"start ms", [](const SegmentRow& r) { return r.m.startMs; }, 1},
    {"duration ms", [](const SegmentRow& r) { return r.m.durationMs; }, 1},
    {"F0 mean Hz", [](const SegmentRow& r) { return r.m.f0.meanHz; }, 1},
    {"F0 median Hz", [](const SegmentRow& r) { return r.m.f0.medianHz; }, 1},
    {"F0 min Hz", [](const SegmentRow& r) { return r.m.f0.minHz; }, 1},
    {"F0 max Hz", [](const SegmentRow& r) { return r.m.f0.maxHz; }, 1},
    {"F0 sd st", [](const SegmentRow& r) { return r.m.f0.sdSt; }, 2},
    {"voiced", [](const SegmentRow& r) { return r.m.f0.voicedFraction; }, 2},
    {"F1 50%", [](const SegmentRow& r) { return r.m.formantsAt[1][0]; }, 0},
    {"F2 50%", [](const SegmentRow& r) { return r.m.formantsAt[1][1]; }, 0},
    {"F3 50%", [](const SegmentRow& r) { return r.m.formantsAt[1][2]; }, 0},
    {"F1 25%", [](const SegmentRow& r) { return r.m.formantsAt[0][0]; }, 0},
    {"F2 25%", [](const SegmentRow& r) { return r.m.formantsAt[0][1]; }, 0},
    {"F1 75%", [](const SegmentRow& r) { return r.m.formantsAt[2][0]; }, 0},
    {"F2 75%", [](const SegmentRow& r) { return r.m.formantsAt[2][1]; }, 0},
    {"F1 mid half", [](const SegmentRow& r) { return r.m.formantsMiddleMean[0]; }, 0},
    {"F2 mid half", [](const SegmentRow& r) { return r.m.formantsMiddleMean[1]; }, 0},
    {"intensity dB", [](const SegmentRow& r) { return r.m.intensityMeanDb; }, 1},
};

constexpr int kStartColumn = 3;

// A number cell sorting by value; a missing value is empty and sorts first.
class NumberItem : public QTableWidgetItem {
 public:
  NumberItem(double v, int decimals) : value_(v) {
    if (hasValue(v)) setText(QString::number(v, 'f', decimals));
    setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  bool operator<(const QTableWidgetItem& other) const override {
    const auto* o = dynamic_cast<const NumberItem*>(&other);
    if (!o) return QTableWidgetItem::operator<(other);
    if (!hasValue(value_)) return hasValue(o->value_);
    return hasValue(o->value_) && value_ < o->value_;
  }

 private:
  double value_;
};

}  // namespace

SegmentTableWindow::SegmentTableWindow(std::function<void(std::int32_t, std::int32_t)> select, QWidget* parent)
    : QWidget(parent, Qt::Window), select_(std::move(select)) {
  setObjectName("segmentTable");
  setWindowTitle("Segment measurements");
  resize(960, 420);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QHBoxLayout;
  tier_ = new QComboBox(this);
  tier_->addItems({"phonemes", "words"});
  sequence_ = new QLineEdit(this);
  sequence_->setPlaceholderText("every segment; or phonemes and [classes], e.g. [V] or p,[V] (a word on the word tier)");
  auto* run = new QPushButton("&Measure", this);
  auto* save = new QPushButton("&Export...", this);
  form->addWidget(new QLabel("Tier", this));
  form->addWidget(tier_);
  form->addWidget(sequence_, 1);
  form->addWidget(run);
  form->addWidget(save);
  layout->addLayout(form);
  table_ = new QTableWidget(0, static_cast<int>(std::size(kColumns)), this);
  QStringList titles;
  for (const Column& c : kColumns) titles << c.title;
  table_->setHorizontalHeaderLabels(titles);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Time order until a header is clicked (the header's own default is the
  // first column, descending).
  table_->horizontalHeader()->setSortIndicator(kStartColumn, Qt::AscendingOrder);
  table_->verticalHeader()->setVisible(false);
  layout->addWidget(table_, 1);
  status_ = new QLabel(this);
  layout->addWidget(status_);
  connect(run, &QPushButton::clicked, this, [this] { measure(); });
  connect(sequence_, &QLineEdit::returnPressed, this, [this] { measure(); });
  connect(save, &QPushButton::clicked, this, [this] {
    const QString path = chooseFile(this, FileQuestion::Save, "Export the measurements", "measurements.csv",
                                    "CSV (*.csv);;TSV (*.tsv)");
    if (!path.isEmpty()) exportTo(path);
  });
  connect(table_, &QTableWidget::cellClicked, this, [this](int row, int) { activateRow(row); });
}

int SegmentTableWindow::measure() {
  const auto& prog = program();
  rows_.clear();
  if (!prog.fileLoaded) {
    fill();
    status_->setText("No signal.");
    return 0;
  }
  SegmentRequest request;
  request.words = tier_->currentIndex() == 1;
  const std::string pattern = sequence_->text().trimmed().toStdString();
  if (!pattern.empty()) {
    if (request.words) {
      request.word = pattern;
    } else {
      std::string unknown;
      request.sequences = parseSequences(pattern, unknown);
      if (!unknown.empty() || request.sequences.empty()) {
        message("Not phonemes or classes of the language file: " + (unknown.empty() ? pattern : unknown));
        return -1;
      }
    }
  }
  MeasureSettings settings;
  settings.f0Params = speakerF0Params(speakerType());
  settings.formantOptions = formantOptions();
  settings.energyParams = energyParams();
  const notetiqs& list = request.words ? prog.note : prog.etiq;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const std::string name = std::filesystem::path(prog.en_cours.nom).filename().string();
  const bool ok = measureSegments(prog.en_cours, list, requestedSegments(list, request), request, settings, name,
                                  [&](const SegmentRow& r) { rows_.push_back(r); });
  QApplication::restoreOverrideCursor();
  fill();
  status_->setText(ok ? QString("%1 segments of %2").arg(rows_.size()).arg(QString::fromStdString(name))
                      : "The analyses failed (see the log).");
  return ok ? static_cast<int>(rows_.size()) : -1;
}

void SegmentTableWindow::fill() {
  table_->setSortingEnabled(false);
  table_->clearContents();
  table_->setRowCount(static_cast<int>(rows_.size()));
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    const SegmentRow& r = rows_[static_cast<std::size_t>(i)];
    for (int c = 0; c < static_cast<int>(std::size(kColumns)); ++c) {
      const Column& col = kColumns[c];
      QTableWidgetItem* item = nullptr;
      if (col.value) {
        item = new NumberItem(col.value(r), col.decimals);
      } else {
        const std::string& t = c == 0 ? r.label : c == 1 ? r.previous : r.next;
        item = new QTableWidgetItem(QString::fromStdString(t));
      }
      item->setData(Qt::UserRole, i);
      table_->setItem(i, c, item);
    }
  }
  table_->setSortingEnabled(true);
  table_->resizeColumnsToContents();
}

void SegmentTableWindow::activateRow(int row) {
  const QTableWidgetItem* item = table_->item(row, 0);
  if (!item) return;
  const SegmentRow& r = rows_[static_cast<std::size_t>(item->data(Qt::UserRole).toInt())];
  if (r.m.end > r.m.start) select_(static_cast<std::int32_t>(r.m.start), static_cast<std::int32_t>(r.m.end - 1));
}

bool SegmentTableWindow::exportTo(const QString& path) {
  const char separator = path.endsWith(".tsv", Qt::CaseInsensitive) ? '\t' : ',';
  ReplacingFile out(std::filesystem::path(path.toStdString()));
  bool ok = out.open() && out.write(segmentTableHeader(separator));
  for (int row = 0; ok && row < table_->rowCount(); ++row) {
    const int index = table_->item(row, 0)->data(Qt::UserRole).toInt();
    ok = out.write(segmentTableLine(rows_[static_cast<std::size_t>(index)], separator));
  }
  if (ok && out.commit()) return true;
  message("Cannot write " + path.toStdString() + ": " + out.error());
  return false;
}

}  // namespace ardv::shell
