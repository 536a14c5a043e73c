// Reading profile fields and profile texts: each value form, each malformed
// line with its message, and the values taken for a file.
#include "signal/profile_field.h"

#include <gtest/gtest.h>

#include "platform/headless/recording_reporter.h"
#include "tests/signal/signal_test_support.h"

namespace ardv {
namespace {

TEST(LireChamp, ReadsEachValueForm) {
  test::loadSignalTexts();
  ScopedRecorder rec;
  FieldValue f;
  ASSERT_TRUE(lire_champ("v, SOF-1024", f));
  EXPECT_EQ(f.kind, 'n');
  ExpressionVariables vars{};
  vars[kExpressionVariables - 1] = 5024;
  EXPECT_EQ(fieldValue(f, &vars)->number, 4000);

  ASSERT_TRUE(lire_champ("\"say \"\"oui\"\"\" and the rest", f));
  EXPECT_EQ(f.kind, 'c');
  EXPECT_EQ(f.text, "say \"oui\"");

  f.wanted = 'n';
  ASSERT_TRUE(lire_champ("\"22050\"", f));
  EXPECT_EQ(fieldValue(f, nullptr)->number, 22050);
  EXPECT_TRUE(rec->reports().empty());
}

TEST(LireChamp, CutsLongStringsAt299Characters) {
  FieldValue f;
  ASSERT_TRUE(lire_champ("\"" + std::string(400, 'x') + "\"", f));
  EXPECT_EQ(f.text.size(), kProfileStringMax);
}

struct LineCase {
  const char* line;
  const char* message;  // nullptr: absent without a message
};
class MalformedField : public ::testing::TestWithParam<LineCase> {};

TEST_P(MalformedField, LeavesTheFieldAbsent) {
  test::loadSignalTexts();
  ScopedRecorder rec;
  Profile p;
  p.name = "bad";
  const int faults = parseProfileText(std::string("nb_bits = v, 12\n") + GetParam().line + "\n", p);
  EXPECT_FALSE(fieldValue(p.fields[kFieldDebut], nullptr).has_value());
  EXPECT_EQ(fieldValue(p.fields[kFieldNbBits], nullptr)->number, 12);  // the other lines still count
  if (GetParam().message) {
    EXPECT_EQ(faults, 1);
    EXPECT_EQ(rec->count(ReportKind::Message), 1u);
    EXPECT_TRUE(rec->saw(GetParam().message)) << GetParam().line;
  } else {
    EXPECT_EQ(faults, 0);
    EXPECT_TRUE(rec->reports().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Table, MalformedField,
                         ::testing::Values(LineCase{"debut =", "T5004 T5001"}, LineCase{"debut = v 1024", "T5004 T5002"},
                                           LineCase{"debut = v, 1+", "Incomplete"},
                                           LineCase{"start = v, 1024", "T5004 T5003"},
                                           LineCase{"debut = 1024", nullptr}, LineCase{"   ", nullptr}));

TEST(ProfileText, ReadsAllFiveFieldsWithWindowsLineEnds) {
  Profile p;
  p.name = "sphere";
  EXPECT_EQ(parseProfileText("frequence = v, 16000\r\nnb_bits=v,12\r\n\r\ndebut = v, 1024\r\n"
                             "longueur = v, SOF-1024\r\nsignal_swap = \"oui\"\r\n",
                             p),
            0);
  ExpressionVariables vars{};
  vars[kExpressionVariables - 1] = 5024;
  EXPECT_EQ(fieldValue(p.fields[kFieldFrequence], &vars)->number, 16000);
  EXPECT_EQ(fieldValue(p.fields[kFieldNbBits], &vars)->number, 12);
  EXPECT_EQ(fieldValue(p.fields[kFieldDebut], &vars)->number, 1024);
  EXPECT_EQ(fieldValue(p.fields[kFieldLongueur], &vars)->number, 4000);
  EXPECT_EQ(fieldValue(p.fields[kFieldSignalSwap], &vars)->text, "oui");
  EXPECT_EQ(p.name, "sphere");
}

}  // namespace
}  // namespace ardv
