// The points of a track (a time in ms, the same time in samples, 1 to 4 float
// values) and TabPoint, their storage with the curve being drawn with the
// mouse.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ardv {

// A value below this is not set; kUnsetValue is what the program writes.
inline constexpr float kUnsetLimit = -1073741823.5f;
inline constexpr float kUnsetValue = -2147483648.0f;
inline bool isUnset(float v) { return v < kUnsetLimit; }

template <int N>
struct PointP {
  static constexpr int kValues = N;
  std::int32_t date = 0;        // ms from the start of the signal
  std::int32_t sampleDate = 0;  // the same instant in samples
  std::array<float, N> values{};
};

using Point2P = PointP<1>;
using Point3P = PointP<2>;
using Point4P = PointP<3>;
using Point5P = PointP<4>;

// Storage of a track: the points in ascending date, and the curve under
// construction while the user draws. Copies are deep (vectors).
template <class P>
struct TabPoint {
  using Point = P;
  std::vector<P> points;
  std::vector<P> drawPoints;
  int penWidth = 3;    // pixels
  int lastMouseX = 0;  // last accepted abscissa while drawing

  int count() const { return static_cast<int>(points.size()); }
  int drawCount() const { return static_cast<int>(drawPoints.size()); }
};

}  // namespace ardv
