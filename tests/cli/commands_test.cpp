// ardv-cli commands run as the user runs them: info, convert, labels, f0 and
// energy against golden outputs or round trips, modify, tracks, formants,
// search and measure (refusals: bad_input_test; spectrogram images:
// spectrogram_command_test.cpp).
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "formants/ceiling_choice.h"
#include "klatt/formant_listing.h"
#include "measurement/segment_table.h"
#include "tests/annotation/marks.h"
#include "tests/cli/cli_test_support.h"
#include "tests/formants/klatt_test_support.h"
#include "tests/formants/vowel_synth.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/wav.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;
using test::CliRow;
using test::runCli;

std::string golden(const char* name) { return test::readFile(test::sourceDir() / "tests" / "golden" / name); }

TEST(InfoCommand, DescribesTheBundledExampleAsItsGoldenOutput) {
  test::TempDir dir;
  ASSERT_EQ(runCli("info '" + test::exampleWav().string() + "'", dir / "out"), 0) << test::readFile(dir / "out.err");
  std::string expected = golden("info_example.txt"), actual = test::readFile(dir / "out");
  // The first line names the file as given.
  EXPECT_EQ(actual.substr(actual.find('\n')), expected.substr(expected.find('\n')));
  EXPECT_EQ(test::readFile(dir / "out.err"), "");
}

TEST(ConvertCommand, RawFilesComeBackByteExact) {
  test::TempDir dir;
  std::vector<std::int16_t> words;
  for (int i = 0; i < 45001; ++i) words.push_back(static_cast<std::int16_t>((i * 37) % 4096 - 2048));
  const std::string mid = (dir / "mid.wav").string(), back = (dir / "back.raw").string();
  for (const auto& [profile, bigEndian] : {std::pair{"pcm16le-16k", false}, {"pcm12be-16k", true}}) {
    const std::string in = (dir / (std::string(profile) + ".raw")).string();
    test::writeBytes(in, test::wordBytes(words, bigEndian));
    ASSERT_EQ(runCli("convert " + in + " " + mid + " --profile " + profile, dir / "log"), 0);
    ASSERT_EQ(runCli("convert " + mid + " " + back + " --out-profile " + profile, dir / "log"), 0);
    EXPECT_EQ(test::readBytes(back), test::readBytes(in)) << profile;
  }
}

TEST(ConvertCommand, CarriesTheAnnotationChunks) {
  test::TempDir dir;
  const test::Marks phon{{0, "p"}, {20, "a"}, {49, ""}}, word{{0, "pa"}, {49, ""}};
  ASSERT_TRUE(writeWavFile(dir / "a.wav", std::vector<std::int16_t>(50), 22050, test::listOf(phon),
                           test::listOf(word)));
  ASSERT_EQ(runCli("convert " + (dir / "a.wav").string() + " " + (dir / "b.wav").string(), dir / "log"), 0);
  test::WavContents b;
  ASSERT_TRUE(test::readWav(dir / "b.wav", b));
  EXPECT_EQ(std::tuple(b.info.frequence, test::marksOf(b.phon), test::marksOf(b.word)),
            std::tuple(22050.0, phon, word));
}

// The profiles listed; three raw samples read with a headerless profile (refusals: bad_input_test).
TEST(ConvertCommand, ListsProfilesAndReadsWithOne) {
  test::TempDir dir;
  const std::string x = (dir / "x.raw").string();
  test::writeBytes(x, test::wordBytes({1, 2, 3}, false));
  test::expectCliRows({{"profiles", 0, "sphere-16k\n  frequence    v, 16000\n"},
                       {"profiles", 0, "  longueur     v, SOF-1024\n  signal_swap  \"non\"\n"},
                       {"info " + x + " --profile pcm16le-8k", 0, "Samples:            3\n"}},
                      dir / "log");
}

TEST(LabelsCommand, EveryKindRoundTripsThroughAWavCopy) {
  test::TempDir dir;
  const std::string example = test::exampleWav().string(), copy = (dir / "copy.wav").string();
  ASSERT_EQ(runCli("labels " + example, dir / "orig.txt"), 0);
  const std::string original = test::readFile(dir / "orig.txt");
  ASSERT_NE(original.find("phonemes: 33 segments"), std::string::npos);
  // The example's last phoneme "#" ends at the end of the signal (41832): every kind keeps it.
  ASSERT_NE(original.find("       41712      41832      2607 ms      2615 ms  #\n"), std::string::npos);
  for (const std::string kind :
       {"textgrid", "qern", "nist", "sam", "align", "words vecsys", "words nist", "words sam", "words noisex"}) {
    const bool words = kind.rfind("words ", 0) == 0;
    const std::string k = words ? kind.substr(6) : kind, tier = words ? " --tier words" : "";
    const std::string file = (dir / ("labels." + k)).string();
    ASSERT_EQ(runCli("labels " + example + tier + " --export " + k + " " + file, dir / "log"), 0) << kind;
    // The other list is taken from the example's chunks, so only one list changes.
    const std::string import = " --language english.lng --import " + k + " " + file + " -o " + copy;
    ASSERT_EQ(runCli("labels " + example + tier + import, dir / "log"), 0) << kind << test::readFile(dir / "log.err");
    ASSERT_EQ(runCli("labels " + copy, dir / "copy.txt"), 0);
    if (k == "vecsys") {  // positions in units of 128 samples
      EXPECT_NE(test::readFile(dir / "copy.txt").find("         128       2432         8 ms       152 ms  The"),
                std::string::npos);
    } else {
      EXPECT_EQ(test::readFile(dir / "copy.txt"), original) << kind;
    }
  }
}

TEST(LabelsCommand, ListingsAndHelp) {
  test::TempDir dir;
  const std::string wav = (dir / "c.wav").string();
  // The word segment ends at the end of the signal.
  ASSERT_TRUE(writeWavFile(wav, std::vector<std::int16_t>(20), 16000,
                           test::listOf(test::Marks{{0, "\x1b[2J\x07"}, {10, ""}}),
                           test::listOf(test::Marks{{0, "w"}, {20, ""}})));
  const struct {
    std::string args;
    int status;
    std::string says;
    const char* hasNot;  // in neither the output nor its errors
  } rows[] = {
      {"labels " + wav, 0, "1 ms  \\x1b[2J\\x07\n", "\x1b"},
      {"info " + wav, 0, "Phoneme segments:   1: \\x1b[2J\\x07\n", "\x1b"},
      {"labels " + wav + " --tier words", 0, "words: 1 segments\n           0         20", "phonemes"},
      {"labels --help", 0, "usage: ardv-cli labels FILE", "error"},
      {"--version", 0, "ardv-cli (Ardelovox) ", "usage"},
      {"labels " + wav + " --export praat x", 2, "KIND is one of qern, nist", "phonemes:"},
  };
  test::expectCliRows(rows, dir / "out", [](const auto& row, const std::string& output) {
    EXPECT_EQ(output.find(row.hasNot), std::string::npos) << output;
  });
}

// Frame times exactly; an F0 may be off by more than 2 Hz in 1 % of the frames,
// an energy only by its rounding (other compilers may round a borderline frame differently).
TEST(ProsodyCommands, F0AndEnergyOfTheExampleMatchTheirGoldenListings) {
  test::TempDir dir;
  const std::string in = "'" + test::exampleWav().string() + "'";
  const fs::path ene = dir / "ene";
  for (const bool f0 : {true, false}) {
    ASSERT_EQ(runCli(f0 ? "f0 " + in : "energy " + in + " -o " + ene.string(), dir / "out"), 0)
        << test::readFile(dir / "out.err");
    const auto expected = test::numberLines(golden(f0 ? "f0_example.txt" : "energy_example.txt"));
    const auto actual = test::numberLines(test::readFile(f0 ? dir / "out" : ene));
    ASSERT_EQ(actual.size(), expected.size());
    ASSERT_GT(expected.size(), 100u);
    int differing = 0, voiced = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(actual[i].size(), 2u) << i;
      EXPECT_EQ(actual[i][0], expected[i][0]) << i;
      const double d = std::abs(actual[i][1] - expected[i][1]);
      voiced += expected[i][1] > 0;
      if (f0) differing += d > 2;
      else EXPECT_LE(d, 0.01 + 1e-4 * std::abs(expected[i][1])) << "energy frame " << i;
    }
    EXPECT_GT(voiced, 50);
    EXPECT_LE(differing, static_cast<int>(expected.size() / 100)) << "F0 frames off by more than 2 Hz";
  }
}

// modify, resynth and pitch-marks: the output's length, the input kept (refusals: bad_input_test).
TEST(ModifyCommands, Outputs) {
  test::TempDir dir;
  const fs::path in = dir / "in.wav", out = dir / "out.wav";
  const std::string original = test::readFile(test::exampleWav());
  test::writeFile(in, original);
  ASSERT_EQ(runCli("f0 " + in.string() + " -o " + (dir / "c.pit").string(), dir / "f0"), 0);
  const std::string I = in.string(), O = out.string();
  const struct {
    std::string args;
    int status;
    std::string says;
    double outRatio;  // output data bytes / input data bytes; 0: out.wav kept as it was
  } rows[] = {
      {"modify " + I + " " + O + " --time 1.5 --f0 1", 0, "", 1.5},
      {"modify " + I + " " + O + " --time 1 --f0 1.3", 0, "", 1.0},
      {"modify " + I + " " + O + " --time 2 --f0 1 --method vocoder --phase none", 0, "", 2.0},
      {"modify " + I + " " + O + " --time 1.5 --f0 1.3 --from 500 --to 1000", 0, "", (41832 + 4000) / 41832.0},
      {"resynth " + I + " --contour " + (dir / "c.pit").string() + " -o " + O, 0, "", 1.0},
      {"pitch-marks " + I, 0, ">> pitch_mark", 0},
  };
  test::writeFile(out, "kept");
  test::expectCliRows(rows, dir / "run", [&](const auto& row, const std::string&) {
    EXPECT_EQ(test::readFile(in), original);
    const std::string written = test::readFile(out);
    if (row.outRatio == 0) {
      EXPECT_EQ(written, "kept");
    } else {
      EXPECT_NEAR((static_cast<double>(written.size()) - kWavHeaderBytes) / 83664.0, row.outRatio, 0.01 * row.outRatio);
    }
    test::writeFile(out, "kept");
  });
}

// Conversions between the three parameter-file kinds and the formant listing keep the frames' numbers.
TEST(TracksCommand, ConversionsKeepTheFrames) {
  test::TempDir dir;
  const std::string kle = test::klattFile(20, 5, 0, [](int k, KlattRecord& r) {
    r[kF0hz10] = 123, r[kF1hz] = 500 + k, r[kF2hz] = 1500, r[kF3hz] = 2500;
    for (int i = 0; i < 3; ++i) r[kA1 + 2 * i] = 60 - 10 * i, r[kB1phz + 2 * i] = 80;
  });
  test::writeFile(dir / "in.kle", kle);
  for (const auto& [from, args, to] : {std::tuple{"in.kle", "", "same.kle"}, {"in.kle", "", "a.for"},
                                       {"a.for", "--to kla", "b.out"}, {"same.kle", "--step 5", "c.kla"}}) {
    const std::string command =
        "tracks '" + (dir / from).string() + "' " + args + " -o '" + (dir / to).string() + "'";
    ASSERT_EQ(runCli(command, dir / "out"), 0) << command << test::readFile(dir / "out.err");
  }
  EXPECT_EQ(test::readFile(dir / "same.kle"), kle);
  const auto listing = test::numberLines(test::readFile(dir / "a.for"));
  ASSERT_EQ(listing.size(), 20u);
  EXPECT_EQ(listing[19], (std::vector<double>{95, 95, 519, 60, 80, 1500, 50, 80, 2500, 40, 80, 0, 0, 4003, 0, 0, 4003,
                                              0, 0, 4003}));
  const std::string kla = test::readFile(dir / "b.out");
  EXPECT_EQ(kla.substr(0, 5), ".kla\n");
  const auto fromListing = test::numberLines(kla), fromKle = test::numberLines(test::readFile(dir / "c.kla"));
  ASSERT_EQ(fromListing.size(), 20u);
  ASSERT_EQ(fromKle.size(), 20u);
  for (int k = 0; k < 20; ++k) {
    ASSERT_EQ(fromListing[k].size(), 41u);
    ASSERT_EQ(fromKle[k].size(), 41u);
    EXPECT_EQ(fromListing[k][3], 500 + k);  // F1 through the listing
    EXPECT_EQ(fromKle[k][3], 500 + k);
    EXPECT_EQ(fromKle[k][1], 1230);
  }
}

// formants and formant-candidates: listings of a synthetic vowel, lines of
// four finite numbers (refusals: bad_input_test).
TEST(FormantsCommand, Listings) {
  test::TempDir dir;
  const test::VowelSpec v{.f0 = 220, .seconds = 0.5};
  ASSERT_TRUE(writeWavFile(dir / "vowel.wav", test::synthVowel(v), 16000, {}, {}));
  const std::string vowel = (dir / "vowel.wav").string();
  for (const auto& [args, minLines] : {std::pair{"formants " + vowel, 55},
                                       {"formants " + vowel + " --ceiling 6000", 55},
                                       {"formants " + vowel + " --ceiling 5000 --scores " + (dir / "none").string(), 55},
                                       {"formants " + vowel + " --method snake --from 100 --to 300", 45},
                                       {"formant-candidates " + vowel + " --kind lpc", 100},
                                       {"formant-candidates " + vowel + " --kind cepstral", 100},
                                       {"formant-candidates " + vowel + " --kind true-envelope --from 0 --to 100", 20}}) {
    ASSERT_EQ(runCli(args, dir / "out"), 0) << args << test::readFile(dir / "out.err");
    const std::string text = test::readFile(dir / "out");
    const auto lines = test::numberLines(text);
    EXPECT_GE(static_cast<int>(lines.size()), minLines) << args;
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'))) << args;
    for (const auto& line : lines) {
      EXPECT_EQ(line.size(), 4u) << args;
      for (double value : line) EXPECT_TRUE(std::isfinite(value)) << args;
    }
  }
  // A pipe gets the lines as they come: no copy of the whole result waits in $TMPDIR.
  {
    const test::ScopedEnv noTemp("TMPDIR", (dir / "missing").string());
    runCli("formants " + vowel + " | cat", dir / "out");
  }
  EXPECT_GE(test::numberLines(test::readFile(dir / "out")).size(), 55u);
  // The scores of the automatic choice: one line per stretch, the chosen
  // ceiling and one score per ceiling tried; none at a fixed ceiling.
  ASSERT_EQ(runCli("formants " + vowel + " -o " + (dir / "t").string() + " --scores " + (dir / "s").string(), dir / "out"),
            0);
  const auto scores = test::numberLines(test::readFile(dir / "s"));
  ASSERT_EQ(scores.size(), 1u);
  EXPECT_EQ(scores[0].size(), 3 + automaticCeilings().size());
  EXPECT_TRUE(std::count(automaticCeilings().begin(), automaticCeilings().end(), scores[0][2]));
  EXPECT_EQ(test::readFile(dir / "none"), "");
  // Read back as a formant listing: F1 of the vowel within 10 % in most frames.
  ASSERT_EQ(runCli("formants " + vowel + " --format for -o " + (dir / "y.for").string(), dir / "out"), 0);
  std::vector<FormantListingFrame> frames;
  ASSERT_TRUE(readFormantListing(dir / "y.for", frames)) << test::readFile(dir / "out.err");
  EXPECT_GE(frames.size(), 55u);
  int near = 0;
  for (const auto& f : frames) {
    near += std::fabs(f.formants[0].frequency - v.startHz[0]) < 0.1 * v.startHz[0];
    EXPECT_TRUE(f.formants[0].frequency == 0 || f.formants[0].bandwidth > 0);
  }
  EXPECT_GE(near, 40);
}

// measure: the table of a corpus with labels that need quoting, a file
// without labels, one shorter than a frame and one that is not a signal;
// shards whose rows are the unsharded run's.
TEST(MeasureCommand, TableOfACorpusAndShardsThatAddUp) {
  test::TempDir dir;
  const fs::path c = dir / "c";
  fs::create_directories(c);
  const auto vowel = test::synthVowel(test::VowelSpec{.f0 = 120, .seconds = 0.6});
  const auto labels = test::listOf(test::Marks{{0, "#"}, {1600, "a,\"b\""}, {8000, "i"}, {9600, ""}});
  for (const char* name : {"a.wav", "b.wav", "d.wav"}) ASSERT_TRUE(writeWavFile(c / name, vowel, 16000, labels, {}));
  ASSERT_TRUE(writeWavFile(c / "e.wav", vowel, 16000, {}, {}));
  ASSERT_TRUE(writeWavFile(c / "s.wav", std::vector<std::int16_t>(100, 500), 16000,
                           test::listOf(test::Marks{{0, "a"}, {50, "b"}, {100, ""}}), {}));
  test::writeFile(c / "z.wav", "not a signal");
  // Raw files with NIST label files: overlapping segments, a zero-length one.
  const fs::path r = dir / "r";
  fs::create_directories(r);
  for (const char* name : {"o.raw", "z.raw"})
    test::writeFile(r / name, std::string(reinterpret_cast<const char*>(vowel.data()), 2 * vowel.size()));
  test::writeFile(r / "o.lab", "0 4000 A\n2000 6000 i\n6000 8000 u\n");
  test::writeFile(r / "z.lab", "0 4000 A\n4000 4000 i\n");
  const std::string raw = " --profile pcm16le-16k --labels-kind nist --measures f0";
  const std::string m = "measure " + c.string();
  test::expectCliRows({{m + " -o " + (dir / "all.csv").string(), 1, "5 files measured, 11 segments, 1 failed"},
                       {m + "/a.wav --phonemes i --measures f0", 0, "1 files measured, 1 segments, 0 failed"},
                       {m + "/a.wav --tier words", 0, "no word labels"},
                       {m + " --phonemes nope", 1, "Not phonemes"},
                       {m + " --tier syllables", 2, "usage"},
                       {m + " --measures f0,pitch", 2, "usage"},
                       // A segment ends where the next begins; a zero-length line is named.
                       {"measure " + (r / "o.raw").string() + raw, 0, "phonemes,A,0.00,125.00,125.00,,i,"},
                       {"measure " + (r / "z.raw").string() + raw, 1, "Cannot read this line: 4000 4000 i"}},
                      dir / "log");
  const std::string all = test::readFile(dir / "all.csv");
  EXPECT_EQ(all.substr(0, all.find('\n')), test::replaceAll(segmentTableHeader(','), "\n", ""));
  EXPECT_NE(all.find(c.string() + "/a.wav,phonemes,\"a,\"\"b\"\"\",100.00,500.00,400.00,#,i,1"), std::string::npos) << all;
  // The short file's segments: a duration and nothing else.
  EXPECT_NE(all.find(c.string() + "/s.wav,phonemes,b,3.12,6.25,3.12,a" + std::string(26, ',') + "\n"), std::string::npos)
      << all;
  const auto rows = [](const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text.substr(text.find('\n') + 1));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
  };
  std::string parts;
  for (const char* shard : {"1/2", "2/2"}) {
    runCli(m + " --shard " + shard + " -o " + (dir / "part.csv").string(), dir / "log");
    parts += test::readFile(dir / "part.csv").substr(all.find('\n') + 1);
  }
  EXPECT_EQ(rows("\n" + parts), rows(all));
  EXPECT_EQ(rows(all).size(), 11u);
}

// search: WAV files with chunks and raw files with label files, the
// occurrences found written as one WAV file, bad input with a summary and a
// failure status (shards: corpus_parallel_test.sh).
class SearchCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto example = test::exampleWav();
    fs::create_directories(dir / "wav");
    fs::create_directories(dir / "raw");
    for (const char* name : {"e1.wav", "e2.wav", "e3.wav", "e4.wav", ".e5.wav"}) fs::copy_file(example, dir / "wav" / name);
    const std::string raw = (dir / "raw").string();
    ASSERT_EQ(run("convert '" + example.string() + "' " + raw + "/a.raw --out-profile pcm16le-16k"), 0);
    ASSERT_EQ(run("labels '" + example.string() + "' --export qern " + raw + "/a.lab"), 0);
    fs::copy_file(dir / "raw" / "a.raw", dir / "raw" / "b.raw");  // no label file
    fs::copy_file(dir / "raw" / "a.lab", dir / "raw" / "c.lab");
    test::writeFile(dir / "raw" / "c.raw", test::readFile(dir / "raw" / "a.raw").substr(0, 20000));
  }
  int run(const std::string& args) { return runCli(args, dir / "out"); }
  test::TempDir dir;
};

TEST_F(SearchCommand, SummarisesAndFailsWhenSomethingWasSkipped) {
  const std::string w = "search " + (dir / "wav").string(), r = "search " + (dir / "raw").string();
  test::writeFile(dir / "kept.tsv", "previous\n");
  test::expectCliRows(
      {{w + " --phonemes D", 0, "4 files searched, 8 occurrences, 0 skipped"},
       {w + " --phonemes 'D;[plos],[V]' --max 5 -o " + (dir / "found.wav").string(), 0, "5 occurrences (the maximum)"},
       {w + " --word nope", 0, "0 occurrences"},
       {r + " --ext .raw --profile pcm16le-16k --phonemes D", 1, "3 files searched, 3 occurrences, 1 skipped"},
       {r + " --ext .raw --phonemes D", 1, "no format profile"},
       {w + "/missing --word x", 1, "does not exist"},
       {w + " --phonemes ' , ' --list " + (dir / "kept.tsv").string(), 1, "Nothing to search for"},
       {w + " --phonemes 'D,[nope]'", 1, "[nope]"},
       {"search --files-from " + (dir / "wav").string() + "/none --word x", 1, "Cannot read the list"},
       {w + " --phonemes D --word x", 2, "usage"},
       {w + " --phonemes D --shard 3/2", 2, "--shard"},
       {w + " --phonemes D --max 0", 2, "usage"}},
      dir / "out");
  EXPECT_EQ(test::readFile(dir / "kept.tsv"), "previous\n");  // a search that cannot run writes nothing
  ASSERT_EQ(run("labels " + (dir / "found.wav").string()), 0);
  EXPECT_NE(test::readFile(dir / "out").find("phonemes: 10 segments"), std::string::npos) << test::readFile(dir / "out");
}

// Every occurrence stays one line of four fields, whatever the file is called.
TEST_F(SearchCommand, ListLinesEscapeControlCharactersOfNames) {
  fs::create_directory(dir / "odd");
  fs::copy_file(test::exampleWav(), dir / "odd" / "tab\there\nnew.wav");
  ASSERT_EQ(run("search " + (dir / "odd").string() + " --phonemes D --list " + (dir / "odd.tsv").string()), 0);
  const std::string list = test::readFile(dir / "odd.tsv");
  std::istringstream lines(list);
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 3) << line;
    EXPECT_NE(line.find("tab\\x09here\\x0anew.wav\t"), std::string::npos) << line;
  }
  EXPECT_EQ(count, 2) << list;
}

// f0-corpus writes no pitch file through a link, over an input or twice, and
// reads a file that is not WAV only with a profile.
TEST(F0CorpusCommand, WritesOnlyPitchFilesOfItsOwn) {
  test::TempDir dir;
  const fs::path d = dir / "d";
  fs::create_directory(d);
  const test::VowelSpec v{.f0 = 200, .seconds = 0.3};
  for (const char* name : {"a.wav", "b.wav", "c.wav", "e.wav", "e.WAV"})
    ASSERT_TRUE(writeWavFile(d / name, test::synthVowel(v), 16000, {}, {}));
  fs::create_symlink("a.wav", d / "b.pit");
  fs::create_hard_link(d / "a.wav", d / "c.pit");
  test::writeFile(dir / "notes.txt", "not samples\n");
  test::writeFile(dir / "list", (dir / "notes.txt").string() + "\n");
  const std::string a = test::readFile(d / "a.wav");
  test::expectCliRows({{"f0-corpus " + d.string(), 1, "2 pitch files written, 3 failed"},
                       {"f0-corpus " + d.string() + " --jobs 1", 1, "is a symbolic link"},
                       {"f0-corpus " + d.string() + " --jobs 1", 1, "an input of the run"},
                       {"f0-corpus " + d.string() + " --jobs 1", 1, "have the same pitch file"},
                       {"f0-corpus --files-from " + (dir / "list").string(), 1, "no format profile was given"}},
                      dir / "out");
  EXPECT_EQ(test::readFile(d / "a.wav"), a);
  EXPECT_EQ(test::readFile(d / "c.pit"), a);
  EXPECT_TRUE(fs::is_symlink(d / "b.pit"));
  EXPECT_TRUE(fs::exists(d / "a.pit") && fs::exists(d / "e.pit"));
  EXPECT_FALSE(fs::exists(dir / "notes.pit"));
}

}  // namespace
}  // namespace ardv
