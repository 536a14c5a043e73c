// Levels, rows, colours, legend values and the PGM image of a spectrogram.
#include "spectral/spectrogram_image.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
#include <vector>

#include "platform/headless/recording_reporter.h"
#include "platform/keyboard.h"
#include "platform/thread_pool.h"
#include "spectral/power_db.h"
#include "spectral/reassigned.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

// The settings of `kind` at 16 kHz.
CurrentSpectro specOf(int kind, const SpectroSettings& settings = SpectroSettings()) {
  CurrentSpectro spec;
  EXPECT_TRUE(spectro_GetParams(settings, kind, 16000, spec));
  return spec;
}

// 97 dB is written as byte 0; an empty range makes everything above it darkest.
TEST(Levels, ScreenAndFileScales) {
  for (const auto& [db, level] : {std::pair{60.0, 0}, {40.0, 0}, {97.0, 254}, {97.2, 255}, {-100.0, 0}})
    EXPECT_EQ(screenLevel(db, 60, 97), level) << db;
  EXPECT_EQ(std::tuple(fileLevel(97.0, 60, 97), fileLevel(std::nan(""), 60, 97), fileLevel(80.0, 70, 70)),
            std::tuple(255, 0, 255));
}

TEST(Levels, TwoBinsPerRowAreAveragedOnA256RowPlane) {
  // 513 bins shown with D = 512 on 256 rows: a row is painted when the
  // upper edge of a bin reaches it, so bin 0 alone makes row 254, then bins
  // 2r-1 and 2r make row 255 - r - 1; the bottom row is left alone.
  std::vector<float> column(513);
  for (int k = 0; k < 513; ++k) column[k] = k % 2 ? 97.0f : 60.0f;
  const PlaneAxis axis{256, 0.0, 128.0};
  std::vector<std::int16_t> rows(256);
  screenColumnLevels(column.data(), 512, 512, axis, 60, 97, rows.data());
  for (int y = 0; y < 254; ++y) EXPECT_EQ(rows[y], 127) << y;  // mean 78.5 dB
  EXPECT_EQ(std::tuple(rows[254], rows[255]), std::tuple(0, -1));
  std::vector<std::uint8_t> pixels(256);
  column[0] = column[1] = 97.0f;
  fileColumnLevels(column.data(), 512, 512, 256, 60, 97, pixels.data());
  EXPECT_EQ(std::tuple(pixels[0], pixels[1]), std::tuple(255, 127));  // first pixel = lowest frequency
}

TEST(Levels, RowsAboveTheLastComputedBinStayWhiteInFiles) {
  std::vector<float> column(129, 97.0f);
  std::vector<std::uint8_t> pixels(100, 77);
  fileColumnLevels(column.data(), 128, 256, 100, 60, 97, pixels.data());  // D = 256 > N/2 = 128
  EXPECT_EQ(std::tuple(pixels[49], pixels[50], pixels[99]), std::tuple(255, 0, 0));
}

TEST(Levels, ReassignedRowsTakeTheLargestBinWhenBinsOutnumberRows) {
  std::vector<float> column = {50.0f, 90.0f, -20.0f, 70.0f};
  std::vector<std::uint8_t> pixels(2);
  reassignedFileLevels(column.data(), 4, 4, 2, 60, 97, pixels.data());
  EXPECT_EQ((std::pair<int, int>(pixels[0], pixels[1])), std::pair(fileLevel(90, 60, 97), fileLevel(70, 60, 97)));
  std::vector<std::uint8_t> eight(8);
  reassignedFileLevels(column.data(), 4, 4, 8, 60, 97, eight.data());  // integer mean of one bin each
  EXPECT_EQ(eight[2], fileLevel(90, 60, 97));
}

TEST(Colours, GreyRampAndColourMapEnds) {
  const auto g = greyRamp(1.0);
  EXPECT_EQ(std::tuple(g[0], g[128].r, g[255]), std::tuple(Rgb{255, 255, 255}, 127, Rgb{0, 0, 0}));
  EXPECT_GT(greyRamp(1.7)[128].r, 127);  // gamma above 1 lightens the middle
  const auto c = colourMap();
  EXPECT_EQ(std::pair(c[0], c[48]), std::pair(Rgb{255, 255, 255}, Rgb{255, 255, 204}));  // the second key colour
  EXPECT_EQ(c[94].r, 255);  // third key: (255, 207, 64)
  EXPECT_TRUE(std::abs(c[94].g - 207) <= 1 && std::abs(c[94].b - 64) <= 1 && c[255].r <= 4 && c[255].g == c[255].b);
}

TEST(Colours, GammaChangesOnlyBeyondOneHundredth) {
  DisplayColours d;
  EXPECT_TRUE(d.setSpectroGamma(1.7));
  const auto ramp = d.grey;
  EXPECT_FALSE(d.setSpectroGamma(1.705));
  EXPECT_EQ(std::tuple(d.gamma, d.grey), std::tuple(1.7, ramp));
  d.graymode = false;
  EXPECT_EQ(d.levelColour(94), d.colour[94]);
  d.graymode = true;
  EXPECT_EQ(d.levelColour(94), d.grey[94]);
  d.lowColourDevice = true;
  EXPECT_EQ(d.levelColour(94), d.colour[94]);
  EXPECT_FALSE(d.setSpectroGamma(1.0));
}

TEST(Legend, ValuesAndLabelSpacing) {
  EXPECT_EQ(std::pair(legendLevelDb(0), legendLevelDb(255)), std::pair(60.0, 97.0));
  // 256 / 32 = 8
  EXPECT_EQ(std::tuple(legendLabelInterval(800, 20), legendLabelInterval(800, 21), legendLabelInterval(100000, 20)),
            std::tuple(8, 16, 1));
}

// For both kinds: the default-size image of a 2000-Hz tone, its orientation
// and length (its PGM file: SpectrogramCommand); Escape stops the image, an
// earlier press does not.
TEST(Pgm, ImageOfEveryKindAndEscape) {
  const auto x0 = test::sine(48000, 16000, 2000, 8000);
  const SampleSpan x{x0.data(), 48000, 0};
  for (int kind : {2, 3}) {
    const CurrentSpectro spec = specOf(kind);
    LevelImage image;
    ASSERT_TRUE(renderSpectrogramImage(spec, x, 0, 47999, 1024, 256, image));
    ASSERT_EQ(image.levels.size(), 1024u * 256u);
    // 2000 Hz of 8000 Hz over 256 pixels: the darkest pixel of a row is 64.
    const std::uint8_t* row = image.row(500);
    EXPECT_NEAR(std::max_element(row, row + 256) - row, 64, 1) << "kind " << kind;

    ScopedRecorder rec;
    ScriptedKeyboard keys(2);  // the first poll drops an earlier press
    setKeyboardPoller(&keys);
    image = LevelImage{1, 1, {9}};
    EXPECT_FALSE(renderSpectrogramImage(spec, x, 0, 47999, 1024, 64, image));
    EXPECT_TRUE(rec->saw("Escape pressed")) << "kind " << kind;
    EXPECT_EQ(keys.polls(), 3);
    EXPECT_EQ(image.levels, std::vector<std::uint8_t>{9});
    // Pressed once, before the call: the image is made.
    struct EarlyPress : KeyboardPoller {
      int polls = 0;
      bool escapePressed() override { return ++polls == 1; }
      bool shiftHeld() override { return false; }
    } early;
    setKeyboardPoller(&early);
    EXPECT_TRUE(renderSpectrogramImage(spec, x, 0, 47999, 1024, 64, image));
    EXPECT_EQ(early.polls, 1 + 1024 / kStopPollFrames);
    setKeyboardPoller(nullptr);
  }
}

// Silence is white, and frames past the samples too (nothing is read there);
// a zero size or a stretch shorter than a frame is refused and changes nothing.
TEST(Pgm, SilenceIsWhiteAndBadSizesAndUncreatableFilesAreRefused) {
  const std::vector<std::int16_t> zeros(4000, 0);
  const SampleSpan x{zeros.data(), 4000, 0};
  CurrentSpectro spec = specOf(1);
  LevelImage image;
  ASSERT_TRUE(renderSpectrogramImage(spec, x, 0, 3999, 64, 32, image));
  for (auto v : image.levels) EXPECT_EQ(v, 0);
  ScopedRecorder rec;
  spec = specOf(3);
  image = LevelImage{1, 1, {9}};
  EXPECT_FALSE(renderSpectrogramImage(spec, x, 0, 3999, 0, 256, image));
  EXPECT_FALSE(renderSpectrogramImage(spec, x, 0, 300, 64, 256, image));
  EXPECT_EQ(rec->count(ReportKind::Message), 2u);
  EXPECT_EQ(image.levels, std::vector<std::uint8_t>{9});
  // A file that cannot be created: reported, nothing written.
  test::TempDir dir;
  const auto path = dir.path() / "missing" / "s.pgm";
  EXPECT_FALSE(writePgm(path, LevelImage{2, 2, {0, 1, 2, 3}}));
  EXPECT_EQ(rec->count(ReportKind::Message), 3u);
  EXPECT_TRUE(rec->saw("Cannot open image file"));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Pane, ColumnsPerFrameAndUntouchedColumns) {
  const auto x0 = test::sine(32000, 16000, 1000, 8000);
  const SampleSpan x{x0.data(), 32000, 0};
  const PaneMapping pane{0, 32000, 400};
  PaneImage img;
  ASSERT_TRUE(renderSpectrogramPane(specOf(2), x, pane, 0, 399, PlaneAxis{128, 0.0, 128.0}, img));
  EXPECT_EQ(std::tuple(img.at(0, 0), img.at(399, 0)), std::tuple(-1, -1));  // their frames would leave the buffer
  // 1000 Hz of 8000 on 128 rows: bins 62..65 close row 110.
  EXPECT_GT(img.at(200, 110), 200);
  EXPECT_LT(img.at(200, 60), 60);
  PaneImage re;
  ASSERT_TRUE(renderSpectrogramPane(specOf(3), x, pane, 0, 399, PlaneAxis{128, 0.0, 128.0}, re));
  EXPECT_GT(std::max(re.at(200, 110), re.at(200, 111)), 200);
}

// A glide from 200 to 3000 Hz over 2 s at 16 kHz: every column differs
// from the next.
std::vector<std::int16_t> glide() {
  std::vector<std::int16_t> x0(32000);
  double phase = 0.0;
  for (std::size_t i = 0; i < x0.size(); ++i) {
    phase += 2 * std::numbers::pi * (200.0 + 2800.0 * static_cast<double>(i) / 32000.0) / 16000.0;
    x0[i] = static_cast<std::int16_t>(std::lround(8000 * std::sin(phase)));
  }
  return x0;
}

}  // namespace
// With a relative range the darkest level sits at the loudest bin shown,
// whatever the recording level; silence keeps the kind's fixed range.
TEST(Pane, RelativeRangeFollowsTheLoudestCell) {
  SpectroSettings settings;
  settings.relativeRangeDb = 70;
  double loud[7] = {};
  // Kind and amplitude of a 1000 Hz tone (0: silence).
  for (const auto& [kind, amplitude] : {std::pair{1, 8000.0}, {1, 80.0}, {3, 8000.0}, {3, 80.0}, {6, 80.0}, {2, 0.0},
                                        {3, 0.0}, {6, 0.0}}) {
    const auto x0 = test::sine(16000, 16000, 1000, amplitude);
    const CurrentSpectro spec = specOf(kind, settings);
    PaneImage img;
    ASSERT_TRUE(renderSpectrogramPane(spec, {x0.data(), 16000, 0}, PaneMapping{0, 16000, 300}, 0, 299,
                                      PlaneAxis{128, 0.0, 128.0}, img));
    const int top = *std::max_element(img.levels.begin(), img.levels.end());
    const std::string what = "kind " + std::to_string(kind) + " at " + std::to_string(amplitude);
    EXPECT_EQ(img.relative, amplitude > 0) << what;
    EXPECT_EQ(img.highDb - img.lowDb, amplitude > 0 ? 70.0 : spec.highDb - spec.lowDb) << what;
    EXPECT_TRUE(amplitude > 0 ? top >= 240 : top <= 0) << what;  // silence is not painted black
    if (amplitude == 8000) loud[kind] = img.highDb;
    if (amplitude == 80 && loud[kind] != 0) {
      EXPECT_NEAR(loud[kind] - img.highDb, 40.0, 1.0) << what;
    }
  }
}

// A pane drawn through the column cache on three threads is the pane computed
// afresh on one, for every kind, through a run of views (zoomed out: several
// columns per frame; zoomed in: several frames per sample) and changes that
// keep some columns and must drop others.
TEST(Pane, KeptColumnsOnAnyThreadCountGiveTheFreshPane) {
  auto x0 = glide();
  struct Step {
    const char* what;
    std::int64_t first, count;  // the view
    int edit;                   // >= 0: sample changed in place
    std::int64_t bufferFirst;   // where the buffer starts in the signal
    float lowDb;
    bool reuses;  // some columns of the previous view come from the cache
  };
  const Step steps[] = {
      {"first view", 4000, 4000, -1, 0, 60, false},
      {"scroll by 36 columns", 4720, 4000, -1, 0, 60, true},
      {"scroll back", 4000, 4000, -1, 0, 60, true},
      {"scroll by part of a column", 4007, 4000, -1, 0, 60, false},
      {"zoom in", 6000, 2000, -1, 0, 60, false},
      {"display range", 6000, 2000, -1, 0, 50, true},
      {"edit in place", 6000, 2000, 7000, 0, 50, false},
      {"buffer moved", 6000, 2000, -1, 100, 50, false},
      {"zoom in past a sample per column", 15000, 60, -1, 0, 50, false},
      {"the whole signal, frames past its ends", 0, 32000, -1, 0, 50, false},
  };
  for (int kind = 1; kind <= 6; ++kind) {
    CurrentSpectro spec = specOf(kind);
    PaneColumnCache cache;
    for (const Step& step : steps) {
      if (step.edit >= 0) x0[static_cast<std::size_t>(step.edit)] ^= 0x155;
      spec.lowDb = step.lowDb;
      const SampleSpan x{x0.data(), 32000, step.bufferFirst};
      const PaneMapping pane{step.first, step.count, 200};
      const std::size_t before = cache.added();
      PaneImage kept, fresh;
      setWorkerThreads(3);
      ASSERT_TRUE(renderSpectrogramPane(spec, x, pane, 0, 199, PlaneAxis{160, 0.0, 128.0}, kept, cache));
      setWorkerThreads(1);
      ASSERT_TRUE(renderSpectrogramPane(spec, x, pane, 0, 199, PlaneAxis{160, 0.0, 128.0}, fresh));
      setWorkerThreads(0);
      EXPECT_TRUE(kept.levels == fresh.levels) << "kind " << kind << ", " << step.what;
      EXPECT_GT(*std::max_element(fresh.levels.begin(), fresh.levels.end()), 100) << "kind " << kind << ", " << step.what;
      const auto computed = static_cast<int>(cache.added() - before);
      if (kind != 3) {  // no columns of its own
        EXPECT_EQ(computed < 100 / spec.columnsPerFrame, step.reuses)
            << "kind " << kind << ", " << step.what << ": " << computed << " computed";
      }
    }
    EXPECT_LE(cache.size(), 3u * 200 + 64);
  }
}

namespace {

// The fast dB values stay within their bound of the exact ones over the whole
// range of powers, and give NaN where they cannot (whatever the count's
// remainder by four).
TEST(Levels, ApproximateDbWithinItsBound) {
  std::vector<float> power;
  for (float p = 1e-10f; p < 1e20f; p *= 1.0007f) power.push_back(p);
  for (float odd : {0.0f, -1.0f, 1e-41f, INFINITY, std::nanf("")}) power.push_back(odd);
  std::vector<double> approx(power.size());
  approxPowerDb(power.data(), static_cast<int>(power.size()), 7.25f, approx.data());
  double worst = 0.0;
  for (std::size_t k = 0; k + 5 < power.size(); ++k)
    worst = std::max(worst, std::fabs(approx[k] - powerDb(power[k], 7.25f)));
  EXPECT_LT(worst, kPowerDbError / 10);
  for (std::size_t k = power.size() - 5; k < power.size(); ++k) EXPECT_TRUE(std::isnan(approx[k])) << power[k];
}

// Levels from powers are those of the exact dB columns, also where a pixel's
// mean falls next to a level's edge (narrow ranges put edges everywhere) and
// for an empty range.
TEST(Levels, FromPowersAsFromExactDb) {
  std::mt19937 rng(11);
  const float gain = 3.5f;
  struct Row {
    int bins, displayed, height;
    double low, high;
  };
  std::vector<Row> rows = {{513, 512, 256, 60, 97}, {129, 128, 256, 60, 97}, {513, 512, 37, 80, 80.01},
                           {257, 256, 1000, -20, 140}, {513, 400, 256, 90, 90}, {4097, 4096, 256, -90, -89.99},
                           {163, 163, 300, 60, 97}, {163, 512, 256, 60, 97}};
  // Every count of shown bins modulo the fast path's width, each bin its own pixel.
  for (int bins = 1; bins <= 24; ++bins) rows.push_back({bins, bins, 2 * bins, 60, 97});
  for (const auto& r : rows) {
    // Levels of dB values around the range, so that means meet every edge.
    std::uniform_real_distribution<double> level(r.low - 1.0, r.high + 1.0);
    for (int column = 0; column < 40; ++column) {
      std::vector<float> power(static_cast<std::size_t>(r.bins)), db(power.size());
      for (std::size_t k = 0; k < power.size(); ++k) {
        power[k] = static_cast<float>(std::pow(10.0, (level(rng) - gain) / 10.0));
        db[k] = powerDb(power[k], gain);
      }
      std::vector<double> approx(power.size());
      approxPowerDb(power.data(), r.bins, gain, approx.data());
      std::vector<std::uint8_t> fast(static_cast<std::size_t>(r.height)), exact(fast.size());
      fileColumnLevelsOfPower(power.data(), approx.data(), gain, r.bins, r.displayed, r.height, r.low, r.high,
                              fast.data());
      fileColumnLevels(db.data(), r.bins, r.displayed, r.height, r.low, r.high, exact.data());
      ASSERT_EQ(fast, exact) << r.bins << " bins, " << r.height << " rows, " << r.low << ".." << r.high;
    }
  }
}

// Images of the FFT kinds (levels from powers) against their exact columns.
TEST(Pgm, FftKindImagesAsTheirExactColumns) {
  std::vector<std::int16_t> s = test::sine(32000, 16000, 440, 6000);
  std::mt19937 rng(3);
  std::normal_distribution<double> noise(0.0, 500.0);
  for (auto& v : s) v = static_cast<std::int16_t>(v + noise(rng));
  const SampleSpan x{s.data(), static_cast<std::int64_t>(s.size()), 0};
  for (const auto& [kind, displayed] : {std::pair{1, 0}, {2, 0}, {1, 163}, {2, 163}, {1, 77}, {2, 301}}) {
    CurrentSpectro spec = specOf(kind);
    if (displayed) spec.displayedBins = displayed;  // a lower top frequency
    const auto centre = [](int i) { return static_cast<std::int64_t>(i) * 97 + 200; };
    const int frames = 300, height = 200, bins = std::min(spec.fftSize / 2, spec.displayedBins);
    std::vector<std::uint8_t> fast(static_cast<std::size_t>(frames) * height), exact(fast.size());
    ASSERT_TRUE(spectroImageColumns(spec, x, frames, centre, bins, height,
                                    [&](int i) { return fast.data() + static_cast<std::ptrdiff_t>(i) * height; }));
    ASSERT_TRUE(spectroColumns(spec, x, frames, centre, [&](int i, const std::vector<float>& column) {
      fileColumnLevels(column.data(), std::min<int>(bins, static_cast<int>(column.size())), spec.displayedBins,
                       height, spec.lowDb, spec.highDb, exact.data() + static_cast<std::ptrdiff_t>(i) * height);
    }));
    EXPECT_EQ(fast, exact) << "kind " << kind << ", " << spec.displayedBins << " bins shown";
  }
}

// Reassigned columns levelled together give the rows of each levelled alone,
// whatever they hold (the floor, NaN, infinities, huge values).
TEST(Levels, ReassignedColumnsTogetherAsAlone) {
  const int bins = 300;
  std::vector<std::vector<float>> columns(7, std::vector<float>(bins));
  for (std::size_t c = 0; c < columns.size(); ++c)
    for (int k = 0; k < bins; ++k)
      columns[c][static_cast<std::size_t>(k)] = static_cast<float>(40.0 + 60.0 * std::sin(0.37 * k + 1.3 * c));
  columns[1][5] = std::nanf("");
  columns[2][9] = INFINITY;
  columns[3][0] = -INFINITY;
  columns[4][17] = 3e38f;
  std::fill(columns[5].begin(), columns[5].end(), -100.0f);
  for (const int rows : {120, 900}) {
    PlaneAxis axis;
    axis.rows = rows;
    const ScreenRowRuns runs = screenRowRuns(bins, bins, axis);
    std::vector<std::vector<std::int16_t>> together(columns.size(), std::vector<std::int16_t>(rows));
    std::vector<const float*> in;
    std::vector<std::int16_t*> out;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      in.push_back(columns[c].data());
      out.push_back(together[c].data());
    }
    reassignedScreenLevels(in.data(), static_cast<int>(in.size()), runs, 60.0, 97.0, out.data());
    for (std::size_t c = 0; c < columns.size(); ++c) {
      std::vector<std::int16_t> alone(rows);
      reassignedScreenLevels(columns[c].data(), runs, 60.0, 97.0, alone.data());
      EXPECT_EQ(together[c], alone) << "column " << c << ", " << rows << " rows";
      for (const std::int16_t v : alone) EXPECT_TRUE(v >= -1 && v <= 255) << v;
    }
  }
}

}  // namespace
}  // namespace ardv
