// Corpus F0: one pitch file beside each file of the extension, the same with
// several worker threads as with one, nothing else touched; a stopped run
// leaves only complete pitch files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "prosody/pitch_corpus.h"
#include "signal/program.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

// Five signals and a note; s3 and s4 already have a pitch file.
void fillCorpus(const std::filesystem::path& dir) {
  const auto set = test::knownF0Set();
  for (std::size_t k = 0; k < 5; ++k)
    ASSERT_TRUE(test::writeWav(dir / ("s" + std::to_string(k) + ".wav"), set[k * 3].samples, set[k * 3].fs));
  test::writeFile(dir / "notes.txt", "not a signal");
  test::writeFile(dir / "s3.pit", "previous");
  test::writeFile(dir / "s4.pit", "previous");
}

TEST(PitchCorpus, ThreadsAgreeWithOneWorkerAndAStoppedRunLeavesOnlyCompleteFiles) {
  ml_init(test::sourceDataDir() / "format" / "english.txt");
  ScopedRecorder rec;
  test::TempDir full, threads, one, many;
  for (const auto* dir : {&full, &threads, &one, &many}) fillCorpus(dir->path());
  const std::string before = program().en_cours.nom;
  ASSERT_EQ(f0Corpus(full.path(), ".wav", 1, speakerF0Params(-1)), 5);
  ASSERT_EQ(f0Corpus(threads.path(), ".wav", 4, speakerF0Params(-1)), 5);
  EXPECT_EQ(program().en_cours.nom, before);
  EXPECT_FALSE(std::filesystem::exists(full / "notes.pit"));
  EXPECT_EQ(rec->count(ReportKind::Warning), 0u);

  // One worker stopped after two files: exactly those two are written.
  std::string lastSeen;
  EXPECT_EQ(f0Corpus(one.path(), ".wav", 1, speakerF0Params(-1),
                     [&](const CorpusProgress& p) {
                       EXPECT_EQ(p.total, 5);
                       lastSeen = p.current;
                       return p.done < 2;
                     }),
            2);
  EXPECT_EQ(std::filesystem::path(lastSeen).filename(), "s2.wav");
  EXPECT_EQ(f0Corpus(one.path(), ".wav", 3, speakerF0Params(-1), [](const CorpusProgress&) { return false; }), 0);
  // Several workers stopped at the first file done: each finishes its own.
  const int written = f0Corpus(many.path(), ".wav", 3, speakerF0Params(-1),
                               [](const CorpusProgress& p) { return p.done == 0; });
  EXPECT_GE(written, 1);

  int changed = 0;
  for (std::size_t k = 0; k < 5; ++k) {
    const std::string name = "s" + std::to_string(k) + ".pit";
    const std::string reference = test::readFile(full / name);
    EXPECT_GT(reference.size(), 18u * 100) << name;
    EXPECT_EQ(test::readFile(threads / name), reference) << name;
    const std::string a = test::readFile(one / name), b = test::readFile(many / name);
    if (k < 2) EXPECT_EQ(a, reference) << name;
    else if (k == 2) EXPECT_FALSE(std::filesystem::exists(one / name));
    else EXPECT_EQ(a, "previous") << name;
    if (b == reference) ++changed;
    else if (k < 3) EXPECT_FALSE(std::filesystem::exists(many / name)) << name;
    else EXPECT_EQ(b, "previous") << name;
  }
  EXPECT_EQ(changed, written);
  for (const auto* dir : {&threads, &one, &many})
    for (const auto& entry : std::filesystem::directory_iterator(dir->path()))
      EXPECT_EQ(entry.path().string().find("ardv-tmp"), std::string::npos) << entry.path();
}

TEST(PitchCorpus, UnreadableDirectoryAndPitchFilesAsSignalsAreRefused) {
  ScopedRecorder rec;
  EXPECT_EQ(f0Corpus("/nonexistent-ardv-corpus", ".wav", 2, speakerF0Params(-1)), -1);
  EXPECT_EQ(rec->count(ReportKind::Message), 1u);
  test::TempDir dir;
  test::writeFile(dir / "a.pit", "kept");
  EXPECT_EQ(f0Corpus(dir.path(), ".pit", 1, speakerF0Params(-1)), -1);
  EXPECT_EQ(test::readFile(dir / "a.pit"), "kept");
  EXPECT_EQ(rec->count(ReportKind::Message), 2u);
}

// Entries named like signals that give no pitch file are counted as failed
// and named in their report, with one worker and with several.
TEST(PitchCorpus, EveryFailureIsCountedAndNamesItsFile) {
  ml_init(test::sourceDataDir() / "format" / "english.txt");
  const auto set = test::knownF0Set();
  for (const int jobs : {1, 3}) {
    ScopedRecorder rec;
    test::TempDir dir;
    ASSERT_TRUE(test::writeWav(dir / "good.wav", set[0].samples, set[0].fs));
    ASSERT_TRUE(test::writeWav(dir / "slow.wav", set[0].samples, 100));
    test::writeFile(dir / "garbage.wav", "RIFF not at all a wave file");
    std::filesystem::create_directory(dir / "folder.wav");
    ASSERT_EQ(::mkfifo((dir / "pipe.wav").c_str(), 0600), 0);
    std::filesystem::create_symlink("loop.wav", dir / "loop.wav");
    CorpusProgress result;
    EXPECT_EQ(f0Corpus(dir.path(), ".wav", jobs, speakerF0Params(-1), {}, &result), 1);
    EXPECT_EQ(result.failed, 5);
    EXPECT_EQ(result.total, 6);
    for (const char* name : {"slow.wav", "garbage.wav", "folder.wav", "pipe.wav", "loop.wav"})
      EXPECT_TRUE(rec->saw(name)) << name << " with " << jobs << " jobs";
    for (const Report& r : rec->reports())
      EXPECT_NE(r.text.find(dir.path().string()), std::string::npos) << r.text;
  }
  if (::geteuid() != 0) {  // root writes into read-only directories
    ScopedRecorder rec;
    test::TempDir dir;
    ASSERT_TRUE(test::writeWav(dir / "good.wav", set[0].samples, set[0].fs));
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    CorpusProgress result;
    EXPECT_EQ(f0Corpus(dir.path(), ".wav", 1, speakerF0Params(-1), {}, &result), 0);
    EXPECT_EQ(result.failed, 1);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  }
}

}  // namespace
}  // namespace ardv
