// ardv-cli spectrogram: the PGM header and size of every kind, the PNG read
// back, settings that take effect.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/cli/cli_test_support.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;
using test::runCli;

// spectrogram: the PGM header and size of every kind, the PNG read back (time
// left to right, low frequencies at the bottom), parameters that take effect.
// 1 s at 16 kHz: a 2 kHz tone over a little noise for the first half,
// silence after.
class SpectrogramCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::int16_t> x(16000);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 20.0);
    for (int i = 0; i < 8000; ++i)
      x[i] = static_cast<std::int16_t>(std::lround(8000 * std::sin(2 * M_PI * i / 8.0) + noise(random)));
    ASSERT_TRUE(writeWavFile(wav, x, 16000, {}, {}));
  }
  // Runs `spectrogram WAV ARGS -o OUT`: success, or what it printed.
  ::testing::AssertionResult draws(const std::string& args, const fs::path& out) {
    if (runCli("spectrogram " + wav.string() + " " + args + " -o " + out.string(), dir / "log") == 0)
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << args << ": " << test::cliOutput(dir / "log");
  }
  test::TempDir dir;
  const fs::path wav = dir / "tone.wav";
};

struct PngImage {
  int width = 0, height = 0, channels = 0;
  std::vector<std::uint8_t> pixels;
  int at(int x, int y) const { return pixels[(static_cast<std::size_t>(y) * width + x) * channels]; }
};

// Reads a PNG as written (grey or RGB, 8 bits); false when it is not one.
bool readPng(const std::filesystem::path& path, PngImage& out) {
  png_image png;
  std::memset(&png, 0, sizeof png);
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
  out.channels = PNG_IMAGE_SAMPLE_CHANNELS(png.format);
  out.width = static_cast<int>(png.width);
  out.height = static_cast<int>(png.height);
  out.pixels.resize(PNG_IMAGE_SIZE(png));
  return png_image_finish_read(&png, nullptr, out.pixels.data(), 0, nullptr) != 0;
}

TEST_F(SpectrogramCommand, WritesThePgmOfEveryKind) {
  const auto pgm = dir / "k.pgm";
  const std::string header = "P5 90 120 255 ";
  for (const char* kind : {"wide", "narrow", "reassigned", "lpc", "cepstral", "critical"}) {
    ASSERT_TRUE(draws(std::string("--kind ") + kind + " --width 120 --height 90", pgm));
    const std::string bytes = test::readFile(pgm);
    ASSERT_EQ(bytes.size(), header.size() + 120 * 90) << kind;
    EXPECT_EQ(bytes.substr(0, header.size()), header) << kind;
    // Frame 10 (the tone): some dark byte; frame 110 (silence): all white.
    const auto row = [&](int i) { return bytes.substr(header.size() + i * 90, 90); };
    EXPECT_NE(row(10).find_first_not_of('\xff'), std::string::npos) << kind;
    EXPECT_EQ(row(110), std::string(90, '\xff')) << kind;
  }
  // The default size; wider than 65536 columns (10 minutes at a 2 ms step are 300,000).
  for (const auto& [args, head, pixels] : {std::tuple{"--kind narrow", "P5 256 1024 255 ", 256 * 1024},
                                           {"--kind wide --width 70000 --height 4", "P5 4 70000 255 ", 4 * 70000}}) {
    ASSERT_TRUE(draws(args, pgm));
    const std::string bytes = test::readFile(pgm);
    EXPECT_EQ(bytes.rfind(head, 0), 0u) << args;
    EXPECT_EQ(bytes.size(), std::string(head).size() + pixels) << args;
  }
}

TEST_F(SpectrogramCommand, PngRunsInTimeLeftToRightWithLowFrequenciesAtTheBottom) {
  const auto png = dir / "t.png";
  for (const bool colour : {false, true}) {
    ASSERT_TRUE(draws(std::string("--kind narrow --width 200 --height 100") + (colour ? " --colour" : ""), png));
    EXPECT_EQ(test::readFile(png).substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    PngImage img;
    ASSERT_TRUE(readPng(png, img));
    ASSERT_EQ(img.width, 200);
    ASSERT_EQ(img.height, 100);
    EXPECT_EQ(img.channels, colour ? 3 : 1);
    // 2 kHz of 8 kHz: the darkest row of a tone column is 25 rows above the bottom.
    int darkest = 0;
    for (int y = 0; y < 100; ++y)
      if (img.at(50, y) < img.at(50, darkest)) darkest = y;
    EXPECT_NEAR(darkest, 99 - 25, 1) << (colour ? "colour" : "grey");
    for (int y = 0; y < 100; ++y) EXPECT_EQ(img.at(150, y), 255) << "silent column, row " << y;
    if (colour) continue;
    // Every pixel, across the deflate strips, is the PGM's (frame-major,
    // lowest frequency first) through one grey ramp.
    ASSERT_TRUE(draws("--kind narrow --width 200 --height 100", dir / "t.pgm"));
    const std::string pgm = test::readFile(dir / "t.pgm");
    const std::size_t head = pgm.size() - 200 * 100;
    std::array<int, 256> ramp;
    ramp.fill(-1);
    for (int x = 0; x < 200; ++x)
      for (int y = 0; y < 100; ++y) {
        int& grey = ramp[static_cast<std::uint8_t>(pgm[head + x * 100 + (99 - y)])];
        if (grey < 0) grey = img.at(x, y);
        ASSERT_EQ(img.at(x, y), grey) << x << ", " << y;
      }
  }
  EXPECT_EQ(test::entries(dir.path()), (std::set<std::string>{"log", "log.err", "t.pgm", "t.png", "tone.wav"}));
}

TEST_F(SpectrogramCommand, SettingsTakeEffect) {
  const auto run = [&](const std::string& extra) {
    EXPECT_TRUE(draws("--kind critical --width 50 --height 64 " + extra, dir / "s.pgm"));
    return test::readFile(dir / "s.pgm");
  };
  const std::string plain = run("");
  EXPECT_NE(run("--set lowDb=20"), plain);
  EXPECT_NE(run("--set windowMs=8 --set scale=1"), plain);
  // More bands than FFT size / 2 are limited, not refused.
  EXPECT_EQ(run("--set fftSize=256 --set bandCount=2048").size(), plain.size());
}

}  // namespace
}  // namespace ardv
