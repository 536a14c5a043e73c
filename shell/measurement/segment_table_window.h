// The measurement table of the current signal's segments: every segment of
// the phoneme or word tier, or the matches of phoneme/class sequences or of
// a word; sortable by any column, a click selects the segment in the main
// window, and the table is exported as CSV or TSV.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "measurement/segment_table.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace ardv::shell {

class SegmentTableWindow : public QWidget {
  Q_OBJECT
 public:
  // `select(first, last)` selects samples first..last in the main window.
  explicit SegmentTableWindow(std::function<void(std::int32_t, std::int32_t)> select, QWidget* parent = nullptr);

  // Measures the current signal's segments with the form's tier and
  // sequence. Returns the number of rows, -1 after a report.
  int measure();
  // Writes the rows in the order shown: CSV, or TSV for a ".tsv" name.
  // False after a message.
  bool exportTo(const QString& path);
  // Selects the segment of table row `row` in the main window.
  void activateRow(int row);

  QTableWidget* table() const { return table_; }
  QComboBox* tierBox() const { return tier_; }
  QLineEdit* sequenceEdit() const { return sequence_; }

 private:
  void fill();

  std::function<void(std::int32_t, std::int32_t)> select_;
  QComboBox* tier_ = nullptr;
  QLineEdit* sequence_ = nullptr;
  QLabel* status_ = nullptr;
  QTableWidget* table_ = nullptr;
  std::vector<SegmentRow> rows_;
};

}  // namespace ardv::shell
