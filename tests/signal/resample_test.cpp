// Resampling: over a table of rate pairs, the exact ratio, the output length,
// a tone kept in level with nothing else above -70 dB, a tone of the stop
// band removed, a click kept in place, block-wise input giving the same
// output; the written file's rate and scaled labels; Escape writes nothing.
#include "signal/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>
#include <iterator>
#include <numbers>
#include <tuple>

#include "platform/headless/recording_reporter.h"
#include "platform/keyboard.h"
#include "tests/signal/edit_test_support.h"
#include "tests/support/files.h"

namespace ardv {
namespace {

std::vector<std::int16_t> sine(std::int64_t n, double fs, double hz, double amplitude) {
  std::vector<std::int16_t> x(static_cast<std::size_t>(n));
  for (std::int64_t i = 0; i < n; ++i)
    x[static_cast<std::size_t>(i)] =
        static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * i / fs)));
  return x;
}

// Amplitude of the `hz` component of y[from, to) at fs, and the RMS of what is left.
std::pair<double, double> fit(const std::vector<std::int16_t>& y, double fs, double hz, std::size_t from, std::size_t to) {
  const auto w = [&](std::size_t i) { return std::polar(1.0, 2 * std::numbers::pi * hz * i / fs); };
  std::complex<double> a;
  for (std::size_t i = from; i < to; ++i) a += 2.0 * y[i] * std::conj(w(i)) / double(to - from);
  double rest = 0;
  for (std::size_t i = from; i < to; ++i) rest += std::norm(y[i] - (a * w(i)).real());
  return {std::abs(a), std::sqrt(rest / (to - from))};
}

double db(double v, double reference) { return 20 * std::log10(std::max(v, 1e-9) / reference); }

class ResamplePairs : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(ResamplePairs, ExactRateToneClickAndNoAlias) {
  const auto [from, to] = GetParam();
  const ResampleRatio ratio = resampleRatio(from, to);
  EXPECT_EQ(std::int64_t{from} * ratio.up, std::int64_t{to} * ratio.down);

  const std::int64_t n = 3 * from + 7;
  const auto x = sine(n, from, 1000, 10000);
  const auto y = resampleSamples(x, from, to);
  EXPECT_LE(std::abs(static_cast<double>(y.size()) - static_cast<double>(n) * to / from), 1.0);
  // Away from the ends (where the signal starts from silence) the tone keeps its level.
  const auto [amplitude, rest] = fit(y, to, 1000, to / 5, y.size() - to / 5);
  EXPECT_NEAR(amplitude, 10000, 10);
  EXPECT_LT(db(rest, 10000), -70) << "distortion and images";

  // Fed in uneven blocks, the converter gives the same samples.
  Resampler blocks(from, to);
  std::vector<std::int16_t> z;
  for (std::size_t at = 0, step = 1; at < x.size(); at += step, step = step * 7 % 9973 + 1)
    blocks.push(std::span(x).subspan(at, std::min(step, x.size() - at)), z);
  blocks.finish(z);
  EXPECT_EQ(z, y);

  std::vector<std::int16_t> click(static_cast<std::size_t>(from), 0);
  click[static_cast<std::size_t>(from / 2)] = 30000;
  const auto clicked = resampleSamples(click, from, to);
  const auto peak = std::max_element(clicked.begin(), clicked.end()) - clicked.begin();
  EXPECT_NEAR(static_cast<double>(peak), to / 2.0, 0.5) << "a click at 0.5 s stays at 0.5 s";

  if (to < from) {  // a tone between the two Nyquist frequencies must not fold back
    const auto folded = resampleSamples(sine(n, from, (to + from) / 4.0, 20000), from, to);
    const auto loudest = std::max_element(folded.begin() + to / 5, folded.end() - to / 5,
                                          [](auto a, auto b) { return std::abs(a) < std::abs(b); });
    EXPECT_LT(db(std::abs(*loudest), 20000), -70);
  }
}

INSTANTIATE_TEST_SUITE_P(Rates, ResamplePairs,
                         testing::Values(std::pair{16000, 14000}, std::pair{16000, 17000}, std::pair{16000, 22050},
                                         std::pair{16000, 12000}, std::pair{16000, 8000}, std::pair{44100, 16000},
                                         std::pair{48000, 44100}, std::pair{8000, 44100}, std::pair{16000, 15999}),
                         [](const auto& p) { return std::to_string(p.param.first) + "to" + std::to_string(p.param.second); });

// The file is written at the asked rate with its boundaries moved; Escape
// leaves a previous output file as it was.
using Resample = test::EditingTest;

TEST_F(Resample, CurrentFileAtTheAskedRateWithItsLabelsUnlessEscaped) {
  ScopedRecorder rec;
  notetiqs phon, word;
  for (const auto& [at, label] : {std::pair{0, "a"}, std::pair{16001, "b"}, std::pair{40000, ""}}) {
    phon.SetText(phon.insertNew(at), label);
    word.SetText(word.insertNew(at + 2), label);
  }
  openWav("in.wav", sine(48000, 16000, 500, 10000), 16000, phon, word);
  test::writeFile(dir_ / "half.wav", "previous");
  {
    ScriptedKeyboard keys(2);  // the press forgotten at the start, the first block, then Escape
    ScopedKeyboard scope(keys);
    EXPECT_FALSE(resampleCurrent(22050, (dir_.path() / "half").string()));
    EXPECT_EQ(keys.polls(), 3);
  }
  EXPECT_EQ(test::readFile(dir_ / "half.wav"), "previous");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), std::filesystem::directory_iterator()), 2);
  EXPECT_TRUE(rec->saw("Resampling stopped"));

  ASSERT_TRUE(resampleCurrent(22050, (dir_.path() / "half").string()));
  program().en_cours = infoFile{};
  program().en_cours.nom = (dir_.path() / "half.wav").string();
  ASSERT_TRUE(openCurrent());
  EXPECT_EQ(program().en_cours.frequence, 22050);
  EXPECT_EQ(program().en_cours.sampleCount(), 66150);
  ASSERT_EQ(program().etiq.count() + program().note.count(), 6);
  for (const auto& [i, phonAt, wordAt] : {std::tuple{0, 0, 3}, {1, 22051, 22054}, {2, 55125, 55128}})
    EXPECT_EQ(std::pair(program().etiq.position(i), program().note.position(i)), std::pair(phonAt, wordAt)) << i;
  EXPECT_EQ(program().etiq.Text(1), "b");
}

}  // namespace
}  // namespace ardv
