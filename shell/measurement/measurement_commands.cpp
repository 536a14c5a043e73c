// The measurement commands: the measurement panel (shown or hidden) and the
// segment measurement table.
#include <QAction>
#include <algorithm>

#include "shell/logic/command_table.h"
#include "shell/main_window/main_window.h"
#include "shell/measurement/measurement_panel.h"
#include "shell/measurement/segment_table_window.h"
#include "signal/program.h"

namespace ardv::shell {

void MainWindow::bindMeasurementCommands() {
  measurementPanel_ = new MeasurementPanel(this);
  addDockWidget(Qt::BottomDockWidgetArea, measurementPanel_);
  measurementPanel_->hide();
  connect(this, &MainWindow::selectionChanged, measurementPanel_, [this] { measurementPanel_->follow(); });
  connect(this, &MainWindow::pointerMoved, measurementPanel_, [this](std::int32_t s) { measurementPanel_->follow(s); });
  // Connected to the action, not the window: the dock is hidden while the
  // window is being destroyed.
  if (QAction* toggle = action(kCmdMeasurementPanel)) {
    toggle->setCheckable(true);
    MeasurementPanel* panel = measurementPanel_;
    connect(panel, &QDockWidget::visibilityChanged, toggle, [toggle, panel](bool shown) {
      toggle->setChecked(shown);
      if (shown) panel->follow();
    });
  }
  handlers_[kCmdMeasurementPanel] = [this] { measurementPanel_->setVisible(!measurementPanel_->isVisible()); };
  handlers_[kCmdSegmentTable] = [this] {
    if (!segmentTable_) {
      segmentTable_ = new SegmentTableWindow(
          [this](std::int32_t first, std::int32_t last) {
            const auto& ct = program().ct;
            // A segment off the memory stretch is brought into view first.
            if (first < ct.d_e || last > ct.f_e || last < ct.d_a || first > ct.f_a)
              showFromSample(std::max<std::int32_t>(first - (ct.f_a - ct.d_a) / 4, 0));
            selectSamples(first, last);
            refreshAll();
          },
          this);
      segmentTable_->setAttribute(Qt::WA_DeleteOnClose);
    }
    segmentTable_->show();
    segmentTable_->raise();
    segmentTable_->measure();
  };
}

SegmentTableWindow* MainWindow::segmentTable() const { return segmentTable_; }

}  // namespace ardv::shell
