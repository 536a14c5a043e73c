#include "signal/writable_target.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <set>
#include <thread>
#include <tuple>

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "signal/replacing_file.h"
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

TEST(WritableTarget, WarningVariantNamesTheFileAndTheReason) {
  textTable().loadText("3601, \" cannot be written\"\n", "test");
  ScopedRecorder rec;
  EXPECT_FALSE(isWritableTargetWarn("/no/such/dir/x.wav"));
  ASSERT_EQ(rec->count(ReportKind::Warning), 1u);
  EXPECT_EQ(rec->reports()[0].text, "/no/such/dir/x.wav cannot be written (No such file or directory)");
  textTable().clear();
}

std::set<std::string> entries(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

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

TEST(ReplacingFile, SigintAndSigtermRemoveTheTemporaryFile) {
  for (int sig : {SIGINT, SIGTERM}) {
    test::TempDir tmp;
    test::writeFile(tmp / "old", "previous");
    const pid_t child = fork();
    if (child == 0) {
      std::signal(sig, SIG_DFL);  // as in a program started from a terminal
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
