#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include "platform/headless/recording_reporter.h"
#include "platform/report.h"

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

TEST(IniSection, MissingFileGivesNothing) {
  EXPECT_FALSE(IniSection::read("/no/such/ardv.ini", "Ardelovox").has_value());
}

TEST(Report, CaptionsAndFatalRequest) {
  ScopedRecorder rec;
  ReportCaptions saved = reportCaptions();
  setReportCaptions(ReportCaptions{});
  fatal("early");
  EXPECT_TRUE(fatalRequested());
  setReportCaptions(ReportCaptions{"Fatal", "Message", "Warning"});
  message("m");
  warn("w");
  debugMessage("b");
  ASSERT_EQ(rec->reports().size(), 4u);
  EXPECT_EQ(rec->reports()[0].caption, "fatal error, exit Ardelovox");
  EXPECT_EQ(rec->reports()[1].caption, "Message");
  EXPECT_EQ(rec->reports()[2].caption, "Warning");
  EXPECT_EQ(rec->reports()[3].caption, "bug");
  setReportCaptions(saved);
}

TEST(Report, DebugLevelIsClamped) {
  setDebugLevel(250);
  EXPECT_EQ(debugLevel(), 100);
  setDebugLevel(-3);
  EXPECT_EQ(debugLevel(), 0);
}

}  // namespace
}  // namespace ardv
