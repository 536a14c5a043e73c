// Reading profile fields and profile texts: each value form, each malformed
// line with its message, and the values taken for a file.
#include "signal/profile_field.h"

#include <gtest/gtest.h>

#include "platform/headless/recording_reporter.h"
#include "tests/signal/signal_test_support.h"

namespace ardv {
namespace {

// An expression, a quoted string with doubled quotes, a quoted number read as
// a number, a string cut at 299 characters (the rest of the line ignored).
TEST(LireChamp, ReadsEachValueForm) {
  test::loadSignalTexts();
  ScopedRecorder rec;
  ExpressionVariables vars{};
  vars[kExpressionVariables - 1] = 5024;
  struct Row {
    std::string text;
    char kind;
    std::string constant;
    std::int64_t number;  // 0: not a number
  };
  for (const Row& r : {Row{"v, SOF-1024", 'n', "", 4000}, Row{"\"say \"\"oui\"\"\"  ", 'c', "say \"oui\"", 0},
                       Row{"\"22050\"", 'c', "22050", 22050},
                       Row{"\"" + std::string(400, 'x'), 'c', std::string(kProfileStringMax, 'x'), 0}}) {
    FieldValue f;
    ASSERT_TRUE(lire_champ(r.text, f)) << r.text;
    EXPECT_EQ(std::pair(f.kind, f.text), std::pair(r.kind, r.constant)) << r.text;
    std::string fault;
    if (r.number != 0) {
      EXPECT_EQ(fieldValue(f, &vars, fault)->number, r.number) << r.text;
    }
  }
  EXPECT_TRUE(rec->reports().empty());
}

struct LineCase {
  const char* line;
  const char* message;  // nullptr: no message, the field stays absent
  bool failed;          // the debut field is marked failed
};
class MalformedField : public ::testing::TestWithParam<LineCase> {};

TEST_P(MalformedField, NamesTheProfileAndLineAndFailsTheField) {
  test::loadSignalTexts();
  ScopedRecorder rec;
  Profile p;
  p.name = "bad";
  const int faults = parseProfileText(std::string("nb_bits = v, 12\n") + GetParam().line + "\n", p);
  std::string fault;
  const FieldValue& debut = p.fields[kFieldDebut];
  EXPECT_FALSE(fieldValue(debut, nullptr, fault).has_value());
  EXPECT_EQ(debut.failed, GetParam().failed);
  EXPECT_EQ(fault.empty(), !GetParam().failed);
  EXPECT_EQ(fieldValue(p.fields[kFieldNbBits], nullptr, fault)->number, 12);  // the other lines still count
  if (GetParam().message) {
    EXPECT_EQ(faults, 1);
    EXPECT_EQ(rec->count(ReportKind::Message), 1u);
    EXPECT_TRUE(rec->saw("T5004 bad.fmt, line 2: ")) << GetParam().line;
    EXPECT_TRUE(rec->saw(GetParam().message)) << GetParam().line;
  } else {
    EXPECT_EQ(faults, 0);
    EXPECT_TRUE(rec->reports().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, MalformedField,
    ::testing::Values(LineCase{"debut =", "T5001", true}, LineCase{"debut = v 1024", "T5002", true},
                      LineCase{"debut = v, 1+", "Incomplete", true}, LineCase{"debut = v, 1024 #", "T3705", true},
                      LineCase{"debut = \"1024\" 2", "after the closing quote", true},
                      LineCase{"debut = \"1024", "no closing quote", true},
                      LineCase{"debut = 1024", "either", true}, LineCase{"start = v, 1024", "T5003", false},
                      LineCase{"   ", nullptr, false}));

TEST(ProfileText, ReadsAllFiveFieldsWithWindowsLineEnds) {
  Profile p;
  p.name = "sphere";
  EXPECT_EQ(parseProfileText("frequence = v, 16000\r\nnb_bits=v,12\r\n\r\ndebut = v, 1024\r\n"
                             "longueur = v, SOF-1024\r\nsignal_swap = \"oui\"\r\n",
                             p),
            0);
  ExpressionVariables vars{};
  vars[kExpressionVariables - 1] = 5024;
  std::string fault;
  EXPECT_EQ(fieldValue(p.fields[kFieldFrequence], &vars, fault)->number, 16000);
  EXPECT_EQ(fieldValue(p.fields[kFieldNbBits], &vars, fault)->number, 12);
  EXPECT_EQ(fieldValue(p.fields[kFieldDebut], &vars, fault)->number, 1024);
  EXPECT_EQ(fieldValue(p.fields[kFieldLongueur], &vars, fault)->number, 4000);
  EXPECT_EQ(fieldValue(p.fields[kFieldSignalSwap], &vars, fault)->text, "oui");
  EXPECT_EQ(p.name, "sphere");
}

}  // namespace
}  // namespace ardv
