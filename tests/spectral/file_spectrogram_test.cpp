// Whole-file spectrogram images read in pieces: the same image, byte for byte,
// as the one computed with the whole file in memory, for every kind and any
// thread count, the whole file and a stretch; a file that cannot be read
// fails once and changes nothing.
#include "spectral/file_spectrogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

#include "platform/headless/recording_reporter.h"
#include "platform/thread_pool.h"
#include "signal/buffers.h"
#include "spectral/spectrogram_image.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav.h"

namespace ardv {
namespace {

constexpr double kFs = 16000.0;

// 1.5 s: a harmonic complex gliding from 110 to 180 Hz, a noise burst, a
// silence and a 2 kHz tone, so that every kind has detail at the piece joins.
SHORTbuf testSignal() {
  SHORTbuf x(24000, "test signal");
  std::mt19937 random(4);
  std::normal_distribution<double> noise(0.0, 1500.0);
  double phase = 0.0;
  for (int i = 0; i < x.size(); ++i) {
    double v = 0.0;
    if (i < 12000) {
      phase += 2.0 * M_PI * (110.0 + 70.0 * i / 12000.0) / kFs;
      for (int h = 1; h <= 20; ++h) v += 3000.0 / h * std::sin(h * phase);
    } else if (i < 15000) {
      v = noise(random);
    } else if (i >= 17000) {
      v = 8000.0 * std::sin(2.0 * M_PI * 2000.0 * i / kFs);
    }
    x[i] = static_cast<std::int16_t>(std::lround(std::clamp(v, -32000.0, 32000.0)));
  }
  return x;
}

infoFile writeWav(const std::filesystem::path& path, const SHORTbuf& x) {
  test::WavContents back;
  EXPECT_TRUE(writeWavFile(path, std::vector<std::int16_t>(x.data(), x.data() + x.size()), kFs, {}, {}) &&
              test::readWav(path, back));
  return back.info;
}

class SpectrogramPieces : public ::testing::TestWithParam<int> {};

TEST_P(SpectrogramPieces, EqualTheImageOfTheWholeFile) {
  const int kind = GetParam();
  test::TempDir dir;
  const SHORTbuf x = testSignal();
  const infoFile file = writeWav(dir / "s.wav", x);
  SpectroSettings settings;
  settings.fmaxHz = kFs / 2;
  CurrentSpectro spec;
  ASSERT_TRUE(spectro_GetParams(settings, kind, kFs, spec));
  const SampleSpan whole{x.data(), x.size(), 0};
  // (first, last, width, piece samples): about eight pieces of 3000 samples;
  // then a frame starting at every sample of pieces as short as allowed; then
  // more columns than one band of a reassigned image holds.
  const int reach = pieceFrameReach(spec);
  for (const auto& [first, last, width, pieceSamples] :
       {std::tuple<std::int64_t, std::int64_t, int, std::int64_t>{0, x.size() - 1, 300, 3000}, {5000, 17500, 300, 3000},
        {2000, 2000 + 4 * reach, 4 * reach, 0}, {0, x.size() - 1, 9000, 3000}}) {
    // One thread in memory against three, in memory and in pieces: the same bytes.
    LevelImage expected, threaded, pieces;
    setWorkerThreads(1);
    ASSERT_TRUE(renderSpectrogramImage(spec, whole, first, last, width, 128, expected));
    setWorkerThreads(3);
    ASSERT_TRUE(renderSpectrogramImage(spec, whole, first, last, width, 128, threaded));
    ASSERT_TRUE(renderFileSpectrogram(spec, file, first, last, width, 128, pieceSamples, pieces));
    setWorkerThreads(0);
    ASSERT_EQ(pieces.frames, width);
    ASSERT_EQ(pieces.height, 128);
    EXPECT_TRUE(threaded.levels == expected.levels) << "kind " << kind << " width " << width;
    int differing = 0;
    for (std::size_t i = 0; i < expected.levels.size(); ++i) differing += expected.levels[i] != pieces.levels[i];
    EXPECT_EQ(differing, 0) << "kind " << kind << " width " << width;
    EXPECT_GT(*std::max_element(pieces.levels.begin(), pieces.levels.end()), 100)
        << "kind " << kind << ": an image without energy";
  }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, SpectrogramPieces, ::testing::Range(1, 7));

TEST(SpectrogramPieces, AFileShorterThanItsDescriptionFailsOnce) {
  test::TempDir dir;
  const SHORTbuf x = testSignal();
  infoFile file = writeWav(dir / "s.wav", x);
  file.longueur += 2 * 10000;  // a description promising samples the file lacks
  SpectroSettings settings;
  CurrentSpectro spec;
  ASSERT_TRUE(spectro_GetParams(settings, 1, kFs, spec));
  LevelImage image;
  image.frames = 7;
  test::loadSignalTexts();
  ScopedRecorder rec;
  EXPECT_FALSE(renderFileSpectrogram(spec, file, 0, file.sampleCount() - 1, 100, 64, 4000, image));
  EXPECT_EQ(rec->reports().size(), 1u);
  EXPECT_EQ(image.frames, 7);
}

}  // namespace
}  // namespace ardv
