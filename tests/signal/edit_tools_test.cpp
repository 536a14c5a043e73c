// New silent signals, Remove DC, the FIR design and the two in-place tools:
// responses at DC, the cut-off and the stop band; the SNR of added noise; a
// low-pass that keeps a low sine and removes a high one; Cancel after each;
// refusals change nothing. Resampling over a table of rate pairs: the exact
// ratio and length, a tone kept in level with nothing else above -70 dB, a
// stop-band tone removed, a click kept in place, block-wise input giving the
// same output; the written file's rate and scaled labels; Escape writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>
#include <iterator>
#include <numbers>
#include <set>
#include <tuple>

#include "editing/edit_clipboard.h"
#include "editing/edit_new.h"
#include "editing/edit_tools.h"
#include "editing/resample.h"
#include "platform/headless/recording_reporter.h"
#include "platform/keyboard.h"
#include "signal/infofile_io.h"
#include "tests/annotation/marks.h"
#include "tests/signal/edit_test_support.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/files.h"
#include "tests/support/wav.h"

namespace ardv {
namespace {

using NewAndDc = test::EditingTest;

TEST_F(NewAndDc, EmptyAndZeroMakeFourSecondsOfSilence) {
  ASSERT_TRUE(editNewEmpty());
  const DisplayContext& ct = program().ct;
  EXPECT_EQ(std::tuple(ct.tf, ct.f_a, ct.f_e, program().memory.size()), std::tuple(4 * 22050, 44100, 44100, 44101));
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "shadow.wav"));
  ASSERT_TRUE(editNewZero(8000, 300));  // at least 1000 ms shown
  EXPECT_EQ(std::tuple(ct.tf, ct.f_a, program().en_cours.frequence), std::tuple(32000, 8000, 8000.0));
}

TEST_F(NewAndDc, RemoveDcSubtractsTheMeanOfTheSamplesOnlyAndKeepsTheLabels) {
  ScopedRecorder rec;
  const test::Marks phon = {{0, "a"}, {3, "b"}, {6, ""}}, word = {{0, "ab"}, {6, ""}};
  openWav("dc.wav", {105, 95, 110, 92, -30000, 32767}, 8000, test::listOf(phon), test::listOf(word));
  const std::string in = program().en_cours.nom;
  const std::string out = (dir_.path() / "nodc.wav").string();
  EXPECT_FALSE(removeDC(in));
  EXPECT_TRUE(rec->saw("T1017"));
  ASSERT_TRUE(removeDC(out));
  test::WavContents back;
  ASSERT_TRUE(test::readWav(out, back));
  // Mean of 105 95 110 92 -30000 32767 = 3169 / 6 = 528 (truncated); the last is limited.
  EXPECT_EQ(back.samples, (std::vector<std::int16_t>{105 - 528, 95 - 528, 110 - 528, 92 - 528, -30528, 32767 - 528}));
  EXPECT_EQ(test::readBytes(out).size(), test::readBytes(in).size());
  EXPECT_EQ(std::tuple(test::marksOf(back.phon), test::marksOf(back.word)), std::tuple(phon, word));
  // A copy that cannot be written keeps the previous one and says why.
  const auto before = test::readBytes(out);
  {
    test::FileSizeLimit limit(20);
    EXPECT_FALSE(removeDC(out));
  }
  EXPECT_TRUE(rec->saw("nodc.wav cannot be written (File too large)"));
  EXPECT_EQ(test::readBytes(out), before);
}

TEST_F(NewAndDc, RemoveDcOfAFileWithoutSamplesCopiesIt) {
  const std::string in = (dir_.path() / "empty.wav").string();
  ASSERT_TRUE(writeWavFile(in, {}, 8000, notetiqs(), notetiqs()));
  program().en_cours = infoFile{};
  program().en_cours.nom = in;
  ASSERT_TRUE(init_infoFile_read(program().en_cours));
  program().fileLoaded = true;
  const std::string out = (dir_.path() / "empty2.wav").string();
  ASSERT_TRUE(removeDC(out));
  EXPECT_EQ(test::readBytes(out), test::readBytes(in));
}

double gainAt(const std::vector<double>& h, double f) {
  std::complex<double> sum;
  for (std::size_t i = 0; i < h.size(); ++i) sum += h[i] * std::polar(1.0, -2.0 * std::numbers::pi * f * double(i));
  return std::abs(sum);
}

TEST(FirDesign, LowAndHighPassResponses) {
  const auto low = designFir(FirKind::LowPass, 0.1);
  const auto high = designFir(FirKind::HighPass, 0.1);
  ASSERT_EQ(low.size(), 255u);
  for (std::size_t i = 0; i < low.size(); ++i) EXPECT_DOUBLE_EQ(low[i], low[low.size() - 1 - i]);  // linear phase
  EXPECT_NEAR(gainAt(low, 0.0), 1.0, 1e-9);
  EXPECT_NEAR(gainAt(high, 0.0), 0.0, 1e-9);
  EXPECT_NEAR(gainAt(low, 0.1), 0.5, 0.02);
  EXPECT_NEAR(gainAt(high, 0.4), 1.0, 1e-3);
  for (double f : {0.13, 0.2, 0.3, 0.5}) EXPECT_LT(gainAt(low, f), 1e-3) << f;
  for (double f : {0.0, 0.03, 0.07}) EXPECT_LT(gainAt(high, f), 1e-3) << f;
}

// 16 kHz: 200 Hz at 8000 plus 4000 Hz at 4000 of amplitude; 2000..13999 selected.
class EditTools : public test::EditingTest {
 protected:
  void SetUp() override {
    EditingTest::SetUp();
    samples_.resize(16000);
    for (std::size_t i = 0; i < samples_.size(); ++i)
      samples_[i] = static_cast<std::int16_t>(std::lround(8000 * std::sin(2 * std::numbers::pi * 200 * i / 16000.0) +
                                                          4000 * std::sin(2 * std::numbers::pi * 4000 * i / 16000.0)));
    openWav("tones.wav", samples_, 16000);
    selectRange(2000, 13999);
  }
  std::vector<std::int16_t> samples_;
};

// Each tool changes the selection alone, and Cancel brings it back.
TEST_F(EditTools, NoiseAtTheAskedSnrAndALowPassKeepingTheLowToneThenCancel) {
  ASSERT_TRUE(addNoise(10.0));
  EXPECT_EQ(editContext().lastEdit, kEditTool7);
  const auto noisy = memory();
  double signal = 0, noise = 0;
  for (std::size_t i = 2000; i <= 13999; ++i) {
    signal += double(samples_[i]) * samples_[i];
    noise += double(noisy[i] - samples_[i]) * (noisy[i] - samples_[i]);
  }
  EXPECT_NEAR(10 * std::log10(signal / noise), 10.0, 0.3);
  EXPECT_EQ(std::tuple(noisy[1999], noisy[14000]), std::tuple(samples_[1999], samples_[14000]));
  ASSERT_TRUE(editCancel());
  EXPECT_EQ(memory(), samples_);

  selectRange(2000, 13999);  // Cancel leaves no selection
  ASSERT_TRUE(filterSelection(FirKind::LowPass, 1000));
  EXPECT_EQ(editContext().lastEdit, kEditTool10);
  const auto filtered = memory();
  // The filtered selection is the low tone alone, without edge effects:
  // samples around it fed the filter.
  double worst = 0;
  for (std::size_t i = 2000; i <= 13999; ++i)
    worst = std::max(worst, std::abs(filtered[i] - 8000 * std::sin(2 * std::numbers::pi * 200 * i / 16000.0)));
  EXPECT_LT(worst, 10.0);
  EXPECT_EQ(filtered[1999], samples_[1999]);
  ASSERT_TRUE(editCancel());
  EXPECT_EQ(memory(), samples_);
}

TEST_F(EditTools, RefusalsChangeNothing) {
  ASSERT_TRUE(filterSelection(FirKind::HighPass, 1000));  // an undo record to keep
  selectRange(0, 100);
  ScopedRecorder rec;
  EXPECT_FALSE(filterSelection(FirKind::LowPass, 8000));  // at Nyquist
  EXPECT_FALSE(addNoise(500));
  selectRange(20000, 20010);  // outside memory
  EXPECT_FALSE(addNoise(10));
  EXPECT_TRUE(rec->saw("T1010"));
  // A silent selection: no level to set the noise against.
  std::fill(program().memory.data() + 10, program().memory.data() + 50, std::int16_t{0});
  selectRange(10, 49);
  EXPECT_FALSE(addNoise(10));
  EXPECT_EQ(rec->reports().size(), 4u);
  EXPECT_EQ(editContext().lastEdit, kEditTool10);
  ASSERT_TRUE(editCancel());
  for (std::size_t i = 2000; i <= 13999; ++i) ASSERT_EQ(memory()[i], samples_[i]);
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
  const auto x = test::sine(n, from, 1000, 10000);
  const auto y = resampleSamples(x, from, to);
  EXPECT_EQ(std::ssize(y), (n * to + from - 1) / from) << "every instant k * from / to before the end";
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
    const auto folded = resampleSamples(test::sine(n, from, (to + from) / 4.0, 20000), from, to);
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
  openWav("in.wav", test::sine(48000, 16000, 500, 10000), 16000,
          test::listOf(test::Marks{{0, "a"}, {16001, "b"}, {40000, ""}}),
          test::listOf(test::Marks{{2, "a"}, {16003, "b"}, {40002, ""}}));
  test::writeFile(dir_ / "half.wav", "previous");
  {
    ScriptedKeyboard keys(2);  // the press forgotten at the start, the first block, then Escape
    ScopedKeyboard scope(keys);
    EXPECT_FALSE(resampleCurrent(22050, (dir_.path() / "half").string()));
    EXPECT_EQ(keys.polls(), 3);
  }
  EXPECT_EQ(test::readFile(dir_ / "half.wav"), "previous");
  EXPECT_EQ(test::entries(dir_.path()), (std::set<std::string>{"half.wav", "in.wav"}));
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
