// Pitch marks against known glottal instants, PSOLA's durations and F0
// ratios, the chunked output against the one-piece one, and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "prosody/pitch_marks.h"
#include "prosody/psola.h"
#include "tests/prosody/known_f0_signals.h"

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

std::vector<std::int16_t> modify(const std::vector<std::int16_t>& x, double fs, ModifyOptions o, bool* ok = nullptr) {
  std::vector<std::int16_t> y;
  const bool done = CMPitchScaleMod(readerOf(x), static_cast<std::int64_t>(x.size()), fs, o,
                                    [&y](const std::int16_t* s, std::size_t n) {
                                      y.insert(y.end(), s, s + n);
                                      return true;
                                    });
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
    std::vector<double> err, raw;
    int missing = 0;
    for (std::int64_t gClose : s.gci) {
      const auto g = static_cast<std::int64_t>(std::lround(static_cast<double>(gClose) + lag));
      if (g < voiced.front() - 2 || g > voiced.back() + 2) continue;
      auto it = std::lower_bound(voiced.begin(), voiced.end(), g);
      double d = 1e9;
      if (it != voiced.end()) d = std::min(d, std::fabs(static_cast<double>(*it - g)));
      if (it != voiced.begin()) d = std::min(d, std::fabs(static_cast<double>(*(it - 1) - g)));
      err.push_back(d * 1000.0 / r.fs);
      raw.push_back(static_cast<double>(*std::min_element(voiced.begin(), voiced.end(), [&](auto a, auto b) {
                      return std::llabs(a - gClose) < std::llabs(b - gClose);
                    }) - gClose) * 1000.0 / r.fs);
      if (d * 1000.0 / r.fs > 0.5) ++missing;
    }
    const double voicedMs = (static_cast<double>(voiced.back() - voiced.front())) * 1000.0 / r.fs;
    std::sort(err.begin(), err.end());
    std::sort(raw.begin(), raw.end());
    std::printf("marks %.0f Hz %.0f..%.0f: %zu voiced marks, %zu instants over %.0f ms; after closure %.3f ms (median),"
                " response lag %.3f ms; error median %.3f ms, max %.3f ms\n",
                r.fs, r.f0a, r.f0b, voiced.size(), err.size(), voicedMs, raw[raw.size() / 2], lag * 1000 / r.fs,
                err[err.size() / 2], err.back());
    EXPECT_EQ(missing, 0);
    // One mark per period: as many marks as instants over the instants' span.
    std::int64_t lo = INT64_MAX, hi = 0;
    for (std::int64_t g : s.gci)
      if (g + lag >= voiced.front() - 2 && g + lag <= voiced.back() + 2)
        lo = std::min<std::int64_t>(lo, g + static_cast<std::int64_t>(lag)), hi = g + static_cast<std::int64_t>(lag);
    const auto inSpan = std::count_if(voiced.begin(), voiced.end(), [&](std::int64_t m) { return m >= lo - 8 && m <= hi + 8; });
    EXPECT_EQ(static_cast<std::size_t>(inSpan), err.size());
    for (std::size_t k = 0; k < marks.size(); ++k)
      if (k > 0) {
        ASSERT_GT(std::llabs(marks[k]), std::llabs(marks[k - 1]));
      }
  }
}

}  // namespace
}  // namespace ardv
