// The annotation panes' edits, the phonetic annotator window and the editing
// tools window as seen from the main window.
#include <QFont>

#include "annotation/label_editing.h"
#include "editing/edit_history.h"
#include "shell/annotation/phonetic_annotator_window.h"
#include "shell/main_window/editing_tools_window.h"
#include "shell/main_window/main_window.h"
#include "shell/measurement/measurement_panel.h"
#include "signal/program.h"

namespace ardv::shell {

void MainWindow::bindAnnotationCommands() {
  for (AnnotationPane* pane : {wordPane_, phonemePane_})
    connect(pane, &AnnotationPane::edited, this, &MainWindow::contentEdited);
  connect(phonemePane_, &AnnotationPane::annotatorRequested, this, &MainWindow::openAnnotator);
  const std::string& font = program().settings.phoneticFont;
  if (!font.empty()) phonemePane_->setFont(QFont(QString::fromStdString(font)));
  handlers_[11843] = [this] {
    if (!editingTools_) editingTools_ = new EditingToolsWindow(*this);
    editingTools_->show();
    editingTools_->raise();
  };
}

PhoneticAnnotatorWindow* MainWindow::annotator() const { return annotator_; }
EditingToolsWindow* MainWindow::editingTools() const { return editingTools_; }

void MainWindow::openAnnotator(std::int32_t sample) {
  const int segment = segmentAt(program().etiq, sample);
  if (annotator_) {
    annotator_->startAt(segment);
  } else {
    annotator_ = new PhoneticAnnotatorWindow(segment, *this);
  }
  annotator_->show();
  annotator_->raise();
  annotator_->activateWindow();
}

void MainWindow::contentEdited() {
  commitAnnotationEdit();
  wordPane_->update();
  phonemePane_->update();
  if (annotator_) annotator_->listChanged();
  if (measurementPanel_) measurementPanel_->invalidate();
  refreshInfo();
}

void MainWindow::highlightSegment(int segment) {
  phonemePane_->setHighlight(segment);
  const notetiqs& list = program().etiq;
  const bool valid = segment >= 0 && segment + 1 < list.count();
  const std::int32_t first = valid ? list.position(segment) : 0;
  const std::int32_t last = valid ? list.position(segment + 1) - 1 : -1;
  signalPlane_->view()->setHighlight(first, last);
  spectroPlane_->view()->setHighlight(first, last);
}

}  // namespace ardv::shell
