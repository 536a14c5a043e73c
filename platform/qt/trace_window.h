// The trace (log) window: the lines the program writes with traceLine.
#pragma once

#include <QPlainTextEdit>
#include <string>

namespace ardv::qt {

class TraceWindow : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TraceWindow(QWidget* parent = nullptr);
  // Appends one line at the end and keeps it in view.
  void appendLine(const std::string& line);
};

}  // namespace ardv::qt
