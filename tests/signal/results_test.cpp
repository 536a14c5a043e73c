#include "signal/results.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

class ResultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    textTable().loadText(
        "201, \"No log\"\n202, \"No results\"\n209, \"Log moved to log.bak\"\n210, \"Log\"\n", "test");
  }
  void TearDown() override { textTable().clear(); }
  ScopedRecorder rec_;
  TempDir tmp_;
};

TEST_F(ResultsTest, TextReachingExactlyTheLimitIsWrittenOneMoreCharacterTruncates) {
  ResultsStream results(tmp_.path());
  ASSERT_TRUE(results.open());
  results.write(std::string(59990, 'a'));
  results.write(std::string(10, 'b'));
  EXPECT_EQ(results.count(), 60000);
  results.write("c");
  EXPECT_EQ(results.count(), -1);
  results.write("dropped");
  results.newline();
  results.close();
  EXPECT_EQ(rec_->reports().size(), 0u);
  const std::string log = readFile(tmp_ / "log.txt");
  EXPECT_EQ(log, "\r\n" + std::string(59990, 'a') + std::string(10, 'b') + "\r\n*** truncated ***");
  EXPECT_FALSE(fs::exists(tmp_ / "results.txt"));
}

// Each close appends to the log; a time line gives milliseconds and the sample.
TEST_F(ResultsTest, ClosingAppendsToTheLogEachTime) {
  for (const char* text : {"first", "second"}) {
    ResultsStream results(tmp_.path());
    results.open();
    results.writeLine(text);
    results.time(8008, 16000.0);  // 500.5 ms rounds away from zero
    results.time(0, 0.0);
    results.close();
  }
  const std::string times = "Date 501 ms (8008 sample)\r\nDate 0 ms (0 sample)\r\n";
  EXPECT_EQ(readFile(tmp_ / "log.txt"), "\r\nfirst\r\n" + times + "\r\nsecond\r\n" + times);
}

// Log and results of 60000 bytes together stay; one more byte moves the log to log.bak.
TEST_F(ResultsTest, LogIsRotatedOnlyWhenResultsWouldPassTheLimit) {
  for (const std::size_t results : {10000, 10001}) {
    const bool rotated = results > 10000;
    TempDir tmp;
    ScopedRecorder rec;
    writeFile(tmp / "log.txt", std::string(50000, 'L'));
    writeFile(tmp / "log.bak", "older");
    writeFile(tmp / "results.txt", std::string(results, 'R'));
    logAppendResults(tmp.path());
    EXPECT_EQ(readFile(tmp / "log.bak"), rotated ? std::string(50000, 'L') : "older");
    EXPECT_EQ(readFile(tmp / "log.txt"), (rotated ? "" : std::string(50000, 'L')) + "\r\n" + std::string(results, 'R'));
    ASSERT_EQ(rec->reports().size(), rotated ? 1u : 0u);
    if (rotated) {
      EXPECT_EQ(rec->reports()[0].caption, "Log");
      EXPECT_EQ(rec->reports()[0].text, "Log moved to log.bak");
    }
  }
}

TEST_F(ResultsTest, MissingOrEmptyResultsChangeNothing) {
  writeFile(tmp_ / "log.txt", "kept");
  logAppendResults(tmp_.path());
  writeFile(tmp_ / "results.txt", "");
  logAppendResults(tmp_.path());
  EXPECT_EQ(readFile(tmp_ / "log.txt"), "kept");
  EXPECT_EQ(rec_->count(ReportKind::Message), 2u);
  EXPECT_TRUE(rec_->saw("No log"));
  fs::remove(tmp_ / "log.txt");
  fs::remove(tmp_ / "results.txt");
  showLog(tmp_.path());
  showResults(tmp_.path());
  ASSERT_EQ(rec_->reports().size(), 4u);
  EXPECT_EQ(rec_->reports()[2].text, "No log");
  EXPECT_EQ(rec_->reports()[3].text, "No results");
}

TEST_F(ResultsTest, UnwritableResultsFileReportsAndStillCounts) {
  ResultsStream results(tmp_ / "no-such-directory");
  EXPECT_FALSE(results.open());
  results.write("abc");
  results.write("de");
  EXPECT_EQ(results.count(), 5);
  EXPECT_EQ(rec_->count(ReportKind::Message), 3u);
  EXPECT_TRUE(rec_->saw("Unable to write in the result file"));
}

}  // namespace
}  // namespace ardv
