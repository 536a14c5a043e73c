// A one-line pane showing a boundary list over the shown stretch: the word
// pane `Wdonnees_annotations` and the phoneme pane `Wdonnees_etiquetage`.
// The mouse edits the list: with the left button, Ctrl splits, Ctrl+Shift
// removes, Shift moves the nearest boundary (it follows the pointer); a
// double click changes a word's text or picks a phoneme from the inventory's
// menu; a right double click on the phoneme pane asks for the annotator.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "annotation/label_editing.h"
#include "labels/notetiqs.h"

class QMenu;

namespace ardv {
struct MenuNode;
}

namespace ardv::shell {

using PaneKind = ::ardv::AnnotationPane;

class AnnotationPane : public QWidget {
  Q_OBJECT
 public:
  // The pane of `kind`'s list (program().etiq or program().note); `name` is
  // shown while the list is empty.
  AnnotationPane(PaneKind kind, QString name, QWidget* parent = nullptr);

  PaneKind kind() const { return kind_; }
  // Sample under column x of the shown stretch (edges clamp), and the column
  // of a sample.
  std::int32_t sampleAt(int x) const;
  int columnOf(std::int32_t sample) const;

  // Segment drawn highlighted (the annotator's current one); -1 for none.
  void setHighlight(int segment);
  int highlight() const { return highlight_; }
  // The pointer line at sample `sample`; -1 hides it.
  void setPointerLine(std::int32_t sample);
  std::int32_t pointerLine() const { return pointerLine_; }

 signals:
  // The list was changed by the mouse (the pane has redrawn itself).
  void edited();
  // Right double click on the phoneme pane, at sample `sample`, inside a
  // segment.
  void annotatorRequested(std::int32_t sample);
  // A boundary follows the pointer (edited() comes at the release).
  void boundaryMoving();
  // A plain click on segment first..last (samples, last included).
  void segmentClicked(std::int32_t first, std::int32_t last);
  // The pointer is over sample `sample` (-1: it left the pane).
  void hovered(std::int32_t sample);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void changeWordText(std::int32_t p);
  void pickPhoneme(std::int32_t p, const QPoint& globalPos);
  void changed();
  // Double click on a boundary between two labelled segments: offers to
  // merge them. False when the click is not on such a boundary.
  bool offerMerge(int x);

  PaneKind kind_;
  QString name_;
  MouseEditMode mode_ = MouseEditMode::None;
  bool rightDoubleClick_ = false;
  int pressX_ = -1;  // column of a plain press, -1 when none
  int highlight_ = -1;
  std::int32_t pointerLine_ = -1;
};

// Fills `menu` with the items and submenus of `node`; each item carries the
// node's command number as its data.
void fillPhoneticMenu(QMenu& menu, const ardv::MenuNode& node);

}  // namespace ardv::shell
