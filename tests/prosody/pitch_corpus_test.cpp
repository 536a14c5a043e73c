// Corpus F0: one pitch file beside each file of the extension, the same with
// several worker threads as with one, nothing else touched.
#include <gtest/gtest.h>

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "prosody/pitch_corpus.h"
#include "signal/program.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

TEST(PitchCorpus, ThreadsWriteTheSameFilesAsOneWorker) {
  ml_init(test::sourceDataDir() / "format" / "english.txt");
  ScopedRecorder rec;
  test::TempDir one, many;
  const auto set = test::knownF0Set();
  for (std::size_t k = 0; k < 6; ++k) {
    const std::string name = "s" + std::to_string(k) + ".wav";
    ASSERT_TRUE(test::writeWav(one / name, set[k * 3].samples, set[k * 3].fs));
    ASSERT_TRUE(test::writeWav(many / name, set[k * 3].samples, set[k * 3].fs));
  }
  test::writeFile(one / "notes.txt", "not a signal");
  const std::string before = program().en_cours.nom;
  EXPECT_EQ(f0Corpus(one.path(), ".wav", 1, speakerF0Params(-1)), 6);
  EXPECT_EQ(f0Corpus(many.path(), ".wav", 4, speakerF0Params(-1)), 6);
  for (std::size_t k = 0; k < 6; ++k) {
    const std::string name = "s" + std::to_string(k) + ".pit";
    const std::string a = test::readFile(one / name);
    EXPECT_GT(a.size(), 18u * 100);
    EXPECT_EQ(a, test::readFile(many / name)) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(one / "notes.pit"));
  EXPECT_EQ(program().en_cours.nom, before);
  EXPECT_EQ(rec->count(ReportKind::Warning), 0u);
}

TEST(PitchCorpus, UnreadableDirectoryIsReportedOnce) {
  ScopedRecorder rec;
  EXPECT_EQ(f0Corpus("/nonexistent-ardv-corpus", ".wav", 2, speakerF0Params(-1)), -1);
  EXPECT_EQ(rec->count(ReportKind::Message), 1u);
}

}  // namespace
}  // namespace ardv
