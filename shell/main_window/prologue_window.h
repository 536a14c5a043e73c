// The information window `Wprologue`: the first window of the program; it
// shows the numbered information lines and starts the rest of the program
// when it is first painted.
#pragma once

#include <QWidget>

#include "shell/logic/info_lines.h"

namespace ardv::shell {

class PrologueWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PrologueWindow(QWidget* parent = nullptr);

  InfoLines& lines() { return lines_; }
  // Redraws the lines after they changed.
  void refresh() { update(); }
  // Lines drawn three lines lower (Shift held at the first paint).
  bool shifted() const { return shifted_; }
  // Row (top y, pixels) where line n is drawn.
  int lineTop(int n) const;

 signals:
  // Emitted once, after the first paint, with the state of the Shift key.
  void firstPainted(bool shiftHeld);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  InfoLines lines_;
  bool painted_ = false;
  bool shifted_ = false;
};

}  // namespace ardv::shell
