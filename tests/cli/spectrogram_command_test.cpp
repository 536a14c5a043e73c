// ardv-cli spectrogram run as the user runs it: the PGM header and size of
// every kind, the PNG read back (time left to right, low frequencies at the
// bottom), parameters that take effect, and refused requests.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "signal/buffers.h"
#include "signal/infofile.h"
#include "signal/write_sound_file.h"
#include "tests/support/files.h"
#include "tests/support/cli.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

const char* const kKinds[] = {"wide", "narrow", "reassigned", "lpc", "cepstral", "critical"};

int runCli(const std::string& args, const std::filesystem::path& log) { return test::runCli("spectrogram " + args, log); }

// What the subcommand printed, standard output then standard error.
std::string cliOutput(const std::filesystem::path& log) {
  return test::readFile(log) + test::readFile(log.string() + ".err");
}

// 1 s at 16 kHz: a 2 kHz tone over a little noise for the first half,
// silence after.
std::filesystem::path toneFile(const test::TempDir& dir) {
  SHORTbuf x(16000, "tone");
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0.0, 20.0);
  for (int i = 0; i < 8000; ++i)
    x[i] = static_cast<std::int16_t>(std::lround(8000 * std::sin(2 * M_PI * i / 8.0) + noise(random)));
  infoFile out;
  out.nom = (dir / "tone.wav").string();
  out.frequence = 16000;
  writeSoundFile w(out);
  w.setMiddleBuffer(x, 0, 2 * 16000);
  EXPECT_EQ(w.flush(), 0);
  return out.nom;
}

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

TEST(SpectrogramCommand, WritesThePgmOfEveryKind) {
  test::TempDir dir;
  const auto wav = toneFile(dir);
  for (const char* kind : kKinds) {
    const auto pgm = dir / (std::string(kind) + ".pgm");
    ASSERT_EQ(runCli(wav.string() + " --kind " + kind + " --width 120 --height 90 -o " + pgm.string(), dir / "log"),
              0)
        << kind << ": " << cliOutput(dir / "log");
    const std::string bytes = test::readFile(pgm);
    const std::string header = "P5 90 120 255 ";
    ASSERT_EQ(bytes.size(), header.size() + 120 * 90) << kind;
    EXPECT_EQ(bytes.substr(0, header.size()), header) << kind;
    // Frame 10 (the tone): some dark byte; frame 110 (silence): all white.
    const auto row = [&](int i) { return bytes.substr(header.size() + i * 90, 90); };
    EXPECT_NE(row(10).find_first_not_of('\xff'), std::string::npos) << kind;
    EXPECT_EQ(row(110), std::string(90, '\xff')) << kind;
  }
  ASSERT_EQ(runCli(wav.string() + " --kind narrow -o " + (dir / "d.pgm").string(), dir / "log"), 0);
  EXPECT_EQ(test::readFile(dir / "d.pgm").size(), std::string("P5 256 1024 255 ").size() + 256 * 1024);
  // Wider than 65536 columns (10 minutes at a 2 ms step are 300,000).
  ASSERT_EQ(runCli(wav.string() + " --kind wide --width 70000 --height 4 -o " + (dir / "w.pgm").string(), dir / "log"),
            0)
      << cliOutput(dir / "log");
  EXPECT_EQ(test::readFile(dir / "w.pgm").size(), std::string("P5 4 70000 255 ").size() + 4 * 70000);
}

TEST(SpectrogramCommand, PngRunsInTimeLeftToRightWithLowFrequenciesAtTheBottom) {
  test::TempDir dir;
  const auto wav = toneFile(dir);
  for (const bool colour : {false, true}) {
    const auto png = dir / "t.png";
    ASSERT_EQ(runCli(wav.string() + " --kind narrow --width 200 --height 100 " + (colour ? "--colour " : "") + "-o " +
                         png.string(),
                     dir / "log"),
              0)
        << cliOutput(dir / "log");
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
  }
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().string().find(".ardv-tmp"), std::string::npos) << "left " << entry.path();
}

TEST(SpectrogramCommand, SettingsTakeEffect) {
  test::TempDir dir;
  const auto wav = toneFile(dir);
  const auto run = [&](const std::string& extra) {
    const auto pgm = dir / "s.pgm";
    EXPECT_EQ(runCli(wav.string() + " --kind critical --width 50 --height 64 " + extra + " -o " + pgm.string(),
                     dir / "log"),
              0)
        << extra << ": " << cliOutput(dir / "log");
    return test::readFile(pgm);
  };
  const std::string plain = run("");
  EXPECT_NE(run("--set lowDb=20"), plain);
  EXPECT_NE(run("--set windowMs=8 --set scale=1"), plain);
  // More bands than FFT size / 2 are limited, not refused.
  EXPECT_EQ(run("--set fftSize=256 --set bandCount=2048").size(), plain.size());
}

TEST(SpectrogramCommand, RefusesBadRequestsWithExitStatus2AndAMissingFileWith1) {
  test::TempDir dir;
  const auto wav = toneFile(dir).string();
  const auto out = dir / "x.png";
  struct Case {
    std::string args;
    const char* says;
  };
  const Case cases[] = {
      {wav + " --kind purple -o " + out.string(), "wide|narrow"},
      {wav + " --kind narrow -o " + out.string() + " --set bogus=1", "windowMs, fftSize"},
      {wav + " --kind narrow -o " + out.string() + " --set windowMs=500", "from 1 to 128"},
      {wav + " --kind critical -o " + out.string() + " --set bandCount=1", "bandCount"},
      {wav + " --kind narrow -o " + out.string() + " --set lowDb=120", "below highDb"},
      {wav + " --kind narrow -o " + out.string() + " --width 0", "--width"},
      {wav + " --kind narrow -o " + out.string() + " --width 1000001", "--width"},
      {wav + " --kind narrow -o " + out.string() + " --width 300000 --height 512", "pixels"},
      {wav + " --kind narrow -o " + out.string() + " --from 500 --to 100", "--from"},
      {wav + " --kind narrow -o " + out.string() + " --from 5000", "empty"},
      {wav + " --kind narrow -o " + (dir / "x.jpg").string(), ".pgm or .png"},
      {wav + " --kind narrow --colour -o " + (dir / "x.pgm").string(), "PNG"},
      {wav + " --kind narrow", "usage"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(runCli(c.args, dir / "log"), 2) << c.args;
    const std::string log = cliOutput(dir / "log");
    EXPECT_NE(log.find(c.says), std::string::npos) << c.args << " said: " << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
  }
  EXPECT_EQ(runCli((dir / "missing.wav").string() + " --kind wide -o " + out.string(), dir / "log"), 1);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(dir / "x.pgm"));
}

}  // namespace
}  // namespace ardv
