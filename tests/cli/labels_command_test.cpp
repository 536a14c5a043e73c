// ardv-cli labels run as the user runs it: a TextGrid exported, imported into
// a WAV copy and listed gives the same segments; every label kind round-trips.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "annotation/notetiqs.h"
#include "signal/wav_layout.h"
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
  // The example's last phoneme "#" ends at the end of the signal (41832): every kind keeps it.
  ASSERT_NE(original.find("       41712      41832      2607 ms      2615 ms  #\n"), std::string::npos);
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
    if (k == "vecsys") {
      EXPECT_NE(test::readFile(dir / "copy.txt").find("         128       2432         8 ms       152 ms  The"), std::string::npos);
      continue;  // positions in units of 128 samples
    }
    EXPECT_EQ(test::readFile(dir / "copy.txt"), original) << kind;
  }
}

// (arguments, status, text in the output or its errors, text in neither).
TEST(LabelsCommand, ListingsHelpAndImportsThatReadNothing) {
  test::TempDir dir;
  notetiqs phon, word;
  phon.SetText(phon.insertOrGet(0), "\x1b[2J\x07");
  phon.insertOrGet(10);
  word.SetText(word.insertOrGet(0), "w");
  word.insertOrGet(20);  // a segment ending at the end of the signal
  const std::string wav = (dir / "c.wav").string(), junk = (dir / "junk").string();
  ASSERT_TRUE(writeWavFile(wav, std::vector<std::int16_t>(20), 16000, phon, word));
  test::writeFile(junk, std::string("\xff\xfe\x00garbage\n", 11));
  const struct { std::string args; int status; const char *has, *hasNot; } rows[] = {
      {"labels " + wav, 0, "1 ms  \\x1b[2J\\x07\n", "\x1b"},
      {"info " + wav, 0, "Phoneme segments:   1: \\x1b[2J\\x07\n", "\x1b"},
      {"labels " + wav + " --tier words", 0, "words: 1 segments\n           0         20", "phonemes"},
      {"labels --help", 0, "usage: ardv-cli labels FILE", "error"},
      {"--version", 0, "ardv-cli (Ardelovox) ", "usage"},
      {"labels " + wav + " --import nist " + junk + " -o " + junk + ".wav", 1, "no records read from", "segments"},
      {"labels " + wav + " --tier words --import sam " + junk, 1, "(is it SAM? UTF-16?)", "segments"},
      {"labels " + wav + " --import textgrid " + wav, 1, "cannot be read as a TextGrid", "segments"},
      {"labels " + wav + " --export praat x", 2, "KIND: qern, nist", "phonemes:"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(runCli(row.args, dir / "out"), row.status) << row.args;
    const std::string all = test::readFile(dir / "out") + test::readFile(dir / "out.err");
    EXPECT_NE(all.find(row.has), std::string::npos) << row.args << "\n" << all;
    EXPECT_EQ(all.find(row.hasNot), std::string::npos) << row.args << "\n" << all;
  }
  EXPECT_FALSE(std::filesystem::exists(junk + ".wav"));
}

}  // namespace
}  // namespace ardv
