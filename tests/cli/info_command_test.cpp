// ardv-cli info, run as the user runs it: the description of the bundled
// example against its golden output, and one clear line on standard error
// with a failure status for every kind of file it cannot read.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

int runInfo(const fs::path& file, const fs::path& out) { return test::runCli("info '" + file.string() + "'", out); }

// `v` in `bytes` bytes, least significant first.
std::string le(std::uint32_t v, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> 8 * i);
  return out;
}

// A canonical PCM WAV file at 16 kHz with `dataBytes` bytes of zero samples.
std::string wav(unsigned channels, unsigned bits, std::uint32_t dataBytes) {
  return "RIFF" + le(36 + dataBytes, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(channels, 2) + le(16000, 4) +
         le(16000 * channels * bits / 8, 4) + le(channels * bits / 8, 2) + le(bits, 2) + "data" + le(dataBytes, 4) +
         std::string(dataBytes, '\0');
}

TEST(InfoCommand, DescribesTheBundledExampleAsItsGoldenOutput) {
  test::TempDir dir;
  const fs::path example = test::sourceDataDir() / "examples" / "example.wav";
  ASSERT_EQ(runInfo(example, dir / "out"), 0) << test::readFile(dir / "out.err");
  std::string expected = test::readFile(test::sourceDir() / "tests" / "golden" / "info_example.txt");
  std::string actual = test::readFile(dir / "out");
  // The first line names the file as given.
  expected.erase(0, expected.find('\n'));
  actual.erase(0, actual.find('\n'));
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(test::readFile(dir / "out.err"), "");
}

TEST(InfoCommand, UnreadableFilesGiveOneLineAndFailure) {
  test::TempDir dir;
  std::mt19937 rng(12345);
  std::string random(5000, '\0');
  for (char& c : random) c = static_cast<char>(rng());
  // A file cut inside the format chunk (a cut data chunk is read).
  const std::pair<const char*, std::string> cases[] = {
      {"stereo.wav", wav(2, 16, 4000)}, {"eight-bit.wav", wav(1, 8, 4000)},
      {"truncated.wav", wav(1, 16, 32000).substr(0, 30)}, {"random.wav", random}, {"empty.wav", ""}};
  for (const auto& [name, bytes] : cases) {
    test::writeFile(dir / name, bytes);
    EXPECT_EQ(runInfo(dir / name, dir / "out"), 1) << name;
    const std::string err = test::readFile(dir / "out.err");
    EXPECT_FALSE(err.empty()) << name;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << name << ": " << err;
    EXPECT_EQ(test::readFile(dir / "out"), "") << name;
  }
  EXPECT_EQ(runInfo(dir / "missing.wav", dir / "out"), 1);
  test::writeFile(dir / "mono.wav", wav(1, 16, 4000));
  EXPECT_EQ(runInfo(dir / "mono.wav", dir / "out"), 0);  // the cases above differ from a good file
}

}  // namespace
}  // namespace ardv
