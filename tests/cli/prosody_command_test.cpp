// ardv-cli f0 and energy on the bundled example against golden outputs,
// numbers compared within a tolerance (other compilers may round a
// borderline frame differently); signals too short or too slowly sampled to
// analyse are refused with a message.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "signal/wav_layout.h"
#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

std::vector<std::pair<long, double>> pairs(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::pair<long, double>> out;
  long t = 0;
  double v = 0;
  while (in >> t >> v) out.emplace_back(t, v);
  return out;
}

fs::path example() { return test::sourceDataDir() / "examples" / "example.wav"; }
std::string golden(const char* name) { return test::readFile(test::sourceDir() / "tests" / "golden" / name); }

// Frame times exactly; an F0 may be off by more than 2 Hz in 1 % of the frames,
// an energy only by its rounding.
TEST(ProsodyCommands, F0AndEnergyOfTheExampleMatchTheirGoldenListings) {
  test::TempDir dir;
  const std::string in = "'" + example().string() + "'";
  const fs::path ene = dir / "ene";
  for (const bool f0 : {true, false}) {
    ASSERT_EQ(test::runCli(f0 ? "f0 " + in : "energy " + in + " -o " + ene.string(), dir / "out"), 0)
        << test::readFile(dir / "out.err");
    const auto expected = pairs(golden(f0 ? "f0_example.txt" : "energy_example.txt"));
    const auto actual = pairs(test::readFile(f0 ? dir / "out" : ene));
    ASSERT_EQ(actual.size(), expected.size());
    ASSERT_GT(expected.size(), 100u);
    int differing = 0, voiced = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(actual[i].first, expected[i].first) << i;
      const double d = std::abs(actual[i].second - expected[i].second);
      voiced += expected[i].second > 0;
      if (f0) differing += d > 2;
      else EXPECT_LE(d, 0.01 + 1e-4 * std::abs(expected[i].second)) << "energy frame " << i;
    }
    EXPECT_GT(voiced, 50);
    EXPECT_LE(differing, static_cast<int>(expected.size() / 100)) << "F0 frames off by more than 2 Hz";
  }
}

TEST(ProsodyCommands, NothingToAnalyseIsSaidWithStatus1) {
  test::TempDir dir;
  for (const auto& [name, n, hz] : {std::tuple{"zero", 0, 16000}, std::tuple{"one", 1, 16000}, std::tuple{"slow", 2000, 100}})
    ASSERT_TRUE(writeWavFile(dir / (std::string(name) + ".wav"), std::vector<std::int16_t>(n, 100), hz, {}, {}));
  for (const auto& [command, file, says] :
       {std::tuple{"speech-start", "zero", "nothing to analyse"}, {"speech-start", "one", "nothing to analyse"},
        {"f0", "zero", "nothing to analyse"}, {"f0", "one", "nothing to analyse"}, {"energy", "one", "nothing to analyse"},
        {"speech-start", "slow", "at least 1000 Hz"}, {"energy", "slow", "at least 1000 Hz"},
        {"spectrogram --kind reassigned -o s.pgm", "slow", "at least 1000 Hz"}}) {
    const std::string args = std::string(command) + " " + (dir / file).string() + ".wav";
    EXPECT_EQ(test::runCli(args, dir / "out"), 1) << args;
    EXPECT_EQ(test::readFile(dir / "out"), "") << args;
    EXPECT_NE(test::readFile(dir / "out.err").find(says), std::string::npos) << args << ": " << test::readFile(dir / "out.err");
  }
  EXPECT_FALSE(fs::exists("s.pgm"));
}

}  // namespace
}  // namespace ardv
