// ardv-cli search, run as the user runs it: WAV files with chunks and raw
// files with label files, bad input with a summary and a failure status, and
// interleaved shards whose lists add up to the unsharded run's.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

class SearchCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto example = test::sourceDataDir() / "examples" / "example.wav";
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
  int run(const std::string& args) { return test::runCli(args, dir / "out"); }
  std::string out() { return test::readFile(dir / "out") + test::readFile(dir / "out.err"); }
  test::TempDir dir;
};

TEST_F(SearchCommand, SummarisesAndFailsWhenSomethingWasSkipped) {
  const std::string w = (dir / "wav").string(), r = (dir / "raw").string();
  test::writeFile(dir / "kept.tsv", "previous\n");
  const struct {
    std::string args;
    int status;
    const char* shown;
  } rows[] = {
      {w + " --phonemes D", 0, "4 files searched, 8 occurrences, 0 skipped"},
      {w + " --phonemes 'D;[plos],[V]' --max 5", 0, "5 occurrences (the maximum)"},
      {w + " --word nope", 0, "0 occurrences"},
      {r + " --ext .raw --profile pcm16le-16k --phonemes D", 1, "3 files searched, 3 occurrences, 1 skipped"},
      {r + " --ext .raw --phonemes D", 1, "no format profile"},
      {w + "/missing --word x", 1, "does not exist"},
      {w + " --phonemes ' , ' --list " + (dir / "kept.tsv").string(), 1, "Nothing to search for"},
      {w + " --phonemes 'D,[nope]'", 1, "[nope]"},
      {"--files-from " + w + "/none --word x", 1, "Cannot read the list"},
      {w + " --phonemes D --word x", 2, "usage"},
      {w + " --phonemes D --shard 3/2", 2, "--shard"},
      {w + " --phonemes D --max 0", 2, "usage"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(run("search " + row.args), row.status) << row.args;
    EXPECT_NE(out().find(row.shown), std::string::npos) << row.args << "\n" << out();
  }
  EXPECT_EQ(test::readFile(dir / "kept.tsv"), "previous\n");  // a search that cannot run writes nothing
}

std::string sortedLines(std::string text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1)
    lines.push_back(text.substr(from, at - from));
  std::sort(lines.begin(), lines.end());
  std::string joined;
  for (const auto& l : lines) joined += l + "\n";
  return joined;
}

TEST_F(SearchCommand, ShardsAddUpToTheWholeRun) {
  const std::string w = (dir / "wav").string();
  ASSERT_EQ(run("search " + w + " --phonemes '[V]' -o " + (dir / "all.wav").string() + " --list " +
                (dir / "all.tsv").string()), 0);
  std::string parts;
  for (int i = 1; i <= 3; ++i) {
    const auto list = dir / ("part" + std::to_string(i) + ".tsv");
    ASSERT_EQ(run("search " + w + " --phonemes '[V]' --shard " + std::to_string(i) + "/3 --list " + list.string()), 0);
    parts += test::readFile(list);
  }
  const auto all = test::readFile(dir / "all.tsv");
  EXPECT_FALSE(all.empty());
  EXPECT_EQ(sortedLines(parts), sortedLines(all));
  ASSERT_EQ(run("labels " + (dir / "all.wav").string()), 0);
  EXPECT_NE(out().find("phonemes: "), std::string::npos);
}

}  // namespace
}  // namespace ardv
