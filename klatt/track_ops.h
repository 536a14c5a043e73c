// Operations on the points of a track, for every point type: resampling on a
// regular step, hit testing, clamped shifts, default filling, smoothing by a
// penalised cubic B-spline, and the drawing of a new curve with the mouse.
// PolyPoints (poly_points.h) calls these; the window may call them directly.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "klatt/point_types.h"

namespace ardv {

// Most points a resampling may produce (over 2 hours at 2 ms); more is refused.
inline constexpr std::int64_t kMaxTrackPoints = 4'000'000;

// Resamples every value column on dates that are multiples of `stepMs`,
// from the multiple at or below the first date (truncating division) to the
// last date; points before the first date are skipped. Interpolated values
// are rounded half away from zero; a point at the last date takes the last
// value truncated toward zero; an unset neighbour gives an unset value.
// sampleDate is left 0 (see recomputeSampleDates). An empty track is left
// as it is; a track with no grid date in its span becomes empty. False, unchanged and reported, when stepMs < 1 or the result
// would exceed kMaxTrackPoints.
template <class P>
bool echantillonne(TabPoint<P>& tab, int stepMs);

// The same on sampleDate with a step in samples; date = samplesToMs.
template <class P>
bool echantillonneSamples(TabPoint<P>& tab, int stepSamples, double frequence);

// sampleDate = msToSamples(date) for every point (after a rate change).
template <class P>
void recomputeSampleDates(TabPoint<P>& tab, double frequence);

// Distances of a (time ms, value) position to a track, for mouse picking.
// `yScale` multiplies values so both axes are comparable; `tolerance` (ms)
// widens each segment's span. dist: to the nearest point (index); perpDist:
// to the nearest segment. An empty track gives 5e37 and index -1.
struct TrackHit {
  double dist = 5e37;
  double perpDist = 5e37;
  int index = -1;
};
template <class P>
TrackHit distanxe(const TabPoint<P>& tab, double t, double v, int column, double yScale, double tolerance);

// y ← clamp(y + delta × factor, min, max) in `column` of every point.
template <class P>
void translate(TabPoint<P>& tab, int column, double delta, double min, double max, double factor);

// Unset values of the listed columns get the given values; a column of -1
// ends the list.
template <class P>
void setDefault(TabPoint<P>& tab, std::span<const int> columns, std::span<const float> values);

// Index of the first point dated t, -1 when none.
template <class P>
int indpp(const TabPoint<P>& tab, std::int32_t t);

// Smooths `column` in place (tracks of 3 points or more; fewer: true, no
// change). False, unchanged, after text 6412 when the fit fails.
template <class P>
bool spline(TabPoint<P>& tab, int column);

// Points max(i,0)..min(j,count-1), or nothing (false) unless i <= j and i < count.
template <class P>
bool subRange(const TabPoint<P>& tab, int i, int j, TabPoint<P>& out);

// Drawing a new curve with the mouse: start at a point, extend while the
// mouse moves right (true when a point was added: paint the segment from the
// previous drawn point), end (the drawn curve replaces the points when it
// has two points or more; true then).
template <class P>
void startDrawing(TabPoint<P>& tab, const P& at, int mouseX, int penWidth);
template <class P>
bool extendDrawing(TabPoint<P>& tab, const P& at, int mouseX);
template <class P>
bool endDrawing(TabPoint<P>& tab);

// The fit behind spline(): m = max(1, (x.back() - x.front()) / 80) uniform
// cubic B-spline intervals, least squares plus 1e-5 times the squared third
// differences of the coefficients, solved by a banded Cholesky
// factorisation; y is replaced by the spline at x.size() equally spaced
// abscissas. False (y unchanged, nothing reported) on a datum outside the
// interval or a matrix that is not positive definite.
bool penalisedSplineFit(const std::vector<double>& x, std::vector<double>& y);

// Half away from zero, saturated to int32 (NaN gives 0).
std::int32_t roundToInt32(double v);
// Toward zero, saturated to int32 (NaN gives 0).
std::int32_t truncToInt32(double v);

}  // namespace ardv
