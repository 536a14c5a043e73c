// New silent signals, Remove DC, the FIR design and the two in-place tools:
// responses at DC, the cut-off and the stop band; the SNR of added noise; a
// low-pass that keeps a low sine and removes a high one; Cancel after each;
// refusals change nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <tuple>

#include "platform/headless/recording_reporter.h"
#include "signal/annotation_chunk.h"
#include "signal/edit_clipboard.h"
#include "signal/edit_new.h"
#include "signal/edit_tools.h"
#include "signal/infofile_io.h"
#include "signal/transports.h"
#include "tests/annotation/marks.h"
#include "tests/signal/edit_test_support.h"
#include "tests/support/files.h"

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
  infoFile info;
  info.nom = out;
  ASSERT_TRUE(init_infoFile_read(info));
  SHORTbuf x(6, "x");
  ASSERT_EQ(lireSignal(info, info.depl, x, 0, 6), 6);
  // Mean of 105 95 110 92 -30000 32767 = 3169 / 6 = 528 (truncated); the last is limited.
  EXPECT_EQ(std::vector<std::int16_t>(x.data(), x.data() + 6),
            (std::vector<std::int16_t>{105 - 528, 95 - 528, 110 - 528, 92 - 528, -30528, 32767 - 528}));
  EXPECT_EQ(test::readBytes(out).size(), test::readBytes(in).size());
  notetiqs phonBack, wordBack;
  ASSERT_TRUE(readnotetiqs(out, phonBack, info.etiqdepl, info.etiqlongueur));
  ASSERT_TRUE(readnotetiqs(out, wordBack, info.notedepl, info.notelongueur));
  EXPECT_EQ(test::marksOf(phonBack), phon);
  EXPECT_EQ(test::marksOf(wordBack), word);
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

TEST_F(EditTools, NoiseAtTheAskedSnrThenCancel) {
  ASSERT_TRUE(addNoise(10.0));
  EXPECT_EQ(editContext().lastEdit, kEditTool7);
  const auto noisy = memory();
  double signal = 0, noise = 0;
  for (std::size_t i = 2000; i <= 13999; ++i) {
    signal += double(samples_[i]) * samples_[i];
    noise += double(noisy[i] - samples_[i]) * (noisy[i] - samples_[i]);
  }
  EXPECT_NEAR(10 * std::log10(signal / noise), 10.0, 0.3);
  EXPECT_EQ(noisy[1999], samples_[1999]);
  EXPECT_EQ(noisy[14000], samples_[14000]);
  ASSERT_TRUE(editCancel());
  EXPECT_EQ(memory(), samples_);
}

TEST_F(EditTools, LowPassKeepsTheLowToneThenCancel) {
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

}  // namespace
}  // namespace ardv
