// ardv-cli info, run as the user runs it: the description of the bundled
// example against its golden output, and one clear line on standard error
// with a failure status for every kind of file it cannot read.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

int runInfo(const fs::path& file, const fs::path& out) { return test::runCli("info '" + file.string() + "'", out); }

void put16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v & 0xff));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  put16(b, v & 0xffff);
  put16(b, v >> 16);
}
void putId(std::vector<std::uint8_t>& b, const char* id) { b.insert(b.end(), id, id + 4); }

// A canonical PCM WAV file with `dataBytes` bytes of zero samples.
std::vector<std::uint8_t> wav(unsigned channels, unsigned bits, std::uint32_t dataBytes) {
  std::vector<std::uint8_t> b;
  putId(b, "RIFF");
  put32(b, 36 + dataBytes);
  putId(b, "WAVE");
  putId(b, "fmt ");
  put32(b, 16);
  put16(b, 1);
  put16(b, channels);
  put32(b, 16000);
  put32(b, 16000 * channels * bits / 8);
  put16(b, channels * bits / 8);
  put16(b, bits);
  putId(b, "data");
  put32(b, dataBytes);
  b.resize(b.size() + dataBytes, 0);
  return b;
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
  std::vector<std::uint8_t> random(5000);
  std::uint32_t x = 12345;
  for (auto& byte : random) {
    x = x * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(x >> 24);
  }
  std::vector<std::uint8_t> truncated = wav(1, 16, 32000);
  truncated.resize(30);  // inside the format chunk: a cut data chunk is read
  const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
      {"stereo.wav", wav(2, 16, 4000)},
      {"eight-bit.wav", wav(1, 8, 4000)},
      {"truncated.wav", truncated},
      {"random.wav", random},
      {"empty.wav", {}},
  };
  for (const auto& [name, bytes] : cases) {
    test::writeBytes(dir / name, bytes);
    EXPECT_EQ(runInfo(dir / name, dir / "out"), 1) << name;
    const std::string err = test::readFile(dir / "out.err");
    EXPECT_FALSE(err.empty()) << name;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << name << ": " << err;
    EXPECT_EQ(test::readFile(dir / "out"), "") << name;
  }
  EXPECT_EQ(runInfo(dir / "missing.wav", dir / "out"), 1);
}

}  // namespace
}  // namespace ardv
