// The F1-F2 plane (menu F1F2F3): the formant points of the formant window
// with F2 across (2600 Hz at the left to 100 Hz at the right, as vowel charts
// go) and F1 down (100 Hz at the top to 900 Hz at the bottom), and the
// reference vowels of the language file at their places.
#pragma once

#include <QMainWindow>
#include <QPointF>
#include <QRect>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "klatt/klatt_tracks.h"

namespace ardv::shell {

inline constexpr double kPlaneF1Low = 100, kPlaneF1High = 900;
inline constexpr double kPlaneF2Low = 100, kPlaneF2High = 2600;

// Where (f1, f2) falls in a w x h plot, and the frequencies at a pixel.
QPointF planePixel(double f1, double f2, int w, int h);
QPointF planeFrequencies(QPointF pixel, int w, int h);  // x = F1, y = F2

// The (F1, F2) pairs of the voiced frames of the tracks: every F1 point with
// an F2 point at the same date where F0 is above 0 Hz (the F0 group's piece
// there, else the default record's F0, as synthesis takes it); only
// the selected F1 pieces when any is selected, and only dates inside
// spanMs (first, last ms inclusive) when given.
std::vector<QPointF> formantPairs(const KlattTracks& tracks,
                                  std::optional<std::pair<std::int32_t, std::int32_t>> spanMs = std::nullopt);

class F1F2Plane : public QMainWindow {
  Q_OBJECT
 public:
  F1F2Plane(const KlattTracks& tracks, QWidget* parent = nullptr);
  QWidget* plot() const;
  // The frame of the plane in the plot widget, and the points drawn in it
  // (plot coordinates): the pairs inside the plane's ranges, for the main
  // window's selection when there is one, else for every frame.
  QRect frame() const;
  std::vector<QPointF> shownPoints() const;

 private:
  class Plot;
  Plot* plot_;
};

}  // namespace ardv::shell
