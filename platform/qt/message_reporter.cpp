// Message boxes for the reports, trace lines to the trace window.
#include "platform/qt/message_reporter.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace ardv::qt {

void MessageReporter::show(const Report& report) {
  QMessageBox::Icon icon = QMessageBox::Information;
  switch (report.kind) {
    case ReportKind::Fatal: icon = QMessageBox::Critical; break;
    case ReportKind::Warning: icon = QMessageBox::Warning; break;
    case ReportKind::Bug: icon = QMessageBox::Critical; break;
    case ReportKind::Message: break;
  }
  // The busy cursor must not hide that the program waits for an answer.
  const bool busy = QApplication::overrideCursor() != nullptr;
  if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const Report shown = presenter_ ? presenter_(report) : report;
  QMessageBox box(icon, QString::fromStdString(shown.caption), QString::fromStdString(shown.text), QMessageBox::Ok,
                  parent_);
  box.exec();
  if (busy) QApplication::restoreOverrideCursor();
  traceLine("[" + report.caption + "] " + report.text);
}

void MessageReporter::traceLine(const std::string& line) {
  if (trace_)
    trace_->appendLine(line);
  else
    std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace ardv::qt
