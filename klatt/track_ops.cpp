#include "klatt/track_ops.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/report.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv {

std::int32_t roundToInt32(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::round(v);
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return static_cast<std::int32_t>(r);
}

std::int32_t truncToInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<std::int32_t>(v);
}

namespace {

// The resampling loop on the key given by `key` (date or sampleDate).
template <class P, class Key, class Stamp>
bool resampleOn(TabPoint<P>& tab, std::int64_t step, Key key, Stamp stamp, const char* what) {
  if (tab.points.empty()) return true;
  const auto& in = tab.points;
  const std::int64_t first = key(in.front()), last = key(in.back());
  if (step < 1) {
    debugMessage(std::string(what) + ": step " + std::to_string(step) + " is not positive");
    return false;
  }
  std::int64_t t = first / step * step;
  if (last < t) {  // a negative first date rounds up, past a track that ends before the grid
    tab.points.clear();
    return true;
  }
  if ((last - t) / step + 1 > kMaxTrackPoints) {
    message(std::string(what) + ": a track from " + std::to_string(first) + " to " + std::to_string(last) +
            " at a step of " + std::to_string(step) + " would have too many points");
    return false;
  }
  std::vector<P> out;
  out.reserve(static_cast<std::size_t>((last - t) / step + 1));
  std::size_t s = 0;
  for (; t <= last; t += step) {
    if (t < first) continue;
    P p{};
    stamp(p, t);
    if (t == last) {
      for (int k = 0; k < P::kValues; ++k) {
        const float v = in.back().values[k];
        p.values[k] = isUnset(v) ? kUnsetValue : std::trunc(v);
      }
    } else {
      while (s + 1 < in.size() && t >= key(in[s + 1])) ++s;
      if (s + 1 >= in.size()) break;  // unordered input: nothing further to interpolate
      const double t0 = static_cast<double>(key(in[s])), t1 = static_cast<double>(key(in[s + 1]));
      for (int k = 0; k < P::kValues; ++k) {
        const float y0 = in[s].values[k], y1 = in[s + 1].values[k];
        if (isUnset(y0) || isUnset(y1)) {
          p.values[k] = kUnsetValue;
          continue;
        }
        const double y = y0 + (static_cast<double>(t) - t0) * (static_cast<double>(y1) - y0) / (t1 - t0);
        p.values[k] = static_cast<float>(std::round(y));
      }
    }
    out.push_back(p);
  }
  tab.points = std::move(out);
  return true;
}

}  // namespace

template <class P>
bool echantillonne(TabPoint<P>& tab, int stepMs) {
  return resampleOn(
      tab, stepMs, [](const P& p) { return static_cast<std::int64_t>(p.date); },
      [](P& p, std::int64_t t) { p.date = static_cast<std::int32_t>(t); }, "echantillonne");
}

template <class P>
bool echantillonneSamples(TabPoint<P>& tab, int stepSamples, double frequence) {
  return resampleOn(
      tab, stepSamples, [](const P& p) { return static_cast<std::int64_t>(p.sampleDate); },
      [frequence](P& p, std::int64_t t) {
        p.sampleDate = static_cast<std::int32_t>(t);
        p.date = static_cast<std::int32_t>(std::clamp<std::int64_t>(samplesToMs(static_cast<double>(t), frequence),
                                                                    INT32_MIN, INT32_MAX));
      },
      "echantillonne");
}

template <class P>
void recomputeSampleDates(TabPoint<P>& tab, double frequence) {
  for (auto& p : tab.points)
    p.sampleDate = static_cast<std::int32_t>(std::clamp<std::int64_t>(msToSamples(p.date, frequence), INT32_MIN, INT32_MAX));
}

template <class P>
TrackHit distanxe(const TabPoint<P>& tab, double t, double v, int column, double yScale, double tolerance) {
  TrackHit hit;
  const auto& pts = tab.points;
  if (pts.empty() || column < 0 || column >= P::kValues) return hit;
  if (pts.size() == 1) {
    hit.dist = hit.perpDist = std::hypot(t - pts[0].date, (v - pts[0].values[column]) * yScale);
    hit.index = 0;
    return hit;
  }
  for (std::size_t s = 0; s + 1 < pts.size(); ++s) {
    const double dx = static_cast<double>(pts[s + 1].date) - pts[s].date;
    const double dy = (static_cast<double>(pts[s + 1].values[column]) - pts[s].values[column]) * yScale;
    const double len = std::hypot(dx, dy);
    const double ax = t - pts[s].date, ay = (v - pts[s].values[column]) * yScale;
    const double bx = t - pts[s + 1].date, by = (v - pts[s + 1].values[column]) * yScale;
    const double a = std::hypot(ax, ay), b = std::hypot(bx, by);
    if (len >= 0.1) {
      const double along = (dx * ax + dy * ay) / len;
      const double across = std::fabs((dy * ax - dx * ay) / len);
      if (along > -tolerance && along < len + tolerance) {
        if (across < hit.perpDist) hit.perpDist = across;
        if (a < hit.dist) {
          hit.dist = a;
          hit.index = static_cast<int>(s);
        }
        if (b < hit.dist) {
          hit.dist = b;
          hit.index = static_cast<int>(s + 1);
        }
      }
    } else {
      if (a < hit.perpDist) hit.perpDist = a;
      if (a < hit.dist) {
        hit.dist = a;
        hit.index = static_cast<int>(s);
      }
    }
  }
  return hit;
}

template <class P>
void translate(TabPoint<P>& tab, int column, double delta, double min, double max, double factor) {
  if (column < 0 || column >= P::kValues) return;
  for (auto& p : tab.points) {
    float& y = p.values[column];
    if (isUnset(y)) continue;
    double v = y + delta * factor;
    if (!(v >= min)) v = min;  // NaN too
    if (v > max) v = max;
    y = static_cast<float>(v);
  }
}

template <class P>
void setDefault(TabPoint<P>& tab, std::span<const int> columns, std::span<const float> values) {
  const std::size_t n = std::min(columns.size(), values.size());
  for (auto& p : tab.points)
    for (std::size_t k = 0; k < n && columns[k] != -1; ++k)
      if (columns[k] >= 0 && columns[k] < P::kValues && isUnset(p.values[columns[k]])) p.values[columns[k]] = values[k];
}

template <class P>
int indpp(const TabPoint<P>& tab, std::int32_t t) {
  for (std::size_t i = 0; i < tab.points.size(); ++i)
    if (tab.points[i].date == t) return static_cast<int>(i);
  return -1;
}

template <class P>
bool spline(TabPoint<P>& tab, int column) {
  if (tab.points.size() < 3) return true;
  bool ok = column >= 0 && column < P::kValues;
  std::vector<double> x, y;
  if (ok) {
    x.reserve(tab.points.size());
    y.reserve(tab.points.size());
    for (const auto& p : tab.points) {
      const float v = p.values[column];
      if (isUnset(v) || !std::isfinite(v)) ok = false;
      x.push_back(p.date);
      y.push_back(v);
    }
  }
  if (ok) ok = penalisedSplineFit(x, y);
  if (!ok) {
    message(text(6412));
    return false;
  }
  for (std::size_t i = 0; i < y.size(); ++i) tab.points[i].values[column] = static_cast<float>(std::clamp(y[i], -3e38, 3e38));
  return true;
}

template <class P>
bool subRange(const TabPoint<P>& tab, int i, int j, TabPoint<P>& out) {
  if (i > j || i >= tab.count()) return false;
  const int from = std::max(i, 0), to = std::min(j, tab.count() - 1);
  if (from > to) return false;
  out = TabPoint<P>{};
  out.penWidth = tab.penWidth;
  out.points.assign(tab.points.begin() + from, tab.points.begin() + to + 1);
  return true;
}

template <class P>
void startDrawing(TabPoint<P>& tab, const P& at, int mouseX, int penWidth) {
  tab.drawPoints.assign(1, at);
  tab.lastMouseX = mouseX;
  tab.penWidth = penWidth;
}

template <class P>
bool extendDrawing(TabPoint<P>& tab, const P& at, int mouseX) {
  if (tab.drawPoints.empty() || mouseX <= tab.lastMouseX) return false;
  tab.lastMouseX = mouseX;
  if (at.date <= tab.drawPoints.back().date) return false;
  tab.drawPoints.push_back(at);
  return true;
}

template <class P>
bool endDrawing(TabPoint<P>& tab) {
  const bool kept = tab.drawPoints.size() > 1;
  if (kept) tab.points = tab.drawPoints;
  tab.drawPoints.clear();
  return kept;
}

#define ARDV_TRACK_OPS(P)                                                                               \
  template bool echantillonne(TabPoint<P>&, int);                                                       \
  template bool echantillonneSamples(TabPoint<P>&, int, double);                                        \
  template void recomputeSampleDates(TabPoint<P>&, double);                                             \
  template TrackHit distanxe(const TabPoint<P>&, double, double, int, double, double);                  \
  template void translate(TabPoint<P>&, int, double, double, double, double);                           \
  template void setDefault(TabPoint<P>&, std::span<const int>, std::span<const float>);                 \
  template int indpp(const TabPoint<P>&, std::int32_t);                                                 \
  template bool spline(TabPoint<P>&, int);                                                              \
  template bool subRange(const TabPoint<P>&, int, int, TabPoint<P>&);                                   \
  template void startDrawing(TabPoint<P>&, const P&, int, int);                                         \
  template bool extendDrawing(TabPoint<P>&, const P&, int);                                             \
  template bool endDrawing(TabPoint<P>&);

ARDV_TRACK_OPS(Point2P)
ARDV_TRACK_OPS(Point3P)
ARDV_TRACK_OPS(Point4P)
ARDV_TRACK_OPS(Point5P)

}  // namespace ardv
