#include "signal/writable_target.h"

#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace ardv
