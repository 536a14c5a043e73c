// Reports shown in message boxes with their captions; trace lines go to the
// trace window (and to standard error when there is none).
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/qt/trace_window.h"
#include "platform/report.h"

namespace ardv::qt {

class MessageReporter : public ReportHandler {
 public:
  // `parent` owns the boxes (may be null); `trace` receives the trace lines.
  explicit MessageReporter(QWidget* parent = nullptr, TraceWindow* trace = nullptr) : parent_(parent), trace_(trace) {}
  void setParent(QWidget* parent) { parent_ = parent; }
  void setTraceWindow(TraceWindow* trace) { trace_ = trace; }
  // Rewrites each report for its box (the trace keeps it as it was made).
  void setPresenter(std::function<Report(const Report&)> presenter) { presenter_ = std::move(presenter); }

  void show(const Report& report) override;
  void traceLine(const std::string& line) override;

 private:
  QPointer<QWidget> parent_;
  QPointer<TraceWindow> trace_;
  std::function<Report(const Report&)> presenter_;
};

}  // namespace ardv::qt
