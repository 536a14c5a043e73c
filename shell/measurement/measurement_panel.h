// The measurement panel: a dock under the panes showing the measurement of
// the selection, or with no selection of the phoneme segment under the
// pointer, as copyable text; it follows the selection and the pointer.
#pragma once

#include <QDockWidget>
#include <cstdint>

#include "measurement/measurement_text.h"

class QPlainTextEdit;

namespace ardv::shell {

class MeasurementPanel : public QDockWidget {
  Q_OBJECT
 public:
  explicit MeasurementPanel(QWidget* parent = nullptr);

  // Measures the current selection, or the phoneme segment at `pointer`
  // (-1: the one last pointed at) when there is none. Nothing is recomputed
  // when the stretch and the file are those already shown.
  void follow(std::int32_t pointer = -1);
  // The next follow() measures again (the signal or its labels changed).
  void invalidate() {
    first_ = end_ = -1;
    measurer_.clear();
  }
  // The text shown.
  QString text() const;
  // The stretch shown, samples [first, end); first = end = -1 for none.
  std::int64_t shownFirst() const { return first_; }
  std::int64_t shownEnd() const { return end_; }

 private:
  void show(std::int64_t first, std::int64_t end, const std::string& title);

  QPlainTextEdit* text_ = nullptr;
  StretchMeasurer measurer_;
  std::int32_t pointer_ = -1;
  std::int64_t first_ = -1, end_ = -1;
  std::string shownFile_;
};

}  // namespace ardv::shell
