// Pitch marks against known glottal instants, PSOLA's durations and F0
// ratios, the chunked output against the one-piece one, and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <set>
#include <sstream>

#include "platform/headless/recording_reporter.h"
#include "prosody/modified_stretch.h"
#include "prosody/phase_vocoder.h"
#include "prosody/pitch_file.h"
#include "prosody/pitch_marks.h"
#include "prosody/psola.h"
#include "signal/infofile.h"
#include "signal/wavfile.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "texts/texts.h"

namespace ardv {
namespace {

using test::KnownF0Signal;
using test::SegmentKind;

SampleReader readerOf(const std::vector<std::int16_t>& x) {
  return [&x](std::int64_t first, std::int64_t count, std::int16_t* out) {
    std::copy_n(x.begin() + first, count, out);
    return true;
  };
}

// A writer appending to `y`.
auto appendTo(std::vector<std::int16_t>& y) {
  return [&y](const std::int16_t* s, std::size_t n) {
    y.insert(y.end(), s, s + n);
    return true;
  };
}

std::vector<std::int16_t> modify(const std::vector<std::int16_t>& x, double fs, ModifyOptions o, bool* ok = nullptr) {
  std::vector<std::int16_t> y;
  const bool done = CMPitchScaleMod(readerOf(x), static_cast<std::int64_t>(x.size()), fs, o, appendTo(y));
  if (ok) *ok = done;
  return y;
}

// Median F0 of the voiced frames by our own detector.
double medianF0(const std::vector<std::int16_t>& x, double fs) {
  PitchTrack t;
  if (!calcPitchMartin(x.data(), static_cast<std::int64_t>(x.size()), 0, fs, speakerF0Params(-1), {true, false}, t))
    return 0;
  std::vector<int> v;
  for (int f : t.pitchCorrige)
    if (f > 0) v.push_back(f);
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

KnownF0Signal voicedSignal(double fs, double f0a, double f0b, double ms, unsigned seed = 3) {
  return test::synthesize("v", fs, {{SegmentKind::Silence, 150}, {SegmentKind::Voiced, ms, f0a, f0b}, {SegmentKind::Silence, 150}},
                          seed);
}

// Where the waveform shows a glottal closure: the lag, after the closure, of
// the extremum of sign `sign` of one isolated period at `f0` Hz.
double responseLag(double fs, double f0, int sign) {
  const KnownF0Signal one = test::synthesize("one", fs, {{SegmentKind::Silence, 20}, {SegmentKind::Voiced, 1000.0 / f0, f0, f0},
                                                         {SegmentKind::Silence, 20}}, 1);
  std::int64_t best = 0;
  for (std::size_t k = 1; k < one.samples.size(); ++k)
    if (sign * one.samples[k] > sign * one.samples[static_cast<std::size_t>(best)]) best = static_cast<std::int64_t>(k);
  return static_cast<double>(best - one.gci.at(0));
}

// Marks: one per period inside each voiced run, each within 0.5 ms of the
// glottal instant of its period; unvoiced marks 10 ms apart.
TEST(PitchMarks, OneMarkPerPeriodNearTheGlottalInstant) {
  struct Row {
    double fs, f0a, f0b;
  } rows[] = {{16000, 120, 120}, {16000, 100, 220}, {8000, 200, 140}, {48000, 150, 150}, {16000, 260, 300}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.fs) + " Hz, F0 " + std::to_string(r.f0a) + ".." + std::to_string(r.f0b));
    const KnownF0Signal s = voicedSignal(r.fs, r.f0a, r.f0b, 1200);
    MarkList marks;
    std::vector<int> f0;
    ASSERT_TRUE(marksOfSignal(readerOf(s.samples), static_cast<std::int64_t>(s.samples.size()), r.fs, speakerF0Params(-1),
                              marks, f0));
    std::vector<std::int64_t> voiced;
    for (std::int64_t m : marks)
      if (m > 0) voiced.push_back(m);
    ASSERT_GT(voiced.size(), 10u);
    // Glottal instants covered by the marked run, as the waveform shows them.
    const int sign = s.samples[static_cast<std::size_t>(voiced[voiced.size() / 2])] < 0 ? -1 : 1;
    const double lag = responseLag(r.fs, (r.f0a + r.f0b) / 2, sign);
    std::vector<double> err;
    int missing = 0;
    for (std::int64_t gClose : s.gci) {
      const auto g = static_cast<std::int64_t>(std::lround(static_cast<double>(gClose) + lag));
      if (g < voiced.front() - 2 || g > voiced.back() + 2) continue;
      auto it = std::lower_bound(voiced.begin(), voiced.end(), g);
      double d = 1e9;
      if (it != voiced.end()) d = std::min(d, std::fabs(static_cast<double>(*it - g)));
      if (it != voiced.begin()) d = std::min(d, std::fabs(static_cast<double>(*(it - 1) - g)));
      err.push_back(d * 1000.0 / r.fs);
      missing += err.back() > 0.5;
    }
    std::sort(err.begin(), err.end());
    std::printf("marks %.0f Hz %.0f..%.0f: %zu voiced marks, %zu instants; response lag %.3f ms; error median %.3f ms,"
                " max %.3f ms\n", r.fs, r.f0a, r.f0b, voiced.size(), err.size(), lag * 1000 / r.fs, err[err.size() / 2],
                err.back());
    EXPECT_EQ(missing, 0);
    // One mark per period: as many marks as instants over the instants' span.
    std::int64_t lo = INT64_MAX, hi = 0;
    for (std::int64_t g : s.gci)
      if (g + lag >= voiced.front() - 2 && g + lag <= voiced.back() + 2)
        lo = std::min<std::int64_t>(lo, g + static_cast<std::int64_t>(lag)), hi = g + static_cast<std::int64_t>(lag);
    const auto inSpan = std::count_if(voiced.begin(), voiced.end(), [&](std::int64_t m) { return m >= lo - 8 && m <= hi + 8; });
    EXPECT_EQ(static_cast<std::size_t>(inSpan), err.size());
    for (std::size_t k = 1; k < marks.size(); ++k) ASSERT_GT(std::llabs(marks[k]), std::llabs(marks[k - 1]));
  }
}

// SNR in dB of y against x over samples a..b-1.
double snrDb(const std::vector<std::int16_t>& x, const std::vector<std::int16_t>& y, std::size_t a, std::size_t b) {
  double sig = 0, err = 0;
  for (std::size_t k = a; k < b && k < x.size() && k < y.size(); ++k) {
    const double d = static_cast<double>(x[k]) - y[k];
    sig += static_cast<double>(x[k]) * x[k], err += d * d;
  }
  return 10 * std::log10(sig / std::max(err, 1e-9));
}

// The samples (and rate) of a recording of tests/prosody/recordings, or of the example.
std::vector<std::int16_t> recording(const std::string& name, double& fs) {
  infoFile info;
  info.nom = (name == "example" ? test::sourceDataDir() / "examples" / "example.wav"
                                : test::sourceDir() / "tests" / "prosody" / "recordings" / (name + ".wav")).string();
  std::vector<std::int16_t> x(init_infoFile_read_WAV(info) ? static_cast<std::size_t>(info.sampleCount()) : 0);
  fs = info.frequence;
  return x.empty() || signalFileReader(info)(0, std::ssize(x), x.data()) ? x : std::vector<std::int16_t>{};
}

// Real speech, mostly loud from its first sample: no output sample beyond
// 2.5 times the input of its 30-ms block and the blocks beside (no click
// where the synthesis windows thin out); alpha = k = 1 gives the input back
// in time, sample for sample, from the first window on.
TEST(Psola, RealSpeechWithoutClicksAndIdentityAligned) {
  const struct {
    const char* name;
    double alpha, k;
  } rows[] = {{"example", 1, 2},    {"example", 1, 2.5},     {"example", 1, 1},  {"you-cannot", 1.5, 2.5},
              {"you-cannot", 1, 1}, {"tux-ok", 0.5, 2},      {"tux-ok", 1, 1},   {"chronos-voice-8k", 1, 2},
              {"chronos-voice-8k", 2.5, 1.5}, {"chronos-voice-8k", 1, 1}};
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.name) + " alpha " + std::to_string(r.alpha) + " k " + std::to_string(r.k));
    double fs = 0;
    const auto x = recording(r.name, fs);
    const auto y = modify(x, fs, {r.alpha, 1.0 / r.k, -1, 0, true, nullptr});
    ASSERT_EQ(std::ssize(y), std::lround(r.alpha * static_cast<double>(x.size())));
    const auto R = static_cast<std::size_t>(0.03 * fs);
    std::vector<int> block(x.size() / R + 2, 1);
    for (std::size_t i = 0; i < x.size(); ++i) block[i / R + 1] = std::max(block[i / R + 1], std::abs(int{x[i]}));
    for (std::size_t t = 0; t < y.size(); ++t) {
      const std::size_t b = std::min(static_cast<std::size_t>(static_cast<double>(t) / r.alpha) / R + 1, block.size() - 2);
      ASSERT_LE(std::abs(int{y[t]}), 2.5 * std::max({block[b - 1], block[b], block[b + 1]})) << "sample " << t;
    }
    if (r.alpha != 1 || r.k != 1) continue;
    const auto from = static_cast<std::size_t>(std::find_if(y.begin(), y.end(), [](std::int16_t v) { return v; }) - y.begin());
    EXPECT_LT(from, 0.04 * fs);
    for (std::size_t t = from + static_cast<std::size_t>(0.01 * fs); t < y.size(); ++t) ASSERT_LE(std::abs(x[t] - y[t]), 1) << t;
  }
}

// The example's marks (a golden listing, checked here against the waveform:
// voiced marks on peaks, 95 % of the distances between them within 10 % of
// the lag where the waveform best repeats), and the marker finds them again.
TEST(PitchMarks, TheExampleMarksItsPeriods) {
  double fs = 0;
  const auto x = recording("example", fs);
  MarkList golden;
  std::istringstream in(test::readFile(test::sourceDir() / "tests" / "golden" / "marks_example.txt"));
  for (long v = 0; in >> v;) golden.push_back(v);
  ASSERT_GT(golden.size(), 250u);
  int offPeak = 0, periods = 0, offPeriod = 0;
  for (std::size_t k = 1; k < golden.size(); ++k) {
    const std::int64_t m = golden[k], p = golden[k - 1], d = m - p, h = 160;
    if (m < 0) continue;
    offPeak += std::abs(x[m - 1]) > std::abs(x[m]) || std::abs(x[m + 1]) > std::abs(x[m]) || x[m - 1] * x[m] < 0;
    if (p < h || m + d + h >= std::ssize(x)) continue;
    std::vector<double> c;  // the waveform's correlation with itself d/2 to 3d/2 later
    for (std::int64_t lag = d / 2; lag <= 3 * d / 2; ++lag) {
      double xy = 0, xx = 0, yy = 0;
      for (std::int64_t i = p - h; i < p + h; ++i) xy += x[i] * x[i + lag], xx += x[i] * x[i], yy += x[i + lag] * x[i + lag];
      c.push_back(xy / std::sqrt(xx * yy + 1));
    }
    ++periods, offPeriod += std::abs(d / 2 + (std::max_element(c.begin(), c.end()) - c.begin()) - d) > d / 10;
  }
  EXPECT_LE(offPeak, 2);
  EXPECT_LE(offPeriod, periods / 20) << periods;
  MarkList marks;
  std::vector<int> f0;
  ASSERT_TRUE(marksOfSignal(readerOf(x), std::ssize(x), fs, speakerF0Params(-1), marks, f0));
  const std::set<std::int64_t> known(golden.begin(), golden.end());
  EXPECT_GE(std::count_if(marks.begin(), marks.end(), [&](std::int64_t m) { return known.count(m); }),
            std::ssize(golden) * 97 / 100) << "other compilers may move a few marks";
}

// Marks and output reach the end of every length around the chunk
// boundaries (a short rest joins the chunk before it).
TEST(Psola, MarksAndOutputReachTheEndAroundChunkBoundaries) {
  const std::int64_t chunk = 16000;
  const KnownF0Signal s = test::synthesize("v", 16000, {{SegmentKind::Voiced, 2200, 110, 130}}, 12);
  for (const std::int64_t n : {chunk - 1, chunk, chunk + 1, chunk + 560, chunk + 4001, 2 * chunk - 300, 2 * chunk + 7}) {
    const std::vector<std::int16_t> x(s.samples.begin(), s.samples.begin() + n);
    MarkList marks;
    std::vector<int> f0;
    ASSERT_TRUE(marksOfSignal(readerOf(x), n, 16000, speakerF0Params(-1), marks, f0, chunk));
    EXPECT_GT(std::llabs(marks.back()), n - 160) << n;
    for (const double alpha : {1.0, 1.5}) {
      const auto y = modify(x, 16000, {alpha, 1.0, -1, chunk, true, nullptr});
      EXPECT_LT(std::find_if(y.rbegin(), y.rend(), [](std::int16_t v) { return v; }) - y.rbegin(), 128) << n << " " << alpha;
    }
  }
}

// Durations and F0 ratios of PSOLA: what was asked is what comes out.
TEST(Psola, DurationAndF0AreWhatWasAsked) {
  struct Row {
    double fs, f0, alpha, k, durTol, f0Tol;
  } rows[] = {
      {16000, 120, 2.0, 1.0, 0.01, 0.01}, {16000, 120, 1.0, 1.5, 0.005, 0.02}, {16000, 200, 1.0, 1.0, 0.005, 0.01},
      {8000, 150, 2.0, 1.0, 0.01, 0.01},  {48000, 110, 1.0, 1.5, 0.005, 0.02}, {16000, 180, 1.5, 1.3, 0.01, 0.02},
      {16000, 200, 1.0, 2.0, 0.005, 0.03}, {16000, 130, 3.0, 0.5, 0.01, 0.03}, {16000, 220, 0.5, 1.0, 0.01, 0.02},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.fs) + " Hz, F0 " + std::to_string(r.f0) + ", alpha " + std::to_string(r.alpha) +
                 ", k " + std::to_string(r.k));
    const KnownF0Signal s = test::synthesize("p", r.fs, {{SegmentKind::Silence, 100}, {SegmentKind::Voiced, 1200, r.f0, r.f0},
                                                         {SegmentKind::Noise, 200}, {SegmentKind::Voiced, 1200, r.f0, r.f0},
                                                         {SegmentKind::Silence, 100}}, 11);
    bool ok = false;
    const auto y = modify(s.samples, r.fs, {r.alpha, 1.0 / r.k, -1, 0, true, nullptr}, &ok);
    ASSERT_TRUE(ok);
    const double dur = static_cast<double>(y.size()) / static_cast<double>(s.samples.size()) / r.alpha;
    const double f0In = medianF0(s.samples, r.fs), f0Out = medianF0(y, r.fs);
    const double ratio = f0Out / f0In / r.k;
    std::printf("psola %.0f Hz F0 %.0f alpha %.2f k %.2f: duration x%.4f of asked, F0 %.0f -> %.0f (x%.4f of asked)\n",
                r.fs, r.f0, r.alpha, r.k, dur, f0In, f0Out, ratio);
    EXPECT_NEAR(dur, 1.0, r.durTol);
    EXPECT_NEAR(ratio, 1.0, r.f0Tol);
    if (r.alpha == 1.0 && r.k == 1.0) {
      const double snr = snrDb(s.samples, y, static_cast<std::size_t>(0.15 * r.fs), y.size() - static_cast<std::size_t>(0.15 * r.fs));
      std::printf("psola alpha 1 k 1: SNR %.1f dB\n", snr);
      EXPECT_GT(snr, 40.0);
    }
  }
}

// Flushing the finished output chunk by chunk gives the one-piece output;
// bad input gets its message and no number that is not a sample.
TEST(Psola, ChunkedOutputEqualsOnePieceAndBadInputIsRefused) {
  const KnownF0Signal s = test::speechLike(16000, 3.0, 5);
  for (double alpha : {3.0, 0.5, 1.0}) {
    ModifyOptions o{alpha, 1 / 1.3, -1, 16000, true, nullptr};
    const auto chunked = modify(s.samples, 16000, o);
    o.flushing = false;
    EXPECT_EQ(chunked, modify(s.samples, 16000, o)) << alpha;
    // Across 1-s chunks the asked duration and F0 still come out.
    EXPECT_NEAR(static_cast<double>(chunked.size()), alpha * static_cast<double>(s.samples.size()), 2.0);
    // (the median over the voiced frames; which edges of the compressed
    // contour count moves it by up to 3 %)
    EXPECT_NEAR(medianF0(chunked, 16000) / medianF0(s.samples, 16000), 1.3, 0.04) << alpha;
  }
  ScopedRecorder rec;
  text(9015);
  bool ok = true;
  EXPECT_TRUE(modify(std::vector<std::int16_t>(300, 1000), 16000, {}, &ok).empty());
  EXPECT_FALSE(ok);
  EXPECT_TRUE(rec->saw(text(9015)));
  // Silent, clipped full-scale square, wholly unvoiced: a sound result.
  std::vector<std::int16_t> square(16000 * 2);
  for (std::size_t k = 0; k < square.size(); ++k) square[k] = (k / 40) % 2 ? 32767 : -32768;
  const std::vector<std::vector<std::int16_t>> bad = {std::vector<std::int16_t>(32000, 0), square,
                                                      test::synthesize("n", 16000, {{SegmentKind::Noise, 2000}}, 2).samples};
  for (const auto& x : bad) {
    for (double alpha : {0.5, 3.0}) {
      const auto y = modify(x, 16000, {alpha, 0.4, -1, 0, true, nullptr}, &ok);
      EXPECT_TRUE(ok);
      EXPECT_NEAR(static_cast<double>(y.size()), alpha * static_cast<double>(x.size()), 0.01 * alpha * static_cast<double>(x.size()));
      EXPECT_TRUE(x[100] != 0 || std::all_of(y.begin(), y.end(), [](std::int16_t v) { return v == 0; }));  // silence stays
    }
  }
}

// An unvoiced track of `frames` 128-sample frames at 16 kHz.
PitchTrack unvoicedTrack(int frames) {
  PitchTrack t;
  t.fs = 16000, t.S = 128, t.L = 512, t.first = 0, t.frames = frames;
  t.pitchCorrige.assign(static_cast<std::size_t>(frames), 0);
  return t;
}

// A wholly unvoiced stretch gets unvoiced marks 10 ms apart from L/2 to its
// last sample; each repeated unvoiced segment alternates reversed and forward.
TEST(PitchMarks, UnvoicedStretchAndShortRun) {
  const KnownF0Signal noise = test::synthesize("n", 16000, {{SegmentKind::Noise, 1000}}, 4);
  MarkList marks;
  MarkerState free;
  pitchMark(marks, noise.samples.data(), 0, 16000, unvoicedTrack(120), 0, 15999, {200.0f, 160}, free);
  ASSERT_EQ(marks.size(), 99u);
  EXPECT_EQ(marks[0], -256);
  EXPECT_EQ(marks.back(), -15936);
  for (std::size_t k = 1; k < marks.size(); ++k) ASSERT_EQ(marks[k], marks[k - 1] - 160);
  // N = 1: one voiced frame shorter than its period; the mark is the largest |sample|.
  std::vector<std::int16_t> x(2048, 0);
  for (std::size_t k = 0; k < x.size(); ++k) x[k] = static_cast<std::int16_t>(1000 * std::sin(0.05 * static_cast<double>(k)));
  x[1060] = -9000;
  PitchTrack t = unvoicedTrack(12);
  t.pitchCorrige[6] = 100;  // centre 1024, period 160 > one 128-sample frame
  MarkList m;
  MarkerState st;
  pitchMark(m, x.data(), 0, 2048, t, 0, 2047, {200.0f, 160}, st);
  EXPECT_EQ(std::count_if(m.begin(), m.end(), [](std::int64_t v) { return v >= 960 && v < 1088; }), 1);
  EXPECT_NE(std::find(m.begin(), m.end(), 1060), m.end());
}

// The polarity of a voiced run: kept once chosen, the maxima on a tie, and
// the other polarity when one has no path.
TEST(PitchMarks, PolarityRule) {
  const double none = std::numeric_limits<double>::infinity();
  const struct {
    int polarity;
    double costMin, costMax;
    bool minima;
  } rows[] = {{0, 5, 5, false}, {0, 4, 5, true},     {0, 6, 5, false},   {1, 9, 5, true},   {2, 1, 5, false},
              {2, 1, none, true}, {1, none, 5, false}, {0, none, none, false}};
  for (const auto& r : rows)
    EXPECT_EQ(followMinima(r.polarity, r.costMin, r.costMax), r.minima) << r.polarity << " " << r.costMin << " " << r.costMax;
}

// The marker's F0: each of the path's voiced stretches from its start to the
// last frame the periodicity check kept (none when it kept none); the checked
// track alone when the check was off.
TEST(PitchMarks, MarkTrackEndsWhereTheCheckEndsAStretch) {
  const struct {
    std::vector<int> checked, unchecked, marked;
  } rows[] = {
      {{0, 0, 90, 95, 0, 0}, {0, 80, 90, 95, 99, 0}, {0, 80, 90, 95, 0, 0}},
      {{0, 0, 0, 0, 0, 0}, {0, 80, 90, 95, 99, 0}, {0, 0, 0, 0, 0, 0}},
      {{70, 0, 0, 70, 0, 0}, {70, 65, 66, 70, 71, 0}, {70, 65, 66, 70, 0, 0}},
      {{0, 0, 90, 0, 110, 120}, {0, 80, 90, 0, 110, 120}, {0, 80, 90, 0, 110, 120}},
      {{0, 100, 0, 0}, {}, {0, 100, 0, 0}},
  };
  for (const auto& r : rows) {
    PitchTrack t = unvoicedTrack(static_cast<int>(r.checked.size()));
    t.pitchCorrige = r.checked;
    t.unchecked = r.unchecked;
    const PitchTrack m = markTrack(t);
    EXPECT_EQ(m.pitchCorrige, r.marked);
    EXPECT_TRUE(m.unchecked.empty());
  }
}

// Doubling the duration of an unvoiced ramp uses each segment twice, the
// second time reversed: about half the output falls where the input rises.
TEST(Psola, RepeatedUnvoicedSegmentsAlternateForwardAndReversed) {
  std::vector<std::int16_t> ramp(16000);
  for (std::size_t k = 0; k < ramp.size(); ++k) ramp[k] = static_cast<std::int16_t>(-20000 + 2.5 * static_cast<double>(k));
  for (double alpha : {1.0, 2.0}) {
    bool ok = false;
    const auto y = modify(ramp, 16000, {alpha, 1.0, -1, 0, true, nullptr}, &ok);
    ASSERT_TRUE(ok);
    std::size_t falling = 0, steps = 0;
    for (std::size_t k = y.size() / 10; k + 1 < y.size() * 9 / 10; ++k, ++steps) falling += y[k + 1] < y[k];
    const double share = static_cast<double>(falling) / static_cast<double>(steps);
    EXPECT_TRUE(alpha == 1.0 ? share < 0.05 : share > 0.25 && share < 0.75) << alpha << ": " << share;
  }
}

std::vector<std::int16_t> vocode(const std::vector<std::int16_t>& x, double alpha, bool locking) {
  std::vector<std::int16_t> y;
  EXPECT_TRUE(phaseVocoder(readerOf(x), static_cast<std::int64_t>(x.size()), 16000, alpha, locking, appendTo(y)));
  return y;
}

// The vocoder at alpha = 1 without locking gives back the input less its
// mean; with locking, alpha = 1.5 stretches it keeping F0 (refusals:
// bad_input_test).
TEST(PhaseVocoder, IdentityAndStretch) {
  const KnownF0Signal s = voicedSignal(16000, 130, 180, 2500, 8);
  std::vector<std::int16_t> x = s.samples;
  for (auto& v : x) v = static_cast<std::int16_t>(v + 300);  // a DC offset
  const auto same = vocode(x, 1.0, false);
  ASSERT_GT(same.size(), x.size() - 1200);
  std::vector<std::int16_t> centred(x.size());
  for (std::size_t k = 0; k < x.size(); ++k) centred[k] = static_cast<std::int16_t>(x[k] - 300);
  const double snr = snrDb(centred, same, 1024, same.size() - 1024);
  std::printf("vocoder alpha 1: SNR %.1f dB away from the fades\n", snr);
  EXPECT_GT(snr, 40.0);
  struct Row {
    double alpha;
    bool locking;
  } rows[] = {{1.5, true}, {1.5, false}, {3.0, true}, {0.5, true}};
  for (const Row& r : rows) {
    const auto y = vocode(s.samples, r.alpha, r.locking);
    const double dur = static_cast<double>(y.size()) / static_cast<double>(s.samples.size()) / r.alpha;
    const double ratio = medianF0(y, 16000) / medianF0(s.samples, 16000);
    std::printf("vocoder alpha %.1f %s: duration x%.4f of asked, F0 x%.4f\n", r.alpha, r.locking ? "locking" : "none", dur,
                ratio);
    EXPECT_NEAR(dur, 1.0, 0.01) << r.alpha;
    EXPECT_NEAR(ratio, 1.0, 0.01) << r.alpha;
  }
}

// Resynthesis on an edited contour: the output F0 follows it.
TEST(Psola, ResynthesisFollowsTheContour) {
  const KnownF0Signal s = voicedSignal(16000, 120, 120, 2000, 9);
  const test::TempDir dir;
  std::string pit = kPitchHeader;
  const int frames = static_cast<int>(s.samples.size() / 128);
  std::vector<int> asked(static_cast<std::size_t>(frames));
  for (int k = 0; k < frames; ++k) {
    asked[static_cast<std::size_t>(k)] = 120 + 100 * k / frames;  // a rise 120 -> 220 Hz
    pit += pitchLine((k * 128 + 256) / 16, asked[static_cast<std::size_t>(k)]);
  }
  ASSERT_TRUE(test::writeFileSafely(dir.path() / "c.pit", pit));
  std::vector<int> contour;
  ASSERT_TRUE(readContour(dir.path() / "c.pit", 16000, static_cast<std::int64_t>(s.samples.size()), contour));
  ModifyOptions o;
  o.contour = &contour;
  const auto y = modify(s.samples, 16000, o);
  PitchTrack t;
  ASSERT_TRUE(calcPitchMartin(y.data(), static_cast<std::int64_t>(y.size()), 0, 16000, speakerF0Params(-1), {true, false}, t));
  std::vector<double> err;
  for (int k = 0; k < t.frames && k < frames; ++k)
    if (t.pitchCorrige[static_cast<std::size_t>(k)] > 0 && s.truth[static_cast<std::size_t>(k)] > 0)
      err.push_back(std::fabs(t.pitchCorrige[static_cast<std::size_t>(k)] / static_cast<double>(asked[static_cast<std::size_t>(k)]) - 1));
  ASSERT_GT(err.size(), 150u);
  std::sort(err.begin(), err.end());
  std::printf("resynthesis: median F0 error %.2f %%, 90th percentile %.2f %%\n", 100 * err[err.size() / 2],
              100 * err[err.size() * 9 / 10]);
  EXPECT_LT(err[err.size() / 2], 0.02);
  // A target far above what PSOLA can do is held at k = 2.5, to the end.
  ASSERT_TRUE(test::writeFileSafely(dir.path() / "high.pit", kPitchHeader + pitchLine(16, 5000) + pitchLine(2300, 5000)));
  ASSERT_TRUE(readContour(dir.path() / "high.pit", 16000, std::ssize(s.samples), contour));
  const auto high = modify(s.samples, 16000, o);
  EXPECT_NEAR(medianF0(high, 16000) / 120.0, 2.5, 0.1);
  EXPECT_GT(std::find_if(high.rbegin(), high.rend(), [](std::int16_t v) { return std::abs(v) > 100; }).base() - high.begin(),
            std::ssize(high) - 16000 * 2 / 10);
  // Not a pitch file; a contour longer than the signal (other refusals: bad_input_test).
  ScopedRecorder rec;
  text(6931);
  ASSERT_TRUE(test::writeFileSafely(dir.path() / "n.pit", "RIFF 12 13\r\n"));
  EXPECT_FALSE(readContour(dir.path() / "n.pit", 16000, 32000, contour));
  EXPECT_TRUE(rec->saw("Ce fichier n'est pas un fichier de pitch"));
  EXPECT_FALSE(readContour(dir.path() / "c.pit", 16000, 8000, contour));
  EXPECT_TRUE(rec->saw(text(6931)));
}

// One stretch modified: the samples around it come through as they were,
// the stretch is the modifier's output for it (its margins dropped), and a
// stretch outside the signal is refused. The modifier here negates and
// repeats each sample alpha times.
TEST(ModifiedStretch, OnlyTheStretchChanges) {
  const std::vector<std::int16_t> x = test::speechLike(16000, 1.0, 9).samples;
  const auto n = static_cast<std::int64_t>(x.size());
  const struct { std::int64_t first, last; double alpha; bool ok; } rows[] = {
      {4000, 8999, 1, true}, {4000, 8999, 2, true}, {0, 999, 2, true}, {n - 700, n - 1, 1, true},
      {0, n - 1, 2, true}, {-1, 10, 1, false}, {10, n, 1, false}, {500, 499, 1, false}};
  for (const auto& r : rows) {
    const StretchModifier twice = [&](const SampleReader& read, std::int64_t from, std::int64_t count, const SampleSink& sink) {
      std::vector<std::int16_t> in(static_cast<std::size_t>(count)), out;
      if (from != std::max<std::int64_t>(r.first - 2048, 0) || !read(0, count, in.data())) return false;
      for (std::int16_t v : in) out.insert(out.end(), static_cast<std::size_t>(r.alpha), static_cast<std::int16_t>(-v));
      return sink(out.data(), out.size());
    };
    ScopedRecorder rec;
    std::vector<std::int16_t> y;
    ASSERT_EQ(modifyStretch(readerOf(x), n, r.first, r.last, 2048, r.alpha, twice, appendTo(y)), r.ok) << r.first;
    EXPECT_EQ(rec->reports().size(), r.ok ? 0u : 1u);
    if (!r.ok) continue;
    const auto len = r.last - r.first + 1, grown = static_cast<std::int64_t>(r.alpha - 1) * len;
    ASSERT_EQ(static_cast<std::int64_t>(y.size()), n + grown);
    EXPECT_TRUE(std::equal(x.begin(), x.begin() + r.first, y.begin()));
    EXPECT_TRUE(std::equal(x.begin() + r.last + 1, x.end(), y.begin() + r.last + 1 + grown));
    for (std::int64_t i = 0; i < len * static_cast<std::int64_t>(r.alpha); ++i)
      ASSERT_EQ(y[static_cast<std::size_t>(r.first + i)], -x[static_cast<std::size_t>(r.first + i / static_cast<std::int64_t>(r.alpha))]) << i;
  }
}

}  // namespace
}  // namespace ardv
