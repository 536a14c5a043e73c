// Where the points of a track fall in a view of the formant window: the
// mapping of (date, value) to pixels and back, and the markers and line
// segments of one column, cut at the edges of the displayed time range. The
// window paints what it gets; nothing here draws.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "klatt/point_types.h"

namespace ardv {

struct TrackView {
  std::int64_t firstSample = 0;  // displayed stretch, samples of the signal
  std::int64_t lastSample = 0;
  int width = 0;  // pixels
  int height = 0;
  double bottom = 0;  // vertical range in scale units
  double top = 1;
  double frequence = 16000;
};

// Maps a value to the display unit of the vertical scale (identity for the
// Klatt scales).
using TrackScale = std::function<double(double)>;

struct PixelPoint {
  int x = 0;
  int y = 0;
};

struct TrackPicture {
  std::vector<PixelPoint> markers;  // points inside the displayed range
  std::vector<std::pair<PixelPoint, PixelPoint>> lines;  // joined points (Lines mode)
};

int xOfSample(const TrackView& view, double sample);
int yOfScaled(const TrackView& view, double scaled);
// Time in ms under abscissa x, and scaled value under ordinate y.
double msAtX(const TrackView& view, int x);
double scaledAtY(const TrackView& view, int y);

// The picture of `column` (false, nothing drawn, when the point type has no
// such column; the caller reports text 9200). Unset values are skipped and
// break the line.
template <class P>
bool affTrack(const TabPoint<P>& tab, int column, const TrackScale& scale, const TrackView& view, bool lines,
              TrackPicture& out);

}  // namespace ardv
