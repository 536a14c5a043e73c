// Point tracks: resampling, copies, drawing, splines, pictures and OLA files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "klatt/poly_points.h"
#include "klatt/polypoints_ola_file.h"
#include "klatt/track_ops.h"
#include "klatt/track_view.h"
#include "platform/headless/recording_reporter.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "texts/texts.h"

namespace ardv {
namespace {

using Points = std::vector<std::pair<int, float>>;

TabPoint<Point2P> track(const Points& pts) {
  TabPoint<Point2P> tab;
  for (auto [d, v] : pts) tab.points.push_back({d, 0, {v}});
  return tab;
}

Points pointsOf(const TabPoint<Point2P>& tab) {
  Points out;
  for (const auto& p : tab.points) out.emplace_back(p.date, p.values[0]);
  return out;
}

TEST(PointTracks, ResamplingStartsTruncatesAndRounds) {
  const struct {
    const char* name;
    Points in;
    int step;
    Points out;
  } cases[] = {
      {"first date 13 starts at 12, first point 16", {{13, 0}, {21, 8}}, 4, {{16, 3}, {20, 7}}},
      {"rounded interpolation", {{0, 0}, {10, 3}}, 4, {{0, 0}, {4, 1}, {8, 2}}},
      {"last point truncated", {{0, 0}, {8, 3.7f}}, 4, {{0, 0}, {4, 2}, {8, 3}}},
      {"negative last truncated toward zero", {{0, 0}, {8, -3.7f}}, 4, {{0, 0}, {4, -2}, {8, -3}}},
      {"halves away from zero", {{0, 0}, {4, -1}}, 2, {{0, 0}, {2, -1}, {4, -1}}},
      {"unset neighbour stays unset", {{0, kUnsetValue}, {4, 5}}, 2, {{0, kUnsetValue}, {2, kUnsetValue}, {4, 5}}},
      {"empty", {}, 4, {}},
      {"lone negative date: no grid date, empty", {{-57, 1}}, 4, {}},
      {"negative start rounds toward zero", {{-6, 0}, {2, 8}}, 4, {{-4, 2}, {0, 6}}},
  };
  for (const auto& c : cases) {
    auto tab = track(c.in);
    EXPECT_TRUE(echantillonne(tab, c.step)) << c.name;
    EXPECT_EQ(pointsOf(tab), c.out) << c.name;
  }
  ScopedRecorder recorder;
  auto tab = track({{0, 1}, {2'000'000'000, 2}});
  EXPECT_FALSE(echantillonne(tab, 2));
  EXPECT_FALSE(echantillonne(tab, 0));
  EXPECT_EQ(tab.count(), 2);
  EXPECT_EQ(recorder->reports().size(), 2u);
}

// Random tracks: resampling keeps dates ascending on the step's grid within
// the track's span and values within the range of their neighbours; subPP
// copies exactly the points of the asked indices within the track, in order,
// and nothing when there are none.
TEST(PointTracks, RandomTracksResampleAndCopyInOrder) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    PolyPointsMD<TabPoint<Point3P>, Point3P> md;
    int date = static_cast<int>(rng() % 200) - 100;
    const int n = 1 + static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i, date += 1 + static_cast<int>(rng() % 30))
      md.push(date, 0, std::vector<float>{static_cast<float>(rng() % 7500), -static_cast<float>(rng() % 120)});
    const int from = static_cast<int>(rng() % (n + 4)) - 2, to = static_cast<int>(rng() % (n + 4)) - 2;
    const int lo = std::max(from, 0), hi = std::min(to, n - 1);
    const auto copy = md.subPP(from, to);
    ASSERT_EQ(copy != nullptr, lo <= hi) << from << ".." << to << " of " << n;
    if (copy) {
      ASSERT_EQ(copy->nbPoints, hi - lo + 1);
      for (int i = 0; i < copy->nbPoints; ++i) EXPECT_EQ(copy->date(i), md.date(lo + i));
    }
    const int step = std::array{2, 4, 8, 16}[rng() % 4];
    const auto first = md.debut(), last = md.fin();
    ASSERT_TRUE(md.echantillonne(step));
    for (int i = 0; i < md.nbPoints; ++i) {
      EXPECT_EQ(md.date(i) % step, 0);
      EXPECT_TRUE(md.date(i) >= first && md.date(i) <= last);
      if (i > 0) {
        EXPECT_EQ(md.date(i), md.date(i - 1) + step);
      }
      EXPECT_TRUE(md.y(i, 0) >= 0 && md.y(i, 0) <= 7500 && md.y(i, 1) >= -120 && md.y(i, 1) <= 0) << md.y(i, 0);
    }
  }
}

TEST(PointTracks, OneClassLacksWhatAnotherHas) {
  ScopedRecorder recorder;
  PolyPointsMD<TabPoint<Point5P>, Point5P> md;
  PolyPointsOLA ola;
  const float v[4] = {1, 2, 3, 4};
  md.push(10, 160, v);
  ola.push(10, 160, std::span<const float>(v, 1));
  md.removeFirstPoint();
  md.removeLastPoint();
  EXPECT_EQ(md.nbPoints, 1);
  EXPECT_TRUE(recorder->reports().empty());
  ola.removeFirstPoint();
  EXPECT_TRUE(recorder->saw("virtual removeFirstPoint"));
  EXPECT_EQ(ola.nbPoints, 1);
  EXPECT_EQ(md.indpp(11), -1);
  EXPECT_EQ(md.indpp(10), 0);
}

TEST(PointTracks, TranslateStaysWithinLimitsWhateverTheStart) {
  std::mt19937 rng(15);
  std::uniform_real_distribution<float> start(-1e9f, 1e9f), delta(-500, 500);
  for (int round = 0; round < 200; ++round) {
    auto tab = track({{0, start(rng)}, {4, start(rng)}, {8, NAN}});
    translate(tab, 0, delta(rng), -120, 120, 10);
    for (const auto& p : tab.points) EXPECT_TRUE(p.values[0] >= -120 && p.values[0] <= 120) << p.values[0];
  }
}

TEST(PointTracks, DistanceToAZeroLengthSegmentIsThePointDistance) {
  const auto tab = track({{10, 100}, {10, 100}});
  const TrackHit hit = distanxe(tab, 13.0, 104.0, 0, 1.0, 2.0);
  EXPECT_DOUBLE_EQ(hit.dist, 5.0);
  EXPECT_DOUBLE_EQ(hit.perpDist, 5.0);
  EXPECT_EQ(hit.index, 0);
  const TrackHit line = distanxe(track({{0, 0}, {10, 0}, {20, 50}}), 4.0, 3.0, 0, 1.0, 0.0);
  EXPECT_DOUBLE_EQ(line.perpDist, 3.0);
  EXPECT_EQ(line.index, 0);
}

TEST(PointTracks, SplineLimits) {
  ScopedRecorder recorder;
  ASSERT_TRUE(ml_init(test::sourceDataDir() / "format" / "english.txt"));
  auto two = track({{0, 1}, {4, 9}});
  EXPECT_TRUE(spline(two, 0));
  EXPECT_EQ(pointsOf(two), (Points{{0, 1}, {4, 9}}));
  // 40 ms: one interval, so the result is one cubic (fourth differences 0).
  Points kink, parabola;
  for (int t = 0; t <= 40; t += 2) kink.emplace_back(t, std::abs(t - 20));
  for (int t = 0; t <= 400; t += 4) parabola.emplace_back(t, 0.01f * (t - 150) * (t - 150));
  auto cubic = track(kink);
  ASSERT_TRUE(spline(cubic, 0));
  for (std::size_t i = 0; i + 4 < cubic.points.size(); ++i) {
    const auto& p = cubic.points;
    EXPECT_NEAR(p[i].values[0] - 4 * p[i + 1].values[0] + 6 * p[i + 2].values[0] - 4 * p[i + 3].values[0] +
                    p[i + 4].values[0],
                0.0, 1e-3);
  }
  EXPECT_GT(cubic.points[10].values[0], 1.0);  // the kink is smoothed
  auto smooth = track(parabola);
  ASSERT_TRUE(spline(smooth, 0));
  for (std::size_t i = 0; i < parabola.size(); ++i) EXPECT_NEAR(smooth.points[i].values[0], parabola[i].second, 1e-2);
  auto same = track({{5, 1}, {5, 2}, {5, 3}});
  EXPECT_FALSE(spline(same, 0));
  EXPECT_EQ(pointsOf(same), (Points{{5, 1}, {5, 2}, {5, 3}}));
  EXPECT_EQ(recorder->reports().size(), 1u);
}

TEST(PointTracks, MouseDrawingKeepsDatesAscending) {
  TabPoint<Point2P> tab = track({{0, 1}});
  startDrawing(tab, Point2P{10, 0, {5}}, 100, 4);
  // (ms, value, x, taken): x not moving right, or the same ms, adds nothing.
  for (const auto& [ms, value, x, taken] : {std::tuple{12, 6.f, 100, false}, {12, 6.f, 101, true}, {12, 7.f, 102, false},
                                            {15, 8.f, 103, true}})
    EXPECT_EQ(extendDrawing(tab, Point2P{ms, 0, {value}}, x), taken) << ms << " ms at x " << x;
  EXPECT_TRUE(endDrawing(tab));
  EXPECT_EQ(pointsOf(tab), (Points{{10, 5}, {12, 6}, {15, 8}}));
  EXPECT_EQ(tab.drawCount(), 0);
  startDrawing(tab, Point2P{20, 0, {1}}, 5, 3);
  EXPECT_FALSE(endDrawing(tab));
  EXPECT_EQ(tab.count(), 3);
}

TEST(PointTracks, PictureCutsLinesAtTheViewEdges) {
  PolyPointsMD<TabPoint<Point3P>, Point3P> md;
  for (auto [d, v] : Points{{0, 0}, {100, 100}, {200, 0}}) md.push(d, 0, std::vector<float>{v, 1});
  const TrackView view{800, 2400, 100, 101, 0, 101, 16000};  // 50..150 ms, 1 pixel per value
  TrackPicture picture;
  ASSERT_TRUE(md.aff(0, [](double v) { return v; }, view, true, picture));
  ASSERT_EQ(picture.markers.size(), 1u);  // only the point at 100 ms
  EXPECT_EQ(std::pair(picture.markers[0].x, picture.markers[0].y), std::pair(50, 0));
  ASSERT_EQ(picture.lines.size(), 2u);
  EXPECT_EQ(std::pair(picture.lines[0].first.x, picture.lines[0].first.y), std::pair(0, 50));  // cut at 50 ms, value 50
  EXPECT_EQ(picture.lines[1].second.x, 100);
  ScopedRecorder recorder;
  ASSERT_TRUE(ml_init(test::sourceDataDir() / "format" / "english.txt"));
  EXPECT_FALSE(md.aff(2, [](double v) { return v; }, view, true, picture));
  EXPECT_EQ(recorder->reports().size(), 1u);
  EXPECT_EQ(msAtX(view, 50), 100.0);
}

TEST(PolyPointsOLAFile, RoundTripAndFilesThatLie) {
  test::TempDir dir;
  PolyPointsOLA written;
  written.setting1 = 7;
  written.setting2 = -3;
  for (int i = 0; i < 5; ++i) written.push(0, 160 * i, std::vector<float>{0.5f * i});
  ASSERT_TRUE(writePolyPointsOLA(dir / "t.ola", written));
  PolyPointsOLA read;
  ASSERT_TRUE(readPolyPointsOLA(dir / "t.ola", read, 16000));
  ASSERT_EQ(std::tuple(read.setting1, read.setting2, read.nbPoints), std::tuple(7, -3, 5));
  EXPECT_EQ(std::pair(read.date(4), read.y(4, 0)), std::pair(40, 2.0f));
  const auto good = test::readBytes(dir / "t.ola");
  auto with = [&](std::size_t at, std::uint8_t b) {
    auto v = good;
    v[at] = b;
    return v;
  };
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    bool reported;
  } lies[] = {
      {"empty", {}, false},
      {"cut header", {5, 0, 0}, true},
      {"more points than bytes", with(0, 200), true},
      {"huge count", with(3, 0x70), true},
      {"negative count", with(3, 0x80), true},
      {"last point cut", std::vector<std::uint8_t>(good.begin(), good.end() - 1), true},
      {"dates go backwards", with(12 + 8 * 3 + 3, 0xFF), true},
  };
  for (const auto& lie : lies) {
    ScopedRecorder recorder;
    test::writeBytes(dir / "lie.ola", lie.bytes);
    EXPECT_EQ(readPolyPointsOLA(dir / "lie.ola", read, 16000), !lie.reported) << lie.name;
    EXPECT_EQ(read.nbPoints, 0) << lie.name;
    EXPECT_EQ(recorder->saw("read PolyPointsOLA: unconsistent file"), lie.reported) << lie.name;
  }
}

}  // namespace
}  // namespace ardv
