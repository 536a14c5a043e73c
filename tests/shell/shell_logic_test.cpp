// Pane layout, column/sample/time mappings, scroll mapping, waveform
// reduction, the selection and view arithmetic, the information window's
// lines and the contour window's data, without any widget.
#include "shell/logic/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/headless/recording_reporter.h"
#include "prosody/prosody_display.h"
#include "shell/logic/info_lines.h"
#include "shell/logic/readable_reports.h"
#include "shell/logic/scales.h"
#include "shell/logic/view_ops.h"
#include "shell/logic/waveform.h"
#include "shell/prosody/f0_contour_model.h"
#include "signal/profile_table.h"
#include "signal/signal_envelope.h"
#include "signal/wavfile.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

TEST(Layout, DefaultWindowByHand) {
  // 900 x 550 client, 16-pixel lines: h = 18.
  const MainLayout l = layoutPanes(900, 550, 16);
  EXPECT_EQ(l.word, (PaneRect{68, 0, 832, 18}));
  EXPECT_EQ(l.spectro, (PaneRect{0, 18, 900, 411}));
  EXPECT_EQ(l.phoneme, (PaneRect{68, 429, 832, 18}));
  EXPECT_EQ(l.signal, (PaneRect{0, 447, 900, 88}));
  EXPECT_EQ(l.scroll, (PaneRect{68, 535, 832, 16}));
  // Two value scales: the panes of the time axis give up their columns, the
  // scroll bar keeps its width; a margin wider than the window is limited.
  for (auto [margin, kept] : {std::pair{92, 92}, {5000, 832}}) {
    const MainLayout m = layoutPanes(900, 550, 16, margin);
    EXPECT_EQ(m.spectro, (PaneRect{0, 18, 900 - kept, 411})) << margin;
    EXPECT_TRUE(m.signal.width == m.spectro.width && m.word.width == m.spectro.width - 68) << margin;
    EXPECT_EQ(m.valueScales, (PaneRect{900 - kept, 18, kept, 411})) << margin;
    EXPECT_EQ(m.scroll, l.scroll) << margin;
  }
}

TEST(Layout, TiersAndTheOverviewComeOutOfTheSpectrogram) {
  // Two tiers under the word pane, a 36-pixel overview above the scroll bar.
  const MainLayout l = layoutPanes(900, 550, 16, 0, 2, 36);
  EXPECT_EQ(l.tiers, (PaneRect{68, 18, 832, 36}));
  EXPECT_EQ(l.spectro, (PaneRect{0, 54, 900, 339}));
  EXPECT_EQ(l.valueScales.y, 54);
  EXPECT_EQ(l.phoneme, (PaneRect{68, 393, 832, 18}));
  EXPECT_EQ(l.signal, (PaneRect{0, 411, 900, 88}));
  EXPECT_EQ(l.overview, (PaneRect{68, 499, 832, 36}));
  EXPECT_EQ(l.scroll, (PaneRect{68, 535, 832, 16}));
}

TEST(Layout, SpectrogramVanishesBelowTwoLinesAndTheFixedBands) {
  // With h = 18 the spectrogram plane has H - 139 rows.
  for (auto [height, rows] : {std::pair{140, 1}, {139, 0}, {100, -39}, {0, -139}}) {
    const MainLayout l = layoutPanes(300, height, 16);
    EXPECT_EQ(l.spectro.height, rows) << height;
    EXPECT_EQ(l.spectro.visible(), rows > 0) << height;
    EXPECT_EQ(l.signal.y + l.signal.height, height - 15);
  }
}

TEST(TimeAxis, ColumnsToSamplesAndTimes) {
  // Overview of 6 s at 16 kHz on 800 columns: 120 samples per column.
  const TimeAxis axis(0, 95999, 800);
  for (auto [x, sample] : {std::pair{-3, 0}, {1, 120}, {400, 48000}, {800, 95999}}) EXPECT_EQ(axis.sampleAt(x), sample);
  for (auto [x, ms] : {std::pair{0, 0.0}, {400, 3000.0}, {900, 6000.0}}) EXPECT_DOUBLE_EQ(axis.msAt(x, 16000), ms);
  EXPECT_DOUBLE_EQ(axis.msAt(400, 0.0), 0.0);
  EXPECT_DOUBLE_EQ(axis.xOf(48000), 400.0);
  // Zoomed on 11 samples from 1000: the start is 62.5 ms.
  const TimeAxis zoomed(1000, 1010, 880);
  EXPECT_EQ(zoomed.sampleAt(80), 1001);
  EXPECT_DOUBLE_EQ(zoomed.msAt(0, 16000), 62.5);
}

TEST(FrequencyAxis, RowsOfTheUCoordinate) {
  const FrequencyAxis axis(8000, 256);
  // fmax is the top edge.
  EXPECT_EQ(std::tuple(axis.rowOfHz(0), axis.rowOfHz(4000), axis.rowOfU(128)), std::tuple(255, 127, -1));
}

TEST(ScrollMapping, LinearAndInvertible) {
  const ScrollMapping m{0, 10000};
  for (auto [p, tf, start] : {std::tuple{0, 32001, 0}, {5000, 32001, 16000}, {10000, 32001, 32000}, {77, 1, 0}})
    EXPECT_EQ(m.startSample(p, tf), start) << p;
  std::mt19937 rng(5);
  for (int i = 0; i < 500; ++i) {
    const std::int32_t tf = 2 + static_cast<std::int32_t>(rng() % 2000000);
    const std::int32_t s = static_cast<std::int32_t>(rng() % tf);
    const int p = m.position(s, tf);
    ASSERT_LE(m.startSample(p, tf), s);
    if (p < m.pmax) {
      ASSERT_GT(m.startSample(p + 1, tf), s) << tf << " " << s;
    }
  }
}

TEST(Waveform, MinMaxUnderEachColumnJoiningNeighbours) {
  const std::vector<std::int16_t> samples = {0, 5, -3, 7, 2, -8, 1, 4, 9, -1};
  const TimeAxis axis(0, 9, 5);  // two samples per column
  using Extents = std::vector<std::tuple<bool, int, int>>;
  auto extents = [&](MemorySamples memory) {
    Extents out;
    for (const ColumnExtent& c : waveformColumns(axis, memory)) out.emplace_back(c.valid, c.min, c.max);
    return out;
  };
  // Column 0 covers samples 0..2, column 1 samples 2..4, the last 8..9.
  EXPECT_EQ(extents({samples.data(), 10, 0}),
            (Extents{{true, -3, 5}, {true, -3, 7}, {true, -8, 2}, {true, 1, 9}, {true, -1, 9}}));
  // Only the samples held in memory (here 4..9) are drawn.
  EXPECT_EQ(extents({samples.data() + 4, 6, 4}),
            (Extents{{false, 0, 0}, {true, 2, 2}, {true, -8, 2}, {true, 1, 9}, {true, -1, 9}}));
  for (auto [sample, row] : {std::pair{32767, 0}, {0, 44}, {-32768, 87}}) EXPECT_EQ(sampleRow(sample, 88), row);
}

TEST(Envelope, BlocksStayFewWhateverTheLength) {
  for (auto [samples, block] : {std::pair<std::int64_t, int>{0, 32}, {32 << 20, 32}, {(32 << 20) + 1, 64},
                                {std::int64_t(48000) * 3600, 256}})
    EXPECT_EQ(envelopeBlockSamples(samples), block) << samples;
}

// A file read in memory-span chunks gives each block's exact extremes, and
// a view wider than memory draws, outside memory, whole blocks around the
// exact extremes of each column (inside memory the samples as held).
TEST(Envelope, WholeFileInChunksAndColumnsPastMemory) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> value(-30000, 30000);
  std::vector<std::int16_t> x(250001);  // 15.6 s at 16 kHz: three chunks
  for (auto& v : x) v = static_cast<std::int16_t>(value(random));
  test::TempDir dir;
  ASSERT_TRUE(test::writeWav(dir.path() / "long.wav", x, 16000));
  infoFile info;
  info.nom = (dir.path() / "long.wav").string();
  ASSERT_TRUE(init_infoFile_read_WAV(info));
  SignalEnvelope env;
  ASSERT_TRUE(computeEnvelope(info, static_cast<std::int32_t>(x.size()), env));
  ASSERT_EQ(env.mins.size(), (x.size() + 31) / 32);
  for (std::size_t k = 0; k < env.mins.size(); ++k) {
    const auto first = x.begin() + static_cast<std::ptrdiff_t>(k * 32);
    const auto [lo, hi] = std::minmax_element(first, std::min(first + 32, x.end()));
    ASSERT_EQ(std::pair(env.mins[k], env.maxs[k]), std::pair(*lo, *hi)) << k;
  }
  // Memory holds samples 96000..191999; the view is the whole signal.
  const MemorySamples memory{x.data() + 96000, 96000, 96000};
  const TimeAxis axis(0, static_cast<std::int32_t>(x.size()) - 1, 700);
  const auto columns = waveformColumns(axis, memory, env);
  const auto exact = waveformColumns(axis, {x.data(), static_cast<std::int32_t>(x.size()), 0});
  for (int c = 0; c < 700; ++c) {
    const auto& got = columns[static_cast<std::size_t>(c)];
    const auto& want = exact[static_cast<std::size_t>(c)];
    ASSERT_TRUE(got.valid);
    EXPECT_LE(got.min, want.min);
    EXPECT_GE(got.max, want.max);
    if (axis.sampleAt(c) >= 96000 + 32 && axis.sampleAt(c + 1) < 192000 - 32)
      EXPECT_EQ(std::pair(got.min, got.max), std::pair(want.min, want.max)) << c;
  }
  EXPECT_EQ(columnsPeak(columns), 30000);
  EXPECT_EQ(sampleRow(15000, 88, 30000), 22);
}

TEST(Selection, DragDirectionDoesNotMatter) {
  const TimeAxis axis(0, 95999, 800);
  for (auto [from, to] : {std::pair{100, 300}, {300, 100}}) {
    const Selection s = selectionFromColumns(from, to, axis, 39999, 16000);
    EXPECT_EQ(std::pair(s.first, s.last), std::pair(12000, 36000));
    EXPECT_DOUBLE_EQ(s.durationMs(), 1500.0);
  }
  // Past the last sample shown the ends are clamped to it.
  EXPECT_EQ(selectionFromColumns(300, 700, axis, 39999, 16000).last, 39999);
}

TEST(DurationLines, BelowOneMillisecondTheRateLineIsEmpty) {
  InfoLines lines;
  for (auto [ms, duration, rate] : {std::tuple{250.0, "250.0 ms", "1/4.0 sec"}, {0.5, "0.5 ms", ""}}) {
    setDurationLines(lines, ms);
    EXPECT_EQ(std::tuple(lines.get(kLineDuration), lines.get(kLineRate)), std::tuple(duration, rate));
  }
}

TEST(ViewFrom, KeepsMemoryWhileTheViewFitsElseMovesIt) {
  DisplayContext ct;
  ct.tf = 500000;
  ct.d_e = 0, ct.f_e = 95999;
  ct.d_a = 0, ct.f_a = 9999;  // zoomed on 10000 samples
  ct.d_sel = 5, ct.f_sel = 9;
  const DisplayContext inside = viewFrom(ct, 80000, 16000);
  EXPECT_EQ(std::tuple(inside.d_a, inside.f_a, inside.d_sel), std::tuple(80000, 89999, -1));
  EXPECT_FALSE(memoryMoved(ct, inside));
  const DisplayContext outside = viewFrom(ct, 200000, 16000), end = viewFrom(ct, 499995, 16000);
  EXPECT_EQ(std::tuple(outside.d_e, outside.f_e, outside.f_es), std::tuple(200000, 295999, 209999));
  EXPECT_EQ(std::pair(end.f_e, end.f_es), std::pair(499999, 499999));
  EXPECT_EQ(viewFrom(ct, -7, 16000).d_a, 0);
}

TEST(ViewFrom, WideViewsKeepMemoryToItsSpan) {
  DisplayContext ct;
  ct.tf = 500000;
  ct.d_e = 100000, ct.f_e = 195999;
  ct.d_a = 100000, ct.f_a = 195999;
  // Show all: the whole file; memory lies inside it and stays.
  const DisplayContext all = viewAfter(ct, Step::ShowAll, 16000);
  EXPECT_EQ(std::tuple(all.d_a, all.f_a, all.d_e, all.f_e), std::tuple(0, 499999, 100000, 195999));
  EXPECT_EQ(std::pair(all.d_es, all.f_es), std::pair(100000, 195999));
  // A wide view that misses memory moves it to its start, one span long.
  DisplayContext wide = all;
  wide.d_a = 0, wide.f_a = 199999;
  const DisplayContext moved = viewFrom(wide, 300000, 16000);
  EXPECT_EQ(std::tuple(moved.d_a, moved.d_e, moved.f_e, moved.d_es, moved.f_es),
            std::tuple(300000, 300000, 395999, 300000, 395999));
  // Zooming out grows past the memory span; the memory view is still 6 s.
  EXPECT_EQ(viewAfter(ct, Step::ZoomOut, 16000).f_a - viewAfter(ct, Step::ZoomOut, 16000).d_a + 1, 192000);
  EXPECT_EQ(memoryView(ct, 16000), 96000);
}

TEST(Scales, F0AxisOverTheSpeechRange) {
  struct Row {
    std::vector<int> hz;
    double lo, hi, bottom, top;
  } rows[] = {
      {{}, 65, 400, 60, 400},             // the speaker's range
      {{100, 200, 0}, 65, 800, 90, 210},  // the values, a tenth wider
      {{120}, 65, 800, 80, 170},          // one value: an octave about it
      {{70, 790}, 65, 800, 60, 800},      // kept inside the speaker's range
  };
  for (const Row& r : rows)
    EXPECT_EQ(f0SpeechAxis(r.hz, r.lo, r.hi), std::pair(r.bottom, r.top)) << r.hz.size();
}

TEST(Scales, RoundStepsThatLeaveRoomForLabels) {
  EXPECT_DOUBLE_EQ(niceStep(6000, 800, 80), 1000);
  EXPECT_DOUBLE_EQ(niceStep(8000, 400, 32), 1000);
  EXPECT_DOUBLE_EQ(niceStep(0.6875, 800, 80), 0.1);
  const auto ticks = timeTicks(250, 1250, 1000, 80);
  ASSERT_FALSE(ticks.empty());
  EXPECT_EQ(std::tuple(ticks.front().value, ticks.front().pos, ticks.front().label), std::tuple(300.0, 50.0, "300"));
  // Labels carry no unit; the unit goes beside the scale.
  EXPECT_STREQ(timeTicksUnit(250, 1250, 1000, 80), "ms");
  EXPECT_STREQ(timeTicksUnit(0, 600000, 800, 80), "s");
  EXPECT_EQ(timeTicks(0, 600000, 800, 80)[1].label, "100");
  const auto hz = frequencyTicks(8000, 256, 30);
  EXPECT_EQ(std::tuple(hz.front().pos, hz.back().label), std::tuple(255.0, "8000"));
  // The analysis windows label in seconds whatever the step.
  const struct { double startMs, endMs; int width; const char *first, *second; } seconds[] = {
      {250, 1250, 1000, "0.3", "0.4"}, {0, 600000, 800, "0", "50"}, {0, 50, 500, "0.00", "0.01"},
      {1990, 2010, 400, "1.990", "1.995"}, {-20, 80, 500, "-0.02", "0.00"}};
  for (const auto& c : seconds) {
    const auto t = secondTicks(c.startMs, c.endMs, c.width, 60);
    ASSERT_GE(t.size(), 2u) << c.first;
    EXPECT_EQ(std::pair(t[0].label, t[1].label), std::pair(std::string(c.first), std::string(c.second)));
    EXPECT_EQ(t[1].pos, timeTicks(c.startMs, c.endMs, c.width, 60)[1].pos);
  }
}

// A window opens at its wanted size where the screen allows, centred on its
// owner, its frame wholly on the screen's free area.
TEST(Layout, WindowsOpenWhollyOnTheScreen) {
  const struct { const char* name; PaneRect screen, owner; int w, h; PaneRect expect; } cases[] = {
      {"large screen, centred on the owner", {0, 0, 1920, 1050}, {100, 100, 900, 600}, 800, 400, {146, 186, 800, 400}},
      {"no owner: screen centre", {0, 0, 1920, 1050}, {}, 800, 400, {556, 311, 800, 400}},
      {"small screen shrinks it", {0, 32, 800, 568}, {0, 32, 800, 568}, 1000, 680, {0, 32, 792, 540}},
      {"owner near the right edge", {0, 0, 1366, 738}, {1000, 500, 900, 600}, 600, 400, {758, 310, 600, 400}},
      {"second screen, owner off its left", {1920, 0, 1280, 1024}, {1700, 0, 400, 300}, 600, 400, {1920, 0, 600, 400}},
      {"tiny screen", {0, 0, 300, 200}, {0, 0, 300, 200}, 960, 520, {0, 0, 292, 172}},
  };
  for (const auto& c : cases) {
    const PaneRect r = placeWindow(c.w, c.h, 8, 28, c.owner, c.screen);
    EXPECT_EQ(r, c.expect) << c.name << ": " << r.x << "," << r.y << " " << r.width << "x" << r.height;
  }
}

// Equal rows stand for equal steps of the scale; ticks are round, rise
// monotonically, keep their spacing and stay on the plane.
TEST(Scales, PerceptualAxisTicks) {
  // Mel at 16 kHz, whole band shown: the top is mel(8000); 1000 Hz (1000 mel)
  // lies 1000 / 2840.0 of the way up a 284-row plane.
  const double top = perceptualTop(PerceptualScale::Mel, 16000, 512, 1024);
  EXPECT_NEAR(top, melFromHz(8000), 1e-9);
  EXPECT_EQ(perceptualRow(PerceptualScale::Mel, top, 284, 1000), 283 - int(melFromHz(1000) / top * 284 + 0.5));
  EXPECT_EQ(perceptualRow(PerceptualScale::Bark, 10, 100, 0), 99);
  // Decorations use the same rows; the middle of a row maps back into it.
  const auto axis = FrequencyAxis::perceptual(PerceptualScale::Mel, top, 284);
  EXPECT_NEAR(axis.fmax(), 8000, 1e-6);
  const FrequencyAxis linear(8000, 284);
  for (double hz : {150.0, 1000.0, 5000.0}) {
    EXPECT_EQ(axis.rowOfHz(axis.hzAtRow(axis.rowOfHz(hz))), axis.rowOfHz(hz));
    EXPECT_EQ(linear.rowOfHz(linear.hzAtRow(linear.rowOfHz(hz))), linear.rowOfHz(hz));
  }
  // A 4 kHz upper display frequency keeps the lower half of the bins.
  EXPECT_NEAR(perceptualTop(PerceptualScale::Bark, 16000, 256, 1024), barkFromHz(8000) / 2, 1e-9);
  for (auto scale : {PerceptualScale::Bark, PerceptualScale::Mel, PerceptualScale::Mely}) {
    for (int height : {60, 284, 700}) {
      const double t = perceptualTop(scale, 22050, 512, 1024);
      const auto ticks = perceptualFrequencyTicks(scale, t, height, 30);
      ASSERT_FALSE(ticks.empty());
      EXPECT_EQ(ticks.front().pos, height - 1);
      EXPECT_EQ(ticks.front().label, "0");
      for (std::size_t i = 1; i < ticks.size(); ++i) {
        EXPECT_GT(ticks[i].value, ticks[i - 1].value);
        EXPECT_GE(ticks[i - 1].pos - ticks[i].pos, 30);
        EXPECT_GE(ticks[i].pos, 0);
        EXPECT_LE(ticks[i].value, 11025 + 1e-6);
        EXPECT_EQ(ticks[i].pos, perceptualRow(scale, t, height, ticks[i].value));
        // Round: at most two significant digits.
        const double unit = std::pow(10.0, std::floor(std::log10(ticks[i].value)) - 1);
        EXPECT_NEAR(std::fmod(ticks[i].value, unit), 0, 1e-6) << ticks[i].value;
      }
      if (height == 700) {
        EXPECT_GE(ticks.size(), 10u);
      }
    }
  }
  EXPECT_TRUE(perceptualFrequencyTicks(PerceptualScale::Bark, 0, 100, 30).empty());
}

TEST(Scales, F0AndEnergyAxesFollowTheTopFrequency) {
  struct Case {
    double fTop, f0Top, energySpan;
  };
  // q = 4 and 2: g = 5/q + 1; q = 5: g = 1; q = 11: g = 5/11; below 2 kHz q = 1.
  const Case cases[] = {{8000, 800, 80},
                        {4000, 600, 60},
                        {11025, 551.25, 55.125},
                        {22050, 100 * 5.0 / 11 * 11.025, 10 * 5.0 / 11 * 11.025},
                        {1000, 600, 30}};
  for (const Case& c : cases) {
    EXPECT_NEAR(f0AxisTopHz(c.fTop), c.f0Top, 1e-9) << c.fTop;
    EXPECT_NEAR(energyAxisSpanDb(c.fTop), c.energySpan, 1e-9) << c.fTop;
  }
  const auto ticks = valueTicks(20, 100, 400, 20);
  ASSERT_GE(ticks.size(), 3u);
  EXPECT_EQ(std::tuple(ticks.front().label, ticks.front().pos, ticks.back().label), std::tuple("20", 399, "100"));
  EXPECT_TRUE(valueTicks(50, 50, 400, 20).empty());
}

// The Details text and the signal lines.
class Details : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ml_init(test::sourceDataDir() / "format" / "english.txt")); }
  ScopedRecorder rec_;
};

TEST_F(Details, WithoutAFileOnlyTextSeventy) {
  Program prog;
  EXPECT_EQ(detailsText(prog), text(70));
  InfoLines lines;
  setSignalLines(lines, prog);
  EXPECT_EQ(lines.get(kLineSignal1), "");
  EXPECT_EQ(lines.get(kLineProgram), "Ardelovox 1.34");
}

TEST_F(Details, AWavFileListsFrequencyAndStretches) {
  Program prog;
  prog.fileLoaded = true;
  prog.en_cours.nom = "/data/a.wav";
  prog.en_cours.frequence = 16000.7;
  prog.ct.tf = 100;
  prog.ct.d_a = 0, prog.ct.f_a = 95999;
  prog.ct.d_e = 0, prog.ct.f_e = 99;
  const std::string expected = text(71) + "/data/a.wav" + textf(79, {16000}) + textf(80, {99}) +
                               textf(81, {0, 95999}) + textf(82, {0, 99}) + textf(83, {100});
  EXPECT_EQ(detailsText(prog), expected);
  EXPECT_EQ(rec_->reports().size(), 0u);  // every text number exists
  InfoLines lines;
  setSignalLines(lines, prog);
  EXPECT_EQ(lines.get(kLineSignal1), "/data/a.wav");
}

// The phoneme line gives the header kind of the profile's "debut" field.
TEST_F(Details, ANonWavFileGivesItsHeaderKindAndLabelKinds) {
  const struct { const char *debut, *kind; } rows[] = {
      {"", "no header"}, {"debut = v, 1024\n", "fixed header"}, {"debut = v, SOF-4000\n", "computed header"}};
  for (const auto& r : rows) {
    Program prog;
    prog.fileLoaded = true;
    prog.en_cours.nom = "/data/a.raw";
    prog.en_cours.frequence = 8000;
    prog.en_cours.formatIndex = profileTable().addFromText(std::string("h") + r.kind, r.debut);
    prog.en_cours.labelKind = kLabelNist;
    prog.en_cours.nom_man = "/data/a.phn";
    const std::string s = detailsText(prog);
    EXPECT_NE(s.find(text(74) + r.kind + text(75) + "NIST"), std::string::npos) << s;
    EXPECT_NE(s.find(text(76)), std::string::npos);
  }
  EXPECT_EQ(rec_->reports().size(), 0u);
}

// The contour window's data: a pitch file imported, a point moved, saved and
// read back; files that are not pitch files; contours of another signal.
TEST(Texts, BoxesNameTheActionAndDropTheStep) {
  struct Row {
    const char* caption;
    const char* action;
    const char* text;
    const char* shownCaption;
    const char* shownText;
  } rows[] = {
      {"lireSignal()", "Open", "Bad header\r\nFailing step: 3\nFile: a.wav\n", "Open", "Bad header\r\nFile: a.wav\n"},
      {"writeSoundFile::flush()", "", "Failing step: 1\n", "Ardelovox", ""},
      {"Message", "Open", "Failing step is a phrase here", "Message", "Failing step is a phrase here"},
  };
  for (const Row& r : rows) {
    const Report shown = readableReport({ReportKind::Message, r.caption, r.text}, r.action, "Failing step: ");
    EXPECT_EQ(std::pair(shown.caption, shown.text), std::pair(std::string(r.shownCaption), std::string(r.shownText)));
  }
  ActionUnderWay outer("Save &as...\tCtrl S");
  EXPECT_EQ(actionUnderWay(), "Save as");
}

// Each letter once; the first keeps its own, the others take a free initial,
// then any free letter; the text shown stays.
TEST(Texts, MnemonicsDistinctInAMenu) {
  EXPECT_EQ(distinctMnemonics({"&Paste", "&Play", "Pla&y many", "&Play the file", "Cop&y"}),
            (std::vector<std::string>{"&Paste", "P&lay", "Pla&y many", "Play &the file", "&Copy"}));
}

TEST(Energy, SmoothingAveragesOverItsWindow) {
  const std::vector<EnergyPoint> points = {{0, 0.f}, {10, 3.f}, {20, 0.f}, {30, 3.f}};
  std::vector<float> db;
  for (const auto& p : smoothEnergy(points, 3)) db.push_back(p.db);
  EXPECT_EQ(db, (std::vector<float>{1.5f, 1.f, 2.f, 1.5f}));
  EXPECT_EQ(smoothEnergy(points, 1).size(), 4u);
}

TEST(F0Contour, ImportEditSaveRoundTripAndBadFiles) {
  const test::TempDir dir;
  ASSERT_TRUE(test::writeFileSafely(dir.path() / "a.pit",
                                    ".pit            \r\n        20   110\r\n        28   120\r\n        36     0\r\n"));
  F0Contour c;
  ASSERT_TRUE(importContour(dir.path() / "a.pit", "sig.wav", 16000, c));
  ASSERT_EQ(c.modifiable.nbPoints, 3);
  EXPECT_EQ(c.modifiable.tab().points[1].sampleDate, 448);
  EXPECT_EQ(pickPoint(c, 27, 118, 1.0, 5), 1);
  EXPECT_EQ(pickPoint(c, 60, 118, 1.0, 5), -1);
  const struct { int point; double hz, expect; } moves[] = {
      {1, 150.4, 150}, {1, 5000, 1000}, {1, -3, 1}, {2, 200, 0}, {7, 200, 0}};
  for (const auto& m : moves) {
    movePoint(c, m.point, m.hz);
    if (m.point < c.modifiable.nbPoints) {
      EXPECT_EQ(c.modifiable.y(m.point, 0), m.expect) << m.point << " " << m.hz;
    }
  }
  EXPECT_EQ(c.reference.y(1, 0), 120);  // the reference stays
  movePoint(c, 1, 180);
  ASSERT_TRUE(saveContour(c, dir.path() / "b.pit"));
  F0Contour back;
  ASSERT_TRUE(importContour(dir.path() / "b.pit", "sig.wav", 16000, back));
  EXPECT_EQ(back.points(), c.points());

  ScopedRecorder rec;
  text(6931);
  const std::string bad[] = {"RIFF\r\n", "", ".pit\r\n 12 abc\r\n"};
  for (const std::string& content : bad) {
    ASSERT_TRUE(test::writeFileSafely(dir.path() / "bad.pit", content));
    EXPECT_FALSE(importContour(dir.path() / "bad.pit", "sig.wav", 16000, back)) << content;
  }
  EXPECT_EQ(back.points(), c.points());  // a failed import keeps the previous pair
  EXPECT_TRUE(rec->saw("Ce fichier n'est pas un fichier de pitch"));
  EXPECT_FALSE(contourBelongsTo(c, "other.wav"));
  EXPECT_TRUE(rec->saw(text(6931)));
  EXPECT_TRUE(contourBelongsTo(c, "sig.wav"));
  EXPECT_FALSE(saveContour(c, "sig.wav"));  // never over its signal
}

// Strokes set the voiced points they cross to the stroke's line; shifts
// (exactness: main_window_test) are limited to 1000 Hz; unvoiced points stay.
TEST(F0Contour, StrokesAndTheirLimits) {
  const float start[] = {100, 110, 120, 0, 140, 150, 160};  // points every 10 ms from 0 ms
  const struct { const char* name; bool shift; double a, b, hzA, hzB; std::vector<float> expect; } cases[] = {
      {"stroke 10..50 ms, 200 -> 240 Hz", false, 10, 50, 200, 240, {100, 200, 210, 0, 230, 240, 160}},
      {"the same stroke drawn leftwards", false, 50, 10, 240, 200, {100, 200, 210, 0, 230, 240, 160}},
      {"stroke clamped to 1000 Hz", false, 0, 10, 990, 1010, {990, 1000, 120, 0, 140, 150, 160}},
      {"stroke of no width", false, 20, 20, 333.4, 333.4, {100, 110, 333, 0, 140, 150, 160}},
      {"up five octaves over 0..40 ms", true, 0, 40, 60, 0, {1000, 1000, 1000, 0, 1000, 150, 160}},
  };
  for (const auto& c : cases) {
    F0Contour contour;
    for (int i = 0; i < 7; ++i) contour.modifiable.push(10 * i, 160 * i, std::span(&start[i], 1));
    if (c.shift) shiftStretch(contour, c.a, c.b, c.hzA);
    else drawStroke(contour, c.a, c.hzA, c.b, c.hzB);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(contour.modifiable.y(i, 0), c.expect[static_cast<std::size_t>(i)]) << c.name << " point " << i;
  }
}

}  // namespace
}  // namespace ardv::shell
