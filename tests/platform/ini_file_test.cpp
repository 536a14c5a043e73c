#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/headless/recording_reporter.h"
#include "platform/report.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace ardv {
namespace {

TEST(IniSection, ReadsOnlyTheWantedSectionIgnoringCase) {
  const char* text =
      "; comment\n"
      "[Other]\nCountryFile=wrong.txt\n"
      "[ ARDELOVOX ]\r\n"
      "  countryfile =  english.txt  \r\n"
      "LanguageFile=\"french.lng\"\n"
      "PhoneticFont=\n"
      "garbage line\n"
      "CountryFile=second.txt\n"
      "[Next]\nSndRecorder=x\n";
  IniSection s = IniSection::parse(text, "Ardelovox");
  EXPECT_EQ(s.value("CountryFile"), "english.txt");
  EXPECT_EQ(s.value("LANGUAGEFILE"), "french.lng");
  EXPECT_TRUE(s.has("PhoneticFont"));
  EXPECT_EQ(s.value("PhoneticFont", "fallback"), "");
  EXPECT_FALSE(s.has("SndRecorder"));
  EXPECT_EQ(s.value("SndRecorder", "none"), "none");
}

// Only regular files are read: a device or a FIFO would block or feed bytes
// without end (directories and sizes: texts_test).
TEST(IniSection, ReadsOnlyRegularFilesOfBoundedSize) {
  test::TempDir dir;
  test::writeFile(dir / "ardv.ini", "[Ardelovox]\nCountryFile=c.txt\n");
  std::filesystem::create_symlink("/dev/zero", dir / "zero.ini");
  ASSERT_EQ(::mkfifo((dir / "fifo.ini").c_str(), 0600), 0);
  const std::pair<const char*, const char*> rows[] = {
      {"ardv.ini", nullptr}, {"zero.ini", "a device"}, {"fifo.ini", "a pipe"}, {"absent.ini", "No such file"}};
  for (const auto& [name, reason] : rows) {
    std::string why;
    const auto section = IniSection::read(dir / name, "Ardelovox", &why);
    EXPECT_EQ(section.has_value(), reason == nullptr) << name;
    if (reason) {
      EXPECT_NE(why.find(reason), std::string::npos) << name << ": " << why;
    }
  }
  EXPECT_EQ(IniSection::read(dir / "ardv.ini", "Ardelovox")->value("CountryFile"), "c.txt");
}

TEST(Report, CaptionsFatalRequestAndDebugLevel) {
  ScopedRecorder rec;
  const ReportCaptions saved = reportCaptions();
  setReportCaptions(ReportCaptions{});
  fatal("early");  // before a country file is read: the built-in caption
  EXPECT_TRUE(fatalRequested());
  setReportCaptions(ReportCaptions{"Fatal", "Message", "Warning"});
  message("m");
  warn("w");
  debugMessage("b");
  std::vector<std::string> captions;
  for (const Report& r : rec->reports()) captions.push_back(r.caption);
  EXPECT_EQ(captions, (std::vector<std::string>{"fatal error, exit Ardelovox", "Message", "Warning", "bug"}));
  setReportCaptions(saved);
  for (const auto& [level, kept] : {std::pair{250, 100}, {-3, 0}}) {
    setDebugLevel(level);
    EXPECT_EQ(debugLevel(), kept);
  }
}

}  // namespace
}  // namespace ardv
