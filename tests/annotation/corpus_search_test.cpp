// Phoneme and word search: matching with classes and edges, and the corpus
// search's gathered signal checked against its sources sample for sample.

#include "annotation/corpus_search.h"

#include <gtest/gtest.h>

#include <cstring>

#include "annotation/phonetic_description.h"
#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "signal/annotation_chunk.h"
#include "signal/wav_layout.h"
#include "signal/wavfile.h"
#include "tests/annotation/marks.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

using test::listOf;
using test::Marks;
using Spans = std::vector<std::pair<int, int>>;

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    textTable().load(test::sourceDataDir() / "format" / "english.txt");
    phoneticDescription().loadText(
        "phon \"\" \"none\"\nphon \"a\" \"a\"\nphon \"i\" \"i\"\nphon \"m\" \"m\"\nphon \"n\" \"n\"\n"
        "phon \"p\" \"p\"\nphon \"t\" \"t\"\nclass \"[nasal]\" \"nasals\" [ \"m\" \"n\" ;\n"
        "class \"[V]\" \"vowels\" [ \"a\" \"i\" ;\nclass \"[son]\" \"sonorants\" [ \"[nasal]\" \"[V]\" ;\n");
  }
  void TearDown() override { phoneticDescription().clear(); }
  ScopedRecorder rec;
  test::TempDir dir;
};

Spans spansOf(const Marks& marks, const std::string& request) {
  std::string unknown;
  Spans spans;
  findSequences(listOf(marks), parseSequences(request, unknown), [&](const LabelSpan& s) {
    spans.emplace_back(s.first, s.last);
    return true;
  });
  return spans;
}

TEST_F(SearchTest, SequencesMatchThroughClassesAndEmptySlots) {
  const Marks m{{0, "m"}, {10, "a"}, {20, "p"}, {30, "n"}, {40, "i"}, {50, "t"}, {60, "a"}, {70, ""}};
  const struct {
    const char* request;
    Spans spans;
  } rows[] = {
      {"m", {{0, 0}}},                                   // the very first label
      {"a", {{1, 1}, {6, 6}}},                           // and the last
      {"a,,p", {{1, 2}}},                                // an empty middle slot closes up
      {"[nasal],[V]", {{0, 1}, {3, 4}}},                 // classes
      {"[son],p", {{1, 2}}},                             // a nested class matches members of both
      {"[son]", {{0, 0}, {1, 1}, {3, 3}, {4, 4}, {6, 6}}},
      {"t,a;m", {{5, 6}, {0, 0}}},                       // sequences in turn
      {" ; , ", {}},                                     // nothing left to search
  };
  for (const auto& row : rows) EXPECT_EQ(spansOf(m, row.request), row.spans) << row.request;
  std::string unknown;
  EXPECT_TRUE(parseSequences("a,[nope];x", unknown).empty());
  EXPECT_EQ(unknown, "[nope] x");
}

TEST_F(SearchTest, WordsAreExactAndCaseSensitive) {
  const Marks m{{0, "the"}, {8, "The"}, {24, "the"}, {40, "then"}, {56, ""}};
  // 1.5 ms rounds away from zero.
  EXPECT_EQ(listMatches(listOf(m), {}, "the", 16000), (std::vector<std::string>{"0\t1\tthe", "2\t3\tthe"}));
}

std::vector<std::int16_t> sourceSamples(std::int64_t n, int seed) {
  std::vector<std::int16_t> s(static_cast<std::size_t>(n));
  for (std::int64_t k = 0; k < n; ++k) s[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(1 + (k * 37 + seed) % 20000);
  return s;
}

struct Gathered {
  std::vector<std::int16_t> samples;
  notetiqs labels;
};

Gathered readGathered(const std::filesystem::path& path) {
  infoFile info;
  info.nom = path.string();
  Gathered g;
  EXPECT_TRUE(init_infoFile_read_WAV(info));
  readnotetiqs(info.nom, g.labels, info.etiqdepl, info.etiqlongueur, info.sampleCount());
  const auto bytes = test::readBytes(path);
  g.samples.resize(static_cast<std::size_t>(info.sampleCount()));
  std::memcpy(g.samples.data(), bytes.data() + info.depl, g.samples.size() * 2);
  return g;
}

// One file, one occurrence of "a": where its context starts and ends.
TEST_F(SearchTest, ContextIsLimitedByEdgesAndNeighbours) {
  const struct {
    const char* why;
    Marks marks;
    std::int64_t at, total, s0, s1;
  } rows[] = {
      {"from sample 0", {{0, "a"}, {1000, "p"}, {3000, ""}}, 0, 5000, 0, 1640},
      {"to the end", {{0, "p"}, {2000, "a"}, {5000, ""}}, 2000, 5000, 1360, 4999},
      {"neighbours", {{0, "p"}, {1000, "t"}, {1300, "a"}, {2000, "m"}, {2200, ""}}, 1300, 5000, 1000, 2200},
  };
  for (const auto& row : rows) {
    const auto wav = dir / "one.wav";
    const auto source = sourceSamples(row.total, 3);
    ASSERT_TRUE(writeWavFile(wav, source, 16000, listOf(row.marks), {}));
    CorpusSearch request;
    request.sequences = {{"a"}};
    request.files = {wav};
    request.gathered = dir / "g.wav";
    CorpusOutcome out;
    ASSERT_TRUE(searchCorpus(request, {}, out)) << row.why;
    const auto g = readGathered(request.gathered);
    const auto count = row.s1 - row.s0 + 1;
    ASSERT_EQ(static_cast<std::int64_t>(g.samples.size()), 2 * kSearchSilenceSamples + count) << row.why;
    ASSERT_EQ(g.labels.count(), 2);
    const std::int64_t start = g.labels.position(0), end = g.labels.position(1);
    const std::int64_t offset = kSearchSilenceSamples - row.s0;
    EXPECT_EQ(start - offset, row.at) << row.why;
    for (std::int64_t k = 0; k < static_cast<std::int64_t>(g.samples.size()); ++k) {
      const bool silent = k < kSearchSilenceSamples || k >= kSearchSilenceSamples + count;
      const bool exact = k >= start && k <= end;
      if (silent) ASSERT_EQ(g.samples[k], 0) << row.why << " at " << k;
      else if (exact) ASSERT_EQ(g.samples[k], source[k - offset]) << row.why << " at " << k;
      else ASSERT_LE(std::abs(g.samples[k]), std::abs(source[k - offset])) << row.why << " at " << k;
    }
  }
}

TEST_F(SearchTest, CorpusSkipsBadFilesAndStopsAtTheExactMaximum) {
  const Marks three{{0, "a"}, {2000, "p"}, {2500, "a"}, {3000, "t"}, {4000, "a"}, {4500, ""}};
  for (const char* name : {"b1.wav", "b2.WAV", "b3.wav", ".hidden.wav", "skip.txt"})
    ASSERT_TRUE(writeWavFile(dir / name, sourceSamples(6000, 1), 16000, listOf(three), {}));
  test::writeFile(dir / "a0.wav", "not a wav file");
  std::filesystem::create_directory(dir / "sub.wav");
  std::filesystem::create_symlink("loop.wav", dir / "loop.wav");
  CorpusSearch request;
  int unreadable = 0;
  ASSERT_TRUE(listCorpus(dir.path(), ".wav", request.files, unreadable));
  EXPECT_EQ(unreadable, 2);  // the directory and the looping link
  ASSERT_EQ(request.files.size(), 4u);
  request.sequences = {{"a"}};
  request.maxCount = 5;
  request.gathered = dir / "out";
  std::string results, list;
  SearchSinks sinks{[&](const std::string& l) { results += l + "\n"; }, [&](const std::string& l) { list += l + "\n"; }};
  CorpusOutcome out;
  ASSERT_TRUE(searchCorpus(request, sinks, out));
  EXPECT_EQ(out.skipped, 1);
  EXPECT_EQ(out.occurrences, 5);
  EXPECT_EQ(out.files, 3);  // b3 is never opened
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 5);
  EXPECT_EQ(results.find(text(7304)), results.rfind(text(7304)));
  EXPECT_NE(list.find((dir / "b2.WAV").string() + "\t156\t188\ta"), std::string::npos);
  const auto g = readGathered(request.gathered);
  EXPECT_EQ(g.labels.count(), 10);
  // Nothing found: no gathered signal is written.
  request.sequences = {{"i"}};
  request.gathered = dir / "none.wav";
  ASSERT_TRUE(searchCorpus(request, {}, out));
  EXPECT_FALSE(std::filesystem::exists(request.gathered));
}

}  // namespace
}  // namespace ardv
