// The F0 contour window (menu F0MODIF): a contour from the current signal or
// a pitch file, seen over the spectrogram or edited with the mouse here
// (reference red, modifiable blue), saved, and resynthesised by PSOLA.
#pragma once

#include <QMainWindow>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "klatt/point_types.h"

class QAction;
class QCloseEvent;

namespace ardv {
struct F0Contour;
}

namespace ardv::shell {

class MainWindow;

// The plot: time across the main window's shown stretch (axis in seconds),
// F0 upwards over a speech range that holds both contours (axis in Hz).
// While editing, a drag from a point moves it, a drag from elsewhere draws
// the contour along the pointer and Shift+drag selects a stretch.
class ContourView : public QWidget {
  Q_OBJECT
 public:
  ContourView(F0Contour& contour, QWidget* parent);
  void setEditing(bool on) { editing_ = on; update(); }
  bool editing() const { return editing_; }
  // The F0 axis {bottom, top} in Hz; fitAxis() sets it from the contours.
  std::pair<double, double> axis() const { return axis_; }
  void fitAxis();
  // The plot area inside the axes.
  QRect plotRect() const;
  // Pixel of (sample, Hz) and back.
  QPointF pointAt(double sample, double hz) const;
  double sampleAtX(double x) const;
  double hzAtY(double y) const;
  // The stretch selected here (ms, first <= last), if any.
  std::optional<std::pair<double, double>> selection() const { return selection_; }
  void setSelection(std::optional<std::pair<double, double>> msRange);
  // A point drag or a drawn stroke starts and ends (the window's undo).
  std::function<void()> editStarts, editEnds;
  // The pointer is over (sample, Hz); sample -1 when it left.
  std::function<void(double sample, double hz)> pointerMoved;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  double msAt(QPointF p) const;
  F0Contour& contour_;
  bool editing_ = false;
  int dragged_ = -1;
  bool drawing_ = false, selecting_ = false;
  QPointF last_;  // (ms, Hz) of the stroke's last pointer position
  std::pair<double, double> axis_{50, 400};
  std::optional<std::pair<double, double>> selection_;
};

class F0ContourWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit F0ContourWindow(MainWindow& main);
  ~F0ContourWindow() override;
  F0Contour& contour() { return *contour_; }
  ContourView* view() const { return view_; }

  // The menu's operations (also called by tests).
  bool fromCurrentSignal();
  bool fromPitchFile(const std::filesystem::path& path);
  bool toSee();
  bool toModify();
  bool save(const std::filesystem::path& path);
  bool resynthesise();
  // The stretch the shift works on: the one selected here, else the main
  // window's selection (ms, first <= last); none when neither exists.
  std::optional<std::pair<double, double>> stretch() const;
  // Shifts the voiced points of stretch() by `semitones` (one undo step);
  // false, with a word in the status line, when there is no stretch.
  bool shiftStretch(double semitones);
  // Point moves, strokes and shifts of the modifiable contour.
  bool undo();
  bool redo();
  bool modified() const { return modified_; }
  // When the contour is edited: save, discard or cancel; false for Cancel.
  bool settleModifications();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void updateUndo();
  // Around an edit: the modifiable contour before it becomes an undo step
  // when the edit changed it.
  void beginEdit();
  void endEdit();
  void step(std::vector<std::vector<Point2P>>& from, std::vector<std::vector<Point2P>>& to);
  MainWindow& main_;
  std::unique_ptr<F0Contour> contour_;
  ContourView* view_;
  QAction* undoAction_ = nullptr;
  QAction* redoAction_ = nullptr;
  QAction* selectionOnly_ = nullptr;  // resynthesise only the selection
  std::vector<Point2P> before_;
  std::vector<std::vector<Point2P>> undo_, redo_;
  bool modified_ = false;
};

}  // namespace ardv::shell
