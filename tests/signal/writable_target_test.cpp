#include "signal/writable_target.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "signal/replacing_file.h"

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;

TEST(WritableTarget, AnswersForEachKindOfName) {
  test::TempDir tmp;
  test::writeFile(tmp / "existing.wav", "x");
  test::writeFile(tmp / "readonly.wav", "x");
  fs::permissions(tmp / "readonly.wav", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::create_directory(tmp / "dir");
  struct Case {
    std::string name;
    bool expected;
  };
  const Case cases[] = {
      {"", false},
      {(tmp / "existing.wav").string(), true},
      {(tmp / "new.wav").string(), true},
      {(tmp / "readonly.wav").string(), false},
      {(tmp / "dir").string(), false},
      {(tmp / "dir").string() + "/", false},
      {(tmp / "missing" / "new.wav").string(), false},
      {(tmp / "existing.wav" / "below.wav").string(), false},
  };
  for (const auto& c : cases) EXPECT_EQ(isWritableTarget(c.name), c.expected) << c.name;
}

TEST(WritableTarget, WarningVariantNamesTheFile) {
  textTable().loadText("3601, \" cannot be written\"\n", "test");
  ScopedRecorder rec;
  EXPECT_FALSE(isWritableTargetWarn("/no/such/dir/x.wav"));
  ASSERT_EQ(rec->count(ReportKind::Warning), 1u);
  EXPECT_EQ(rec->reports()[0].text, "/no/such/dir/x.wav cannot be written");
  textTable().clear();
}

std::set<std::string> entries(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

bool writeAll(const fs::path& target, const std::string& content) {
  ReplacingFile out(target);
  return out.open() && out.write(content) && out.commit();
}

// Whatever the name leads to, the new content arrives there and the name
// keeps its kind; a temporary file is never left behind.
TEST(ReplacingFile, WritesWhereTheNameLeadsAndKeepsItsKind) {
  test::TempDir tmp;
  test::writeFile(tmp / "private", "old");
  ASSERT_EQ(chmod((tmp / "private").c_str(), 0600), 0);
  ASSERT_EQ(chown((tmp / "private").c_str(), 1234, 5678), 0);  // the tests run as root
  test::writeFile(tmp / "real", "old");
  fs::create_symlink("real", tmp / "link");
  fs::create_symlink("absent", tmp / "dangling");
  fs::create_symlink("/dev/null", tmp / "null");
  ASSERT_EQ(mkfifo((tmp / "fifo").c_str(), 0644), 0);
  struct Case {
    const char* name;
    const char* readBack;  // the file that holds the content afterwards
    fs::file_type kind;   // of `name` afterwards
  };
  const Case cases[] = {{"new", "new", fs::file_type::regular},
                        {"private", "private", fs::file_type::regular},
                        {"link", "real", fs::file_type::symlink},
                        {"dangling", "absent", fs::file_type::symlink},
                        {"null", nullptr, fs::file_type::symlink},
                        {"fifo", nullptr, fs::file_type::fifo}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string fromFifo;
    std::thread reader;
    if (c.kind == fs::file_type::fifo) reader = std::thread([&] { fromFifo = test::readFile(tmp / "fifo"); });
    EXPECT_TRUE(writeAll(tmp / c.name, std::string("new ") + c.name));
    if (reader.joinable()) {
      reader.join();
      EXPECT_EQ(fromFifo, "new fifo");
    }
    if (c.readBack) {
      EXPECT_EQ(test::readFile(tmp / c.readBack), std::string("new ") + c.name);
    }
    EXPECT_EQ(fs::symlink_status(tmp / c.name).type(), c.kind);
  }
  struct stat st {};
  ASSERT_EQ(stat((tmp / "private").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(st.st_uid, 1234u);
  EXPECT_EQ(st.st_gid, 5678u);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(entries(tmp.path()),
            (std::set<std::string>{"absent", "dangling", "fifo", "link", "new", "null", "private", "real"}));
}

// A failure leaves the previous file as it was, no temporary file, and the
// system's reason.
TEST(ReplacingFile, FailuresKeepThePreviousFileAndGiveTheReason) {
  test::TempDir tmp;
  test::writeFile(tmp / "old", "previous");
  fs::create_symlink("/dev/full", tmp / "full");
  fs::create_directory(tmp / "dir");
  const std::string big(100000, 'x');
  struct Case {
    const char* name;
    std::uint64_t sizeLimit;
    int errnum;
  };
  const Case cases[] = {{"full", 1 << 30, ENOSPC}, {"old", 1000, EFBIG}, {"dir", 1 << 30, EISDIR}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReplacingFile out(tmp / c.name);
    const test::FileSizeLimit limit(c.sizeLimit);
    EXPECT_FALSE(out.open() && out.write(big) && out.commit());
    EXPECT_EQ(out.error(), std::strerror(c.errnum));
  }
  EXPECT_EQ(test::readFile(tmp / "old"), "previous");
  EXPECT_EQ(entries(tmp.path()), (std::set<std::string>{"dir", "full", "old"}));
}

TEST(ReplacingFile, TwoWritersOfOneNameNeverMix) {
  test::TempDir tmp;
  ReplacingFile a(tmp / "out"), b(tmp / "out");
  ASSERT_TRUE(a.open() && b.open());
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(a.write(std::string(100, 'a')) && b.write(std::string(100, 'b')));
  ASSERT_TRUE(a.commit());
  EXPECT_EQ(test::readFile(tmp / "out"), std::string(100000, 'a'));
  ASSERT_TRUE(b.commit());
  EXPECT_EQ(test::readFile(tmp / "out"), std::string(100000, 'b'));
  EXPECT_EQ(entries(tmp.path()), std::set<std::string>{"out"});
}

TEST(ReplacingFile, SigintAndSigtermRemoveTheTemporaryFile) {
  for (int sig : {SIGINT, SIGTERM}) {
    test::TempDir tmp;
    test::writeFile(tmp / "old", "previous");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::signal(sig, SIG_DFL);  // as in a program started from a terminal
      ReplacingFile out(tmp / "old");
      if (out.open() && out.write(std::string(100000, 'x'))) std::raise(sig);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
    EXPECT_EQ(test::readFile(tmp / "old"), "previous");
    EXPECT_EQ(entries(tmp.path()), std::set<std::string>{"old"}) << sig;
  }
}

}  // namespace
}  // namespace ardv
