// The spectrogram plane `WPlancheSpectro`: the frequency scale `WVScale` in
// the left margin and the spectrogram `Wdonnees_spectro` with the
// decorations drawn over it.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "shell/panes/plane_view.h"

namespace ardv::shell {

// Paints the spectrogram of the shown stretch into an image the size of the
// plane (already cleared to white).
using SpectrogramPainter = std::function<void(QImage& image, const TimeAxis& axis)>;

// Something drawn over the spectrogram (a track, marks).
using Decoration = std::function<void(QPainter& painter, const TimeAxis& axis, const FrequencyAxis& frequencies)>;

class SpectroView : public PlaneView {
  Q_OBJECT
 public:
  using PlaneView::PlaneView;

  void setPainter(SpectrogramPainter painter) { painter_ = std::move(painter); }
  bool hasPainter() const { return static_cast<bool>(painter_); }
  // Whether the spectrogram is computed (after loading with autospectro, or
  // after a spectrogram command); otherwise the plane stays empty.
  void setShown(bool shown) { shown_ = shown; }
  bool isShown() const { return shown_; }

  // A decoration with a `name` gets a line of the legend in `colour`.
  void addDecoration(Decoration decoration, const QString& name = {}, QColor colour = {});
  // The legend's lines (one per name, first colour kept).
  std::vector<std::pair<QString, QColor>> legend() const;
  // Keep decoration: the decorations are drawn into the kept bitmap and stay
  // through redraws.
  void keepDecorations();
  // Clear decorations: all of them go, over the whole time range.
  void clearDecorations();
  int decorationCount() const { return static_cast<int>(decorations_.size()); }
  // Command 71: the colour legend in place of the spectrogram (until the
  // next redraw).
  void showLegend();
  // Upper display frequency of the plane, Hz.
  double fmax() const;
  // Rows of the plane: linear in Hz, or through the perceptual scale of a
  // critical-band spectrogram shown on the perceptual axis.
  FrequencyAxis frequencyAxis() const;
  // Level in dB (the legend's value) of the spectrogram cell at column x,
  // row y; none where the plane shows no spectrogram level there (off the
  // plane, a decoration, nothing computed).
  std::optional<double> levelDbAt(double x, int y) const;

 protected:
  void render(QImage& image) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Item {
    Decoration draw;
    bool kept = false;
    QString name;
    QColor colour;
  };
  void paintLegend(QPainter& p) const;
  SpectrogramPainter painter_;
  bool shown_ = false;
  std::vector<Item> decorations_;
};

// Frequency scale: ticks in Hz from 0 to the upper display frequency.
class FrequencyScale : public QWidget {
  Q_OBJECT
 public:
  explicit FrequencyScale(SpectroView* view, QWidget* parent = nullptr) : QWidget(parent), view_(view) {}

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  SpectroView* view_;
};

class SpectroPlane : public QWidget {
  Q_OBJECT
 public:
  explicit SpectroPlane(QWidget* parent = nullptr);
  SpectroView* view() const { return view_; }
  FrequencyScale* scale() const { return scale_; }
  // Recomputes the spectrogram and redraws the scale.
  void refresh();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  SpectroView* view_;
  FrequencyScale* scale_;
};

}  // namespace ardv::shell
