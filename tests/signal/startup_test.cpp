// Startup (directories and settings from ARDV_HOME, the user's directories
// or the bundled data; what is fatal), and the log and results files.
#include "signal/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "platform/headless/recording_reporter.h"
#include "signal/results.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "texts/texts.h"

namespace ardv {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

const char kIni[] = "[Ardelovox]\nCountryFile=english.txt\nLanguageFile=french.lng\nPhoneticFont=DejaVu Sans\n";

// An installation directory with format/, temp/ and ardv.ini.
void makeInstall(const fs::path& dir, const std::string& ini = kIni) {
  for (const char* sub : {"format", "temp"}) fs::create_directories(dir / sub);
  if (!ini.empty()) writeFile(dir / "ardv.ini", ini);
}

StartupEnvironment environmentIn(const TempDir& tmp, bool withHome) {
  StartupEnvironment env;
  env.bundledData = tmp / "bundled";
  env.userData = tmp / "user-data" / "ardelovox";
  env.userConfig = tmp / "user-config" / "ardelovox";
  if (withHome) env.ardvHome = (tmp / "home").string();
  return env;
}

// A fresh directory with an environment below it, without ARDV_HOME.
class StartupIn : public ::testing::Test {
 protected:
  TempDir tmp;
  StartupEnvironment env = environmentIn(tmp, false);
  ScopedRecorder rec;
  Program prog;
};

TEST_F(StartupIn, ArdvHomeGivesDirectoriesAndSettings) {
  makeInstall(tmp / "home");
  writeFile(tmp / "home" / "temp" / "log.txt", "old log");
  ASSERT_TRUE(runStartup(environmentIn(tmp, true), prog));
  EXPECT_EQ(std::tuple(prog.dirs.format, prog.dirs.temp), std::tuple(tmp / "home" / "format", tmp / "home" / "temp"));
  EXPECT_EQ(std::tuple(prog.settings.countryFile, prog.settings.languageFile, prog.settings.phoneticFont),
            std::tuple("english.txt", "french.lng", "DejaVu Sans"));
  EXPECT_FALSE(fs::exists(tmp / "home" / "temp" / "log.txt")) << "every run starts with an empty log";
  EXPECT_TRUE(rec->reports().empty());
}

// Each missing directory and each missing setting is fatal with its own
// message, in this order.
TEST(Startup, MissingDirectoriesAndSettingsAreFatal) {
  const std::string country = "CountryFile not found in file ardv.ini",
                    language = "LanguageFile not found in file ardv.ini";
  struct Case {
    bool temp, format;
    std::string ini;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {true, false, kIni, {"Format directory ("}},
      {false, true, kIni, {"Temporary directory ("}},
      {false, false, kIni, {"Temporary directory (", "Format directory ("}},
      {true, true, "[Ardelovox]\nLanguageFile=french.lng\n", {country}},
      {true, true, "[Ardelovox]\nCountryFile=english.txt\n", {language}},
      {true, true, "[Other]\nCountryFile=english.txt\nLanguageFile=french.lng\n", {country, language}},
      {true, true, "", {country, language}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini + (c.temp ? " temp" : "") + (c.format ? " format" : ""));
    TempDir tmp;
    if (c.temp) fs::create_directories(tmp / "home" / "temp");
    if (c.format) fs::create_directories(tmp / "home" / "format");
    if (!c.ini.empty() && (c.temp || c.format)) writeFile(tmp / "home" / "ardv.ini", c.ini);
    ScopedRecorder rec;
    Program prog;
    EXPECT_FALSE(runStartup(environmentIn(tmp, true), prog));
    ASSERT_EQ(rec->count(ReportKind::Fatal), c.messages.size());
    for (std::size_t i = 0; i < c.messages.size(); ++i) {
      const std::string& text = rec->reports()[i].text;
      EXPECT_EQ(text.rfind(c.messages[i], 0), 0u) << text;
      EXPECT_EQ(text.find("does not exist") != std::string::npos, !c.temp || !c.format);
    }
    EXPECT_TRUE(fatalRequested());
  }
}

TEST_F(StartupIn, SettingsFallBackToUserConfigDirectory) {
  makeInstall(tmp / "home", "");
  env.ardvHome = (tmp / "home").string();
  fs::create_directories(env.userConfig);
  writeFile(env.userConfig / "ardv.ini", "[ardelovox]\ncountryfile = mine.txt\nLanguageFile=english.lng\n");
  ASSERT_TRUE(runStartup(env, prog));
  EXPECT_EQ(std::tuple(prog.settings.countryFile, prog.settings.languageFile), std::tuple("mine.txt", "english.lng"));
  // One that exists but is a device is fatal, naming it; it is not read.
  fs::create_symlink("/dev/zero", tmp / "home" / "ardv.ini");
  EXPECT_FALSE(runStartup(env, prog));
  EXPECT_TRUE(rec->saw((tmp / "home" / "ardv.ini").string() + ": a device"));
}

// Without ARDV_HOME: fatal without a data directory; writable bundled data is used in place.
TEST_F(StartupIn, WithoutArdvHomeUsesWritableBundledData) {
  EXPECT_FALSE(runStartup(env, prog));
  ASSERT_EQ(rec->count(ReportKind::Fatal), 1u);
  EXPECT_TRUE(rec->saw("ARDV_HOME"));
  makeInstall(env.bundledData);
  ASSERT_TRUE(runStartup(env, prog));
  EXPECT_EQ(prog.dirs.install, env.bundledData);
  EXPECT_FALSE(fs::exists(env.userData));
}

// An installed data directory has no temp/: it is never written, even when
// it could be (root), and the user gets a copy.
TEST_F(StartupIn, BundledDataWithoutTempIsNeverWritten) {
  makeInstall(env.bundledData);
  fs::remove(env.bundledData / "temp");
  ASSERT_TRUE(runStartup(env, prog));
  EXPECT_EQ(prog.dirs.install, env.userData);
  EXPECT_FALSE(fs::exists(env.bundledData / "temp"));
  EXPECT_TRUE(fs::exists(env.userData / "temp"));
}

TEST_F(StartupIn, ReadOnlyBundledDataIsCopiedForTheUserOnce) {
  makeInstall(env.bundledData);
  writeFile(env.bundledData / "format" / "english.txt", "204, \"Message\"\n");
  fs::create_directories(env.bundledData / "help");
  writeFile(env.bundledData / "help" / "index.html", "<html></html>");
  fs::permissions(env.bundledData / "temp", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  ASSERT_TRUE(runStartup(env, prog)) << (rec->reports().empty() ? "" : rec->reports()[0].text);
  EXPECT_EQ(prog.dirs.install, env.userData);
  for (const char* copied : {"format/english.txt", "help/index.html", "temp/"})
    EXPECT_TRUE(fs::exists(env.userData / copied)) << copied;
  EXPECT_EQ(prog.settings.countryFile, "english.txt");

  // A user's own change survives the next start; a file added by an update
  // is copied then.
  test::writeFile(env.userData / "format" / "english.txt", "204, \"Mine\"\n");
  test::writeFile(env.bundledData / "format" / "new.fmt", "frequence = v, 8000\n");
  Program again;
  ASSERT_TRUE(runStartup(env, again));
  EXPECT_EQ(test::readFile(env.userData / "format" / "english.txt"), "204, \"Mine\"\n");
  EXPECT_TRUE(fs::exists(env.userData / "format" / "new.fmt"));
}

TEST_F(StartupIn, EmptyArdvHomeMeansPathsRelativeToWorkingDirectory) {
  makeInstall(tmp.path());
  const auto previous = fs::current_path();
  fs::current_path(tmp.path());
  env.ardvHome = "";
  const bool ok = runStartup(env, prog);
  fs::current_path(previous);
  EXPECT_TRUE(ok);
  EXPECT_EQ(std::tuple(prog.dirs.format, prog.dirs.temp), std::tuple(fs::path("format"), fs::path("temp")));
}

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
