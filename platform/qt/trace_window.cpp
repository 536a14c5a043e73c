// The trace (log) window.
#include "platform/qt/trace_window.h"

#include <QFontDatabase>

namespace ardv::qt {

TraceWindow::TraceWindow(QWidget* parent) : QPlainTextEdit(parent) {
  setWindowTitle("Trace");
  setReadOnly(true);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setMaximumBlockCount(20000);
  resize(560, 300);
}

void TraceWindow::appendLine(const std::string& line) { appendPlainText(QString::fromStdString(line)); }

}  // namespace ardv::qt
