// ardv-cli labels run as the user runs it: a TextGrid exported, imported into
// a WAV copy and listed gives the same segments; every label kind round-trips.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/files.h"
#include "tests/support/cli.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using test::runCli;

TEST(LabelsCommand, EveryKindRoundTripsThroughAWavCopy) {
  test::TempDir dir;
  const std::string example = (test::sourceDataDir() / "examples" / "example.wav").string();
  ASSERT_EQ(runCli("labels " + example, dir / "orig.txt"), 0);
  const std::string original = test::readFile(dir / "orig.txt");
  ASSERT_NE(original.find("phonemes: 33 segments"), std::string::npos);
  // The example's last phoneme boundary lies at the end of the signal (41832):
  // files and chunks keep what ends before it, a TextGrid ends on the last sample.
  const std::string lastPhoneme = "       41712      41832      2607 ms      2615 ms  #\n";
  for (const std::string kind : {"textgrid", "qern", "nist", "sam", "align", "words vecsys", "words nist",
                                 "words sam", "words noisex"}) {
    const bool words = kind.rfind("words ", 0) == 0;
    const std::string k = words ? kind.substr(6) : kind;
    const std::string tier = words ? " --tier words" : "";
    const std::string file = (dir / ("labels." + k)).string();
    ASSERT_EQ(runCli("labels " + example + tier + " --export " + k + " " + file, dir / "log"), 0) << kind;
    const std::string copy = (dir / "copy.wav").string();
    // The other list is taken from the example's chunks, so only one list changes.
    ASSERT_EQ(runCli("labels " + example + tier + " --language english.lng --import " + k + " " + file + " -o " + copy, dir / "log"), 0)
        << kind << test::readFile(dir / "log.err");
    ASSERT_EQ(runCli("labels " + copy, dir / "copy.txt"), 0);
    std::string expected = original;
    if (k == "textgrid")
      expected.replace(expected.find(lastPhoneme), lastPhoneme.size(), "       41712      41831      2607 ms      2614 ms  #\n");
    else  // marks at the end of the signal are not written into the copy either
      expected.replace(expected.find(lastPhoneme), lastPhoneme.size(), "").replace(expected.find("33 segments"), 11, "32 segments");
    if (k == "vecsys") {
      EXPECT_NE(test::readFile(dir / "copy.txt").find("         128       2432         8 ms       152 ms  The"), std::string::npos);
      continue;  // positions in units of 128 samples
    }
    EXPECT_EQ(test::readFile(dir / "copy.txt"), expected) << kind;
  }
}

TEST(LabelsCommand, RefusedRequests) {
  test::TempDir dir;
  const std::string example = (test::sourceDataDir() / "examples" / "example.wav").string();
  EXPECT_EQ(runCli("labels " + example + " --export praat x", dir / "log"), 2);
  EXPECT_EQ(runCli("labels " + example + " --import textgrid " + example, dir / "log"), 1);
  EXPECT_NE(test::readFile(dir / "log.err").find("cannot be read as a TextGrid"), std::string::npos);
}

}  // namespace
}  // namespace ardv
