// The signal plane `WPlancheSig`: the waveform `Wdonnees_signal` over the
// time scale `WScale`, its left margin aligned with the spectrogram's scale.
#pragma once

#include <QWidget>
#include <functional>

#include "shell/panes/plane_view.h"

class QPainter;

namespace ardv::shell {

// The waveform: min/max of the samples under each column.
class SignalView : public PlaneView {
  Q_OBJECT
 public:
  using PlaneView::PlaneView;
  // Drawn over the waveform (the pitch marks), in bitmap pixels.
  using Overlay = std::function<void(QPainter& painter, const TimeAxis& axis, int height)>;
  void setOverlay(Overlay overlay) { overlay_ = std::move(overlay); }
  // The sample value at the top of the waveform as last drawn (32768, or
  // the loudest sample of the view when the waveform is autoscaled).
  int fullScale() const { return fullScale_; }
  bool hasOverlay() const { return static_cast<bool>(overlay_); }

 protected:
  void render(QImage& image) override;

 private:
  Overlay overlay_;
  int fullScale_ = 32768;
};

// Time scale: ticks in ms (or s) of the shown stretch.
class TimeScale : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  // "ms" or "s": the unit of the labels for the shown stretch.
  QString unit() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class SignalPlane : public QWidget {
  Q_OBJECT
 public:
  explicit SignalPlane(QWidget* parent = nullptr);
  SignalView* view() const { return view_; }
  TimeScale* scale() const { return scale_; }
  // Redraws the waveform and the scale.
  void refresh();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  SignalView* view_;
  TimeScale* scale_;
};

}  // namespace ardv::shell
