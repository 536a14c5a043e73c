// The formant window's canvas: the track pane over the signal's spectrogram
// above the synthesis pane, with the mouse gestures on the tracks.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <string_view>

#include "klatt/track_view.h"
#include "signal/time_conversion.h"
#include "shell/formant_window/formant_window.h"

namespace ardv::shell {

inline constexpr int kMargin = 62;       // left margin for the value ticks and the axis caption
inline constexpr int kRightMargin = 8;
inline constexpr double kTrackShare = 0.66;  // of the canvas height, the rest shows the synthesis
inline constexpr int kPickPx = 6;        // a point is under the pointer within this distance

inline QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }
QColor groupColour(int g);
QString groupName(int g);

// The track pane (tracks over the signal's spectrogram) above the synthesis
// pane (the synthesized signal's narrow-band spectrogram).
class FormantWindow::Canvas : public QWidget {
 public:
  explicit Canvas(FormantWindow& w) : QWidget(&w), w_(w) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(360, 240);
  }
  // The time axis (ticks in seconds) lies between the two panes.
  int timeBand() const { return fontMetrics().height() + 8; }
  int trackHeight() const { return std::max(1, static_cast<int>((height() - timeBand()) * kTrackShare)); }
  // Room above the pane for half of its top tick's label.
  int topBand() const { return fontMetrics().height() / 2 + 2; }
  QRect trackRect() const {
    return {kMargin, topBand(), std::max(1, width() - kMargin - kRightMargin), std::max(1, trackHeight() - topBand())};
  }
  QRect synthRect() const {
    const int top = trackHeight() + timeBand();
    return {kMargin, top, std::max(1, width() - kMargin - kRightMargin), std::max(1, height() - top)};
  }

  struct Hit {
    int group = -1;
    PolyPointsKla* piece = nullptr;
    int index = -1;
  };
  // The point of a group on the scale nearest to p, within kPickPx.
  Hit pick(QPoint p) const {
    Hit best;
    const TrackView v = w_.trackView();
    const QPoint local = p - trackRect().topLeft();
    int bestD = kPickPx * kPickPx + 1;
    for (int g = 0; g < kKlattGroups; ++g) {
      const int column = klattScaleColumn(w_.tracks_.scale, g);
      if (column < 0) continue;
      for (const auto& piece : w_.tracks_.groups[static_cast<std::size_t>(g)]) {
        for (int i = 0; i < piece->nbPoints; ++i) {
          const float value = piece->y(i, column);
          if (isUnset(value)) continue;
          const int x = xOfSample(v, static_cast<double>(msToSamples(piece->date(i), v.frequence)));
          const int y = yOfScaled(v, value);
          const int d = (x - local.x()) * (x - local.x()) + (y - local.y()) * (y - local.y());
          if (d < bestD) {
            bestD = d;
            best = {g, piece.get(), i};
          }
        }
      }
    }
    return best;
  }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void paintTracks(QPainter& p);
  void paintSynthesis(QPainter& p);
  void deletePoint(const Hit& hit);

  FormantWindow& w_;
  Hit dragging_;
  bool drawing_ = false;
  int drawGroup_ = -1;
};

}  // namespace ardv::shell
