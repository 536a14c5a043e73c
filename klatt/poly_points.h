// Point tracks behind one interface: PolyPoints declares every operation the
// formant window, the Klatt files and the trackers use; a class that lacks
// one inherits the base version, which shows "virtual <name>" and does
// nothing else.
//
//   PolyPoints
//   ├── PolyPointsAD<TabPoint<Point2P>, Point2P>   (no removeFirst/LastPoint)
//   │   └── PolyPointsOLA                          (+ two filter settings)
//   └── PolyPointsKla                              (Klatt parameter tracks)
//       └── PolyPointsMD<TabPoint<P>, P>, P = Point2P..Point5P
//
// Column numbers count from 0 and address values[k]. date(i), y(i, j),
// pdate(i), py(i, j), debut() and fin() do not check their arguments: callers
// keep 0 <= i < nbPoints on a non-empty track.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <type_traits>

#include "klatt/klatt_table.h"
#include "klatt/point_types.h"
#include "klatt/track_ops.h"
#include "klatt/track_view.h"

namespace ardv {

class PolyPoints {
 public:
  virtual ~PolyPoints() = default;
  virtual std::int32_t debut() const;  // date of the first point
  virtual std::int32_t fin() const;    // date of the last point
  // The picture of column j in `view`; false after text 9200 for a column
  // the point type lacks.
  virtual bool aff(int j, const TrackScale& scale, const TrackView& view, bool lines, TrackPicture& out) const;
  virtual TrackHit distanxe(double t, double v, int j, double yScale, double tolerance) const;
  virtual void setDefault(std::span<const int> columns, std::span<const float> values);
  virtual std::int32_t date(int i) const;
  virtual float y(int i, int j) const;
  virtual std::int32_t* pdate(int i);
  virtual float* py(int i, int j);
  virtual bool echantillonne(int stepMs);
  virtual void removeFirstPoint();  // a one-point track is left as it is
  virtual void removeLastPoint();
  virtual void translate(int j, double delta, double min, double max, double factor);
  // n points (n < 0 counts as 0), keeping the first; new points are zero.
  virtual void subpp(int n);
  virtual void push(std::int32_t date, std::int32_t sampleDate, std::span<const float> values);
  virtual int indpp(std::int32_t t) const;
  virtual bool spline(int j);
  // Copy of points i..j of the same class; null unless i <= j and i < count.
  virtual std::unique_ptr<PolyPoints> subPP(int i, int j) const;

  // Additions of ours: the number of value columns (0 in the base), the
  // resampling on the sample grid and the recompute after a rate change.
  virtual int valueColumns() const { return 0; }
  virtual bool echantillonneSamples(int stepSamples, double frequence);
  virtual void recomputeSampleDates(double frequence);

  int nbPoints = 0;       // the storage's count after every change
  bool selected = false;  // chosen by the user in the formant window
};

namespace detail {

// The storage and every override, shared by PolyPointsAD and PolyPointsMD.
template <class Base, class P, bool kRemoves>
class TrackOf : public Base {
 public:
  using Point = P;
  std::int32_t debut() const override { return tab_.points.front().date; }
  std::int32_t fin() const override { return tab_.points.back().date; }
  bool aff(int j, const TrackScale& scale, const TrackView& view, bool lines, TrackPicture& out) const override;
  TrackHit distanxe(double t, double v, int j, double yScale, double tolerance) const override {
    return ardv::distanxe(tab_, t, v, j, yScale, tolerance);
  }
  void setDefault(std::span<const int> columns, std::span<const float> values) override {
    ardv::setDefault(tab_, columns, values);
  }
  std::int32_t date(int i) const override { return tab_.points[i].date; }
  float y(int i, int j) const override { return tab_.points[i].values[j]; }
  std::int32_t* pdate(int i) override { return &tab_.points[i].date; }
  float* py(int i, int j) override { return &tab_.points[i].values[j]; }
  bool echantillonne(int stepMs) override { return sync(ardv::echantillonne(tab_, stepMs)); }
  void removeFirstPoint() override;
  void removeLastPoint() override;
  void translate(int j, double delta, double min, double max, double factor) override {
    ardv::translate(tab_, j, delta, min, max, factor);
  }
  void subpp(int n) override {
    tab_.points.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    sync(true);
  }
  void push(std::int32_t date, std::int32_t sampleDate, std::span<const float> values) override;
  int indpp(std::int32_t t) const override { return ardv::indpp(tab_, t); }
  bool spline(int j) override { return ardv::spline(tab_, j); }
  int valueColumns() const override { return P::kValues; }
  bool echantillonneSamples(int stepSamples, double frequence) override {
    return sync(ardv::echantillonneSamples(tab_, stepSamples, frequence));
  }
  void recomputeSampleDates(double frequence) override { ardv::recomputeSampleDates(tab_, frequence); }

  const TabPoint<P>& tab() const { return tab_; }
  // After changing the storage directly, call sync() to refresh nbPoints.
  TabPoint<P>& tab() { return tab_; }
  bool sync(bool result) {
    this->nbPoints = tab_.count();
    return result;
  }

 protected:
  TabPoint<P> tab_;
};

}  // namespace detail

template <class Tab, class P>
class PolyPointsAD : public detail::TrackOf<PolyPoints, P, false> {
  static_assert(std::is_same_v<Tab, TabPoint<P>>);

 public:
  std::unique_ptr<PolyPoints> subPP(int i, int j) const override;

 private:
  std::int32_t spare_ = 0;
};

// A trajectory of the overlap-add trajectory filter with the filter's two
// settings (kept and stored as plain integers).
class PolyPointsOLA : public PolyPointsAD<TabPoint<Point2P>, Point2P> {
 public:
  ~PolyPointsOLA() override = default;
  std::int32_t setting1 = 0;
  std::int32_t setting2 = 0;
};

// The common type of Klatt parameter tracks. The three Klatt operations take
// a parameter index of the Klatt table.
class PolyPointsKla : public PolyPoints {
 public:
  ~PolyPointsKla() override = default;
  // When `column` is 0 (the key column was set), fills the unset columns
  // with the bandwidths and amplitudes that go with parameter p.
  virtual void setDefaultKla(int p, int column, const KlattRecord& defaults);
  // Adds delta × step of `scale` to the column of p's group on that scale,
  // clamped to the scale's limits.
  virtual void translateKla(int p, double delta, int scale);
  virtual std::unique_ptr<PolyPointsKla> subPPKla(int i, int j) const;
};

template <class Tab, class P>
class PolyPointsMD : public detail::TrackOf<PolyPointsKla, P, true> {
  static_assert(std::is_same_v<Tab, TabPoint<P>>);

 public:
  ~PolyPointsMD() override = default;
  std::unique_ptr<PolyPoints> subPP(int i, int j) const override { return subPPKla(i, j); }
  void setDefaultKla(int p, int column, const KlattRecord& defaults) override;
  void translateKla(int p, double delta, int scale) override;
  std::unique_ptr<PolyPointsKla> subPPKla(int i, int j) const override;
};

// An empty piece of the point type of Klatt group g (0..22), null for another g.
std::unique_ptr<PolyPointsKla> newKlattPiece(int group);

}  // namespace ardv
