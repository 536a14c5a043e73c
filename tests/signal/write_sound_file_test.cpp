// Writing files: the one writer (where the name leads, the kind it keeps,
// failures that never lose the previous file), byte-exact round trips through
// WAV, the annotation chunks and the three stretches.
#include "signal/write_sound_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "platform/headless/recording_reporter.h"
#include "signal/replacing_file.h"
#include "signal/sample_coding.h"
#include "signal/wavfile.h"
#include "signal/writable_target.h"
#include "tests/annotation/marks.h"
#include "tests/signal/signal_test_support.h"
#include "tests/support/cli.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav.h"
#include "texts/texts.h"

namespace ardv {
namespace {

// Words of `bits` significant bits.
std::vector<std::int16_t> randomWords(std::size_t n, int bits, unsigned seed) {
  return test::noise(n, seed, -(1 << (bits - 1)), (1 << (bits - 1)) - 1);
}

using test::rawFile;

// Copies the whole sample area of `from` into `to` through writeSoundFile.
int convert(const infoFile& from, const infoFile& to) {
  writeSoundFile w(to);
  w.setSource(from, from.depl, from.longueur, 0, 0);
  return w.flush();
}

// Raw words through WAV and back, byte for byte; the copy in 40000-byte
// pieces equals the conversion of the whole array.
TEST(WriteSoundFile, RawComesBackByteExactThroughWav) {
  for (const auto& [bits, bigEndian, samples] : {std::tuple{16, false, 50001}, {12, true, 65537}, {16, true, 20000},
                                                 {8, false, 3}}) {
    SCOPED_TRACE(std::to_string(bits) + (bigEndian ? " BE" : " LE"));
    test::TempDir dir;
    const auto words = randomWords(static_cast<std::size_t>(samples), bits, 17);
    test::writeBytes(dir / "in.raw", test::wordBytes(words, bigEndian));
    const int swap = bigEndian ? 1 : 0;
    infoFile wav = rawFile(dir / "mid.wav", 16, 0, 0);
    ASSERT_EQ(convert(rawFile(dir / "in.raw", bits, swap, static_cast<std::int64_t>(words.size()) * 2), wav), 0);
    const auto wavBytes = test::readBytes(dir / "mid.wav");
    ASSERT_EQ(wavBytes.size(), 44 + words.size() * 2);
    std::vector<std::int16_t> whole = words;
    decodeSamples(whole.data(), whole.size(), bits, 0);
    EXPECT_TRUE(std::equal(wavBytes.begin() + 44, wavBytes.end(), test::wordBytes(whole, false).begin()));
    ASSERT_TRUE(init_infoFile_read_WAV(wav));
    EXPECT_EQ(wav.frequence, 16000);
    ASSERT_EQ(convert(wav, rawFile(dir / "out.raw", bits, swap, 0)), 0);
    EXPECT_EQ(test::readBytes(dir / "out.raw"), test::readBytes(dir / "in.raw"));
  }
}

TEST(WriteSoundFile, CarriesAnnotationChunksAndPadsOddData) {
  test::TempDir dir;
  test::writeBytes(dir / "in.raw", test::wordBytes({1, 2, 3, 4, 5}, false));
  infoFile in = rawFile(dir / "in.raw", 16, 0, 10);
  writeSoundFile w(rawFile(dir / "out.wav", 16, 0, 0));
  w.setSource(in, 0, 9, 0, 0);  // an odd byte count
  w.addPhon(0, "a");
  w.addPhon(2, "bb");
  w.addPhon(4, "");
  w.addWord(1, "word");
  w.addWord(3, "");
  ASSERT_EQ(w.flush(), 0);
  const auto bytes = test::readBytes(dir / "out.wav");
  EXPECT_EQ(bytes[44 + 9], 0);  // pad byte
  EXPECT_EQ(std::string(bytes.begin() + 54, bytes.begin() + 58), "phon");
  test::WavContents wav;
  ASSERT_TRUE(test::readWav(dir / "out.wav", wav));
  EXPECT_EQ(wav.samples, (std::vector<std::int16_t>{1, 2, 3, 4}));
  EXPECT_EQ(std::tuple(test::marksOf(wav.phon), test::marksOf(wav.word)),
            std::tuple(test::Marks{{0, "a"}, {2, "bb"}, {4, ""}}, test::Marks{{1, "word"}, {3, ""}}));
}

// Stretches 1 and 3 from the source, 2 from a buffer (from half its byte
// offset): the source may be the destination itself, and is never opened
// when no stretch comes from it.
TEST(WriteSoundFile, AssemblesTheThreeStretches) {
  SHORTbuf middle(4, "middle");
  for (int i = 0; i < 4; ++i) middle[i] = static_cast<std::int16_t>(100 + i);
  struct Row {
    const char *source, *target;
    std::int64_t offset1, count1, offset3, count3, offset2, count2;  // count2 0: no buffer
    std::vector<std::int16_t> expected;
  };
  const Row rows[] = {{"in.raw", "out.raw", 0, 4, 8, 4, 2, 4, {10, 11, 101, 102, 14, 15}},
                      {"in.raw", "in.raw", 4, 4, 0, 4, 0, 0, {12, 13, 10, 11}},  // swaps the halves of its source
                      {"missing.raw", "only.raw", 0, 0, 0, 0, 0, 8, {100, 101, 102, 103}}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.target);
    test::TempDir dir;
    test::writeBytes(dir / "in.raw", test::wordBytes({10, 11, 12, 13, 14, 15}, false));
    ScopedRecorder rec;
    writeSoundFile w(rawFile(dir / r.target, 16, 0, 0));
    w.setSource(rawFile(dir / r.source, 16, 0, 12), r.offset1, r.count1, r.offset3, r.count3);
    if (r.count2 > 0) w.setMiddleBuffer(middle, r.offset2, r.count2);
    ASSERT_EQ(w.flush(), 0);
    EXPECT_EQ(test::readBytes(dir / r.target), test::wordBytes(r.expected, false));
    EXPECT_TRUE(rec->reports().empty());
  }
}

class FailingFlush : public ::testing::Test {
 protected:
  void SetUp() override {
    test::loadSignalTexts();
    test::writeBytes(dir_ / "in.raw", test::wordBytes(randomWords(100000, 16, 3), false));
    test::writeFile(dir_ / "old.wav", "previous content");
  }
  test::TempDir dir_;
};

// Unwritable places, a source that ends early, and a write that fails half
// way, converted through memory (12 bits) or copied by the system (16 bits):
// each reported once (with the system's reason), the previous file kept.
TEST_F(FailingFlush, FailuresAreReportedOnceAndKeepThePreviousFile) {
  struct Case {
    std::filesystem::path target;
    int bits, swap;
    std::int64_t length;
    std::uint64_t sizeLimit;  // 0: none
    const char* caption;      // nullptr: not checked
    std::string reason;
  };
  const char* flush = "writeSoundFile::flush()";
  const std::string tooLarge = std::strerror(EFBIG);
  for (const Case& c : {Case{dir_ / "in.raw" / "x.wav", 16, 0, 200000, 0, flush, ""},
                        Case{dir_ / "none" / "x.wav", 16, 0, 200000, 0, flush, ""},
                        Case{dir_ / "old.wav", 12, 1, 200002, 0, "copyHFileToHFile()", ""},
                        Case{dir_ / "old.wav", 12, 0, 200000, 65536, nullptr, tooLarge},
                        Case{dir_ / "old.wav", 16, 0, 200000, 65536, nullptr, tooLarge}}) {
    SCOPED_TRACE(c.target.string() + " " + std::to_string(c.bits));
    int result = -1;
    std::vector<Report> seen;
    {
      std::optional<test::FileSizeLimit> limit;
      if (c.sizeLimit) limit.emplace(c.sizeLimit);
      ScopedRecorder rec;
      writeSoundFile w(rawFile(c.target, 16, 0, 0));
      w.setSource(rawFile(dir_ / "in.raw", c.bits, c.swap, c.length), 0, c.length, 0, 0);
      result = w.flush();
      seen = rec->reports();
    }
    EXPECT_EQ(result, 1);
    ASSERT_EQ(seen.size(), 1u);
    if (c.caption) {
      EXPECT_EQ(seen[0].caption, c.caption);
    }
    EXPECT_NE(seen[0].text.find(c.reason), std::string::npos) << seen[0].text;
  }
  EXPECT_EQ(test::readFile(dir_ / "old.wav"), "previous content");
  EXPECT_EQ(test::entries(dir_.path()), (std::set<std::string>{"in.raw", "old.wav"}));
}

namespace fs = std::filesystem;

TEST(WritableTarget, AnswersForEachKindOfName) {
  test::TempDir tmp;
  test::writeFile(tmp / "existing.wav", "x");
  test::writeFile(tmp / "readonly.wav", "x");
  fs::permissions(tmp / "readonly.wav", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::create_directory(tmp / "dir");
  const std::pair<std::string, bool> cases[] = {
      {"", false}, {(tmp / "existing.wav").string(), true}, {(tmp / "new.wav").string(), true},
      {(tmp / "readonly.wav").string(), false}, {(tmp / "dir").string(), false}, {(tmp / "dir").string() + "/", false},
      {(tmp / "missing" / "new.wav").string(), false}, {(tmp / "existing.wav" / "below.wav").string(), false}};
  for (const auto& [name, expected] : cases) EXPECT_EQ(isWritableTarget(name), expected) << name;
}

TEST(WritableTarget, WarningVariantNamesTheFileAndTheReason) {
  textTable().loadText("3601, \" cannot be written\"\n", "test");
  ScopedRecorder rec;
  EXPECT_FALSE(isWritableTargetWarn("/no/such/dir/x.wav"));
  ASSERT_EQ(rec->count(ReportKind::Warning), 1u);
  EXPECT_EQ(rec->reports()[0].text, "/no/such/dir/x.wav cannot be written (No such file or directory)");
  textTable().clear();
}

// One file whatever the spelling: links, "." and "..", names not yet made.
TEST(WritableTarget, SameOutputFollowsLinksAndSpellings) {
  test::TempDir tmp;
  test::writeFile(tmp / "a", "a");
  test::writeFile(tmp / "b", "b");
  fs::create_hard_link(tmp / "a", tmp / "hard");
  fs::create_symlink("a", tmp / "sym");
  fs::create_symlink("new", tmp / "dangling");
  fs::create_directory(tmp / "d");
  const auto t = [&](const char* name) { return (tmp / name).string(); };
  const std::tuple<std::string, std::string, bool> cases[] = {
      {t("a"), t("hard"), true},      {t("a"), t("sym"), true},         {t("a"), t("d/../a"), true},
      {t("a"), t("b"), false},        {t("new"), t("d/../new"), true},  {t("dangling"), t("new"), true},
      {t("new"), t("d/new"), false},  {t("new"), t("other"), false},    {t("d/new"), t("./d/new"), true}};
  for (const auto& [a, b, same] : cases) EXPECT_EQ(sameOutput(a, b), same) << a << " " << b;
}

using test::entries;

// Whatever the name leads to, the new content arrives there and the name
// keeps its kind; a replaced file keeps its mode and owner; no temporary file
// is left.
TEST(ReplacingFile, WritesWhereTheNameLeadsAndKeepsItsKind) {
  test::TempDir tmp;
  for (const char* name : {"private", "real"}) test::writeFile(tmp / name, "old");
  ASSERT_EQ(chmod((tmp / "private").c_str(), 0600) | chown((tmp / "private").c_str(), 1234, 5678), 0);  // as root
  fs::create_symlink("real", tmp / "link");
  fs::create_symlink("absent", tmp / "dangling");
  fs::create_symlink("/dev/null", tmp / "null");
  ASSERT_EQ(mkfifo((tmp / "fifo").c_str(), 0644), 0);
  struct Case {
    const char* name;
    const char* readBack;  // the file that holds the content afterwards; "": read from the FIFO meanwhile
    fs::file_type kind;    // of `name` afterwards
  };
  for (const Case& c : {Case{"new", "new", fs::file_type::regular}, Case{"private", "private", fs::file_type::regular},
                        Case{"link", "real", fs::file_type::symlink}, Case{"dangling", "absent", fs::file_type::symlink},
                        Case{"null", nullptr, fs::file_type::symlink}, Case{"fifo", "", fs::file_type::fifo}}) {
    const std::string content = std::string("new ") + c.name;
    std::string fromFifo;
    std::thread reader([&] { fromFifo = c.readBack && !*c.readBack ? test::readFile(tmp / "fifo") : content; });
    ReplacingFile out(tmp / c.name);
    // Written over once: a FIFO written in place may seek as well.
    EXPECT_TRUE(out.open() && out.write("old ") && out.write(c.name) && out.seek(0) && out.write("new") && out.commit())
        << c.name;
    reader.join();
    EXPECT_EQ(fromFifo, content);
    if (c.readBack && *c.readBack) {
      EXPECT_EQ(test::readFile(tmp / c.readBack), content);
    }
    EXPECT_EQ(fs::symlink_status(tmp / c.name).type(), c.kind) << c.name;
  }
  struct stat st {};
  ASSERT_EQ(stat((tmp / "private").c_str(), &st), 0);
  EXPECT_EQ(std::make_tuple(st.st_mode & 07777, st.st_uid, st.st_gid), std::make_tuple(0600u, 1234u, 5678u));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  // A file held open (">> log" as /dev/stdout) gets the content appended, not replaced.
  test::writeFile(tmp / "log", "before ");
  const int fd = ::open((tmp / "log").c_str(), O_WRONLY | O_APPEND);
  ReplacingFile held("/proc/self/fd/" + std::to_string(fd));
  EXPECT_TRUE(held.open() && held.write("after") && held.commit() && ::close(fd) == 0);
  EXPECT_EQ(test::readFile(tmp / "log"), "before after");
  EXPECT_EQ(entries(tmp.path()), (std::set<std::string>{"absent", "dangling", "fifo", "link", "log", "new", "null", "private", "real"}));
}

// A failure leaves the previous file, no temporary file, and the system's reason.
TEST(ReplacingFile, FailuresKeepThePreviousFileAndGiveTheReason) {
  test::TempDir tmp;
  test::writeFile(tmp / "old", "previous");
  fs::create_symlink("/dev/full", tmp / "full");
  fs::create_directory(tmp / "dir");
  for (const auto& [name, limit, errnum] : {std::tuple{"full", 1 << 30, ENOSPC}, std::tuple{"old", 1000, EFBIG},
                                            std::tuple{"dir", 1 << 30, EISDIR}}) {
    ReplacingFile out(tmp / name);
    const test::FileSizeLimit small(static_cast<std::uint64_t>(limit));
    EXPECT_FALSE(out.open() && out.write(std::string(100000, 'x')) && out.commit()) << name;
    EXPECT_EQ(out.error(), std::strerror(errnum));
  }
  EXPECT_EQ(test::readFile(tmp / "old"), "previous");
  EXPECT_EQ(entries(tmp.path()), (std::set<std::string>{"dir", "full", "old"}));
}

TEST(ReplacingFile, TwoWritersOfOneNameNeverMix) {
  test::TempDir tmp;
  ReplacingFile a(tmp / "out"), b(tmp / "out");
  ASSERT_TRUE(a.open() && b.open());
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(a.write(std::string(100, 'a')) && b.write(std::string(100, 'b')));
  EXPECT_TRUE(a.commit() && b.commit() && test::readFile(tmp / "out") == std::string(100000, 'b'));
  EXPECT_EQ(entries(tmp.path()), std::set<std::string>{"out"});
}

// Two outputs replaced only when both are complete; a pipe written as it
// comes, even when no temporary file can be made.
TEST(ReplacingFile, CompleteWaitsForCommitAndStreamsGoStraightOut) {
  test::TempDir tmp;
  test::writeFile(tmp / "old", "previous");
  {
    ReplacingFile dropped(tmp / "old");
    ASSERT_TRUE(dropped.open() && dropped.write("dropped") && dropped.complete());
    EXPECT_EQ(test::readFile(tmp / "old"), "previous");
  }
  ReplacingFile kept(tmp / "old");
  EXPECT_TRUE(kept.open() && kept.write("new") && kept.complete() && kept.commit());
  EXPECT_EQ(test::readFile(tmp / "old"), "new");
  EXPECT_EQ(entries(tmp.path()), std::set<std::string>{"old"});
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  {
    const test::ScopedEnv noTemp("TMPDIR", (tmp / "missing").string());
    ReplacingFile pipe("/proc/self/fd/" + std::to_string(ends[1]));
    pipe.streamInPlace();
    EXPECT_TRUE(pipe.open() && pipe.write("streamed") && pipe.commit()) << pipe.error();
  }
  ::close(ends[1]);
  char got[16] = {};
  EXPECT_EQ(::read(ends[0], got, sizeof got), 8);
  EXPECT_STREQ(got, "streamed");
  ::close(ends[0]);
}

TEST(ReplacingFile, EndingSignalsRemoveTheTemporaryFile) {
  for (int sig : {SIGINT, SIGTERM, SIGXFSZ}) {
    test::TempDir tmp;
    test::writeFile(tmp / "old", "previous");
    const pid_t child = fork();
    if (child == 0) {
      std::signal(sig, SIG_DFL);  // as in a program started from a terminal
      const rlimit noCore{0, 0};
      setrlimit(RLIMIT_CORE, &noCore);  // SIGXFSZ would dump one
      ReplacingFile out(tmp / "old");
      if (out.open() && out.write(std::string(100000, 'x')) && out.descriptor() >= 0) std::raise(sig);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
    EXPECT_EQ(entries(tmp.path()), std::set<std::string>{"old"}) << sig;
    EXPECT_EQ(test::readFile(tmp / "old"), "previous");
  }
}

}  // namespace
}  // namespace ardv
