#include "klatt/track_view.h"

#include <algorithm>
#include <cmath>

#include "signal/time_conversion.h"

namespace ardv {
namespace {

int toPixel(double v) {
  if (!(v > -1e9)) return -1000000000;
  if (v > 1e9) return 1000000000;
  return static_cast<int>(v);
}

double span(const TrackView& view) { return std::max<double>(1.0, static_cast<double>(view.lastSample - view.firstSample)); }

}  // namespace

int xOfSample(const TrackView& view, double sample) {
  return toPixel((sample - static_cast<double>(view.firstSample)) / span(view) * view.width + 0.5);
}

int yOfScaled(const TrackView& view, double scaled) {
  const double range = view.top - view.bottom;
  if (!(std::fabs(range) > 0)) return view.height - 1;
  return view.height - 1 - toPixel((scaled - view.bottom) / range * view.height + 0.5);
}

double msAtX(const TrackView& view, int x) {
  const double sample = static_cast<double>(view.firstSample) + static_cast<double>(x) * span(view) / std::max(1, view.width);
  return view.frequence < 1e-10 ? 0.0 : sample / (0.001 * view.frequence);
}

double scaledAtY(const TrackView& view, int y) {
  return view.bottom + static_cast<double>(view.height - 1 - y) * (view.top - view.bottom) / std::max(1, view.height);
}

template <class P>
bool affTrack(const TabPoint<P>& tab, int column, const TrackScale& scale, const TrackView& view, bool lines,
              TrackPicture& out) {
  if (column < 0 || column >= P::kValues) return false;
  const auto first = static_cast<double>(view.firstSample), last = static_cast<double>(view.lastSample);
  auto sampleOf = [&](const P& p) { return static_cast<double>(msToSamples(p.date, view.frequence)); };
  auto pixel = [&](double sample, double value) { return PixelPoint{xOfSample(view, sample), yOfScaled(view, scale(value))}; };
  const auto& pts = tab.points;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const float v = pts[i].values[column];
    if (isUnset(v)) continue;
    const double s = sampleOf(pts[i]);
    if (s >= first && s <= last) out.markers.push_back(pixel(s, v));
    if (!lines || i + 1 >= pts.size() || isUnset(pts[i + 1].values[column])) continue;
    double s0 = s, s1 = sampleOf(pts[i + 1]);
    double v0 = v, v1 = pts[i + 1].values[column];
    if (s1 < first || s0 > last || !(s1 > s0)) continue;
    if (s0 < first) {
      v0 += (v1 - v0) * std::floor(first - s0) / (s1 - s0);
      s0 = first;
    }
    if (s1 > last) {
      v1 = v0 + (v1 - v0) * std::floor(last - s0) / (s1 - s0);
      s1 = last;
    }
    out.lines.push_back({pixel(s0, v0), pixel(s1, v1)});
  }
  return true;
}

template bool affTrack(const TabPoint<Point2P>&, int, const TrackScale&, const TrackView&, bool, TrackPicture&);
template bool affTrack(const TabPoint<Point3P>&, int, const TrackScale&, const TrackView&, bool, TrackPicture&);
template bool affTrack(const TabPoint<Point4P>&, int, const TrackScale&, const TrackView&, bool, TrackPicture&);
template bool affTrack(const TabPoint<Point5P>&, int, const TrackScale&, const TrackView&, bool, TrackPicture&);

}  // namespace ardv
