// ardv-cli formants and formant-candidates: listings of a synthetic vowel,
// and bad input refused with a message and no output.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "formants/formant_listing.h"
#include "signal/wav_layout.h"
#include "tests/formants/vowel_synth.h"
#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

// Lines of `columns` finite numbers; -1 when a line is malformed.
int numericLines(const std::string& text, int columns) {
  std::istringstream in(text);
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    double v;
    int c = 0;
    while (fields >> v) {
      if (!std::isfinite(v)) return -1;
      ++c;
    }
    if (c != columns) return -1;
    ++n;
  }
  return n;
}

TEST(FormantsCommand, ListingsAndBadInput) {
  test::TempDir dir;
  test::VowelSpec v;
  v.seconds = 0.5;
  v.f0 = 220;
  ASSERT_TRUE(writeWavFile(dir / "vowel.wav", test::synthVowel(v), 16000, {}, {}));
  ASSERT_TRUE(writeWavFile(dir / "one.wav", std::vector<std::int16_t>(1, 5), 16000, {}, {}));
  const std::string vowel = (dir / "vowel.wav").string();
  const struct {
    std::string args;
    int status;
    int columns;   // of the output lines
    int minLines;  // 0: no output file may appear
  } rows[] = {
      {"formants " + vowel, 0, 4, 55},
      {"formants " + vowel + " --method snake --from 100 --to 300", 0, 4, 45},
      {"formant-candidates " + vowel + " --kind lpc", 0, 4, 100},
      {"formant-candidates " + vowel + " --kind cepstral", 0, 4, 100},
      {"formant-candidates " + vowel + " --kind true-envelope --from 0 --to 100", 0, 4, 20},
      {"formants " + vowel + " --format for -o " + (dir / "y.for").string(), 0, 0, 0},
      {"formants " + vowel + " --method lpc -o " + (dir / "x.tsv").string(), 2, 0, 0},
      {"formants " + vowel + " --from 300 --to 100 -o " + (dir / "x.tsv").string(), 2, 0, 0},
      {"formants " + (dir / "one.wav").string() + " -o " + (dir / "x.tsv").string(), 1, 0, 0},
      {"formant-candidates " + vowel + " --kind peaks", 2, 0, 0},
      {"formants " + vowel + " -o " + vowel, 1, 0, 0},
  };
  for (const auto& r : rows) {
    const int status = test::runCli(r.args, dir / "out");
    EXPECT_EQ(status, r.status) << r.args << "\n" << test::readFile(dir / "out.err");
    if (r.args.find("--format for") != std::string::npos) {  // read back as a formant listing
      std::vector<FormantListingFrame> frames;
      ASSERT_TRUE(readFormantListing(dir / "y.for", frames)) << test::readFile(dir / "out.err");
      EXPECT_GE(frames.size(), 55u);
      int near = 0;  // F1 of the vowel (test::VowelSpec) within 10 %
      for (const auto& f : frames) near += std::fabs(f.formants[0].frequency - v.startHz[0]) < 0.1 * v.startHz[0];
      EXPECT_GE(near, 40);
      for (const auto& f : frames) EXPECT_TRUE(f.formants[0].frequency == 0 || f.formants[0].bandwidth > 0);
    } else if (r.minLines > 0) {
      EXPECT_GE(numericLines(test::readFile(dir / "out"), r.columns), r.minLines) << r.args;
    } else {
      EXPECT_FALSE(fs::exists(dir / "x.tsv") || fs::exists(dir / "x.for")) << r.args;
      EXPECT_FALSE(test::readFile(dir / "out.err").empty()) << r.args;
    }
  }
  EXPECT_EQ(test::readFile(dir / "vowel.wav").size(), 44u + 2u * 8000u);
}

}  // namespace
}  // namespace ardv
