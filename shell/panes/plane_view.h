// A data area of a plane (waveform or spectrogram): keeps its bitmap, draws
// the selection over it inverted, and turns drags into selections mirrored
// in its partner.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "shell/logic/geometry.h"
#include "shell/logic/view_ops.h"

namespace ardv::shell {

class PlaneView : public QWidget {
  Q_OBJECT
 public:
  explicit PlaneView(QWidget* parent = nullptr);

  // The other plane, which mirrors every selection made here.
  void setPartner(PlaneView* partner) { partner_ = partner; }
  PlaneView* partner() const { return partner_; }

  // Mapping of the columns to the shown stretch; set by the main window.
  TimeAxis axis() const;

  // The kept bitmap (what the clipboard commands copy).
  const QImage& bitmap() const { return bitmap_; }
  // Draws the bitmap again from the current signal.
  void rebuild();

  // Selection record: columns of the drag, and whether a drag is on.
  bool dragging() const { return dragging_; }
  int startColumn() const { return startColumn_; }
  int endColumn() const { return endColumn_; }
  // Forgets the columns; the shown selection then follows ct.d_sel/f_sel.
  void clearSelectionRecord();

  // The play cursor: a vertical line at signal sample `sample`; -1 hides it.
  void setPlayCursor(std::int32_t sample);
  std::int32_t playCursor() const { return playCursor_; }
  // The pointer line: a thin vertical line at sample `sample` (the pointer
  // over any pane); -1 hides it.
  void setPointerLine(std::int32_t sample);
  std::int32_t pointerLine() const { return pointerLine_; }
  // Light lines at the phoneme and word boundaries (on by default).
  static void setBoundariesShown(bool shown);
  static bool boundariesShown();
  // The selection drawn see-through tinted instead of inverted (off by
  // default).
  static void setSelectionTinted(bool tinted);
  static bool selectionTinted();
  // Samples first..last drawn tinted (the annotator's segment); none when
  // first > last.
  void setHighlight(std::int32_t first, std::int32_t last);

  // Mouse steps, also called by the partner to mirror a drag.
  void beginDrag(int column);
  void extendDrag(int column);
  void endDrag(int column);

 signals:
  // A drag ended here (not mirrored): the selection stored in ct.
  void selectionFinished(const ardv::shell::Selection& selection);
  // The pointer moved over sample `sample` without a drag.
  void hovered(std::int32_t sample);
  // The pointer is at sample `sample`, pixel row `y` (drag or not); -1 when
  // it left the plane.
  void pointerAt(std::int32_t sample, int y);

 protected:
  // Draws the plane's content into `image` (already sized and cleared).
  virtual void render(QImage& image) = 0;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

  QImage bitmap_;

 signals:
  // The wheel turned over the plane by `steps` notches (positive away from
  // the user) at column x: Ctrl zooms, otherwise the view scrolls.
  void wheelTurned(double steps, bool zoom, int x);

 protected:

 private:
  int columnOf(const QMouseEvent* event) const;
  PlaneView* partner_ = nullptr;
  bool dragging_ = false;
  bool haveColumns_ = false;
  int startColumn_ = 0, endColumn_ = 0;
  std::int32_t playCursor_ = -1;
  std::int32_t pointerLine_ = -1;
  std::int32_t highlightFirst_ = 0, highlightLast_ = -1;
};

}  // namespace ardv::shell
