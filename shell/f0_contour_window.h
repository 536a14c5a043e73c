// The F0 contour window (menu F0MODIF): a contour from the current signal or
// a pitch file, seen over the spectrogram or edited with the mouse here
// (reference red, modifiable blue), saved, and resynthesised by PSOLA.
#pragma once

#include <QMainWindow>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "formants/point_types.h"

class QAction;
class QCloseEvent;

namespace ardv {
struct F0Contour;
}

namespace ardv::shell {

class MainWindow;

// The plot: time across the main window's shown stretch, F0 upwards.
class ContourView : public QWidget {
  Q_OBJECT
 public:
  ContourView(F0Contour& contour, QWidget* parent);
  void setEditing(bool on) { editing_ = on; update(); }
  bool editing() const { return editing_; }
  double topHz() const;
  // Pixel of (sample, Hz) and back.
  QPointF pointAt(double sample, double hz) const;
  // A point drag starts and ends (the window's undo).
  std::function<void()> editStarts, editEnds;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  double sampleAtX(double x) const;
  double hzAtY(double y) const;
  F0Contour& contour_;
  bool editing_ = false;
  int dragged_ = -1;
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
  // Point moves of the modifiable contour.
  bool undo();
  bool redo();
  bool modified() const { return modified_; }
  // When the contour is edited: save, discard or cancel; false for Cancel.
  bool settleModifications();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void updateUndo();
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
