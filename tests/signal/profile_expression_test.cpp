// Profile expressions: values worked out by hand, malformed text refused with
// its message, the stacks never overrun, no value past division by zero or
// overflow.
#include "signal/profile_expression.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "platform/headless/recording_reporter.h"
#include "platform/report.h"
#include "tests/signal/signal_test_support.h"

namespace ardv {
namespace {

class Expression : public ::testing::Test {
 protected:
  void SetUp() override { test::loadSignalTexts(); }
  ScopedRecorder rec;
  CompiledExpression e;
};

// A value worked out by hand, or none (division by zero, overflow) with the
// reason and without a message.
struct ValueCase {
  const char* text;
  std::int64_t fileSize;
  std::int64_t expected;
  const char* reason = nullptr;  // no value
};
class ExpressionValue : public Expression, public ::testing::WithParamInterface<ValueCase> {};

TEST_P(ExpressionValue, EvaluatesAsWorkedOut) {
  ASSERT_TRUE(en_post(GetParam().text, e));
  ExpressionVariables vars{};
  vars[0] = 3;  // a
  vars[1] = 5;  // b
  vars[kExpressionVariables - 1] = GetParam().fileSize;
  std::string why;
  const std::optional<std::int64_t> value = evaluate(e, &vars, &why);
  if (GetParam().reason) {
    EXPECT_FALSE(value.has_value());
    EXPECT_NE(why.find(GetParam().reason), std::string::npos) << why;
  } else {
    EXPECT_EQ(value, GetParam().expected);
  }
  EXPECT_TRUE(rec->reports().empty());
}

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
INSTANTIATE_TEST_SUITE_P(
    Table, ExpressionValue,
    ::testing::Values(ValueCase{"(2+3)*4", 0, 20}, ValueCase{"2+3*4", 0, 14}, ValueCase{"8-2-1", 0, 5},
                      ValueCase{"7/2", 0, 3}, ValueCase{"SOF-1024", 5024, 4000}, ValueCase{"1024", 5024, 1024},
                      ValueCase{" ((1)) ", 0, 1}, ValueCase{"24/4/2", 0, 3}, ValueCase{"a*b-SOF/2", 10, 10},
                      ValueCase{"1-7/2", 0, -2}, ValueCase{"(SOF-44)/2", 144, 50},
                      ValueCase{"10/(SOF-SOF)+1", kMax, 0, "division by zero"},
                      ValueCase{"2147483647*2147483647*2147483647", kMax, 0, "beyond 64 bits"},
                      ValueCase{"0-2147483647*2147483647*2147483647", kMax, 0, "beyond 64 bits"},
                      ValueCase{"SOF+SOF", kMax, 0, "beyond 64 bits"}));

struct BadCase {
  const char* text;
  const char* message;
};
class ExpressionRefused : public Expression, public ::testing::WithParamInterface<BadCase> {};

TEST_P(ExpressionRefused, ReportsAndLeavesTheOutputAlone) {
  ASSERT_TRUE(en_post("42", e));
  EXPECT_FALSE(en_post(GetParam().text, e, "where: "));
  ASSERT_EQ(rec->reports().size(), 1u) << GetParam().text;
  EXPECT_TRUE(rec->saw("where: ")) << GetParam().text;
  EXPECT_TRUE(rec->saw(GetParam().message)) << GetParam().text;
  EXPECT_EQ(evaluate(e, nullptr), 42);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExpressionRefused,
    ::testing::Values(BadCase{"1+", "Incomplete"}, BadCase{"2 3", "Incomplete"}, BadCase{"", "Incomplete"},
                      BadCase{"-5", "Incomplete"},
                      // 21 numbers: the output stack is full
                      BadCase{"1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1+1", "T3703"},
                      // 21 pending operators, each on its own level
                      BadCase{"(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+(+", "T3702"},
                      BadCase{"2 $+ 3", "T3705"}, BadCase{"16000;", "T3705"}, BadCase{"16000)", "without its"},
                      BadCase{"(16000", "without its"},
                      BadCase{"46116860184273879040000000000000", "too large"}, BadCase{"2147483648", "too large"}));

TEST_F(Expression, VariablesWithoutValuesAndUnknownItems) {
  ASSERT_TRUE(en_post("x+1", e));
  EXPECT_TRUE(e.usedVariables[23]);
  EXPECT_EQ(evaluate(e, nullptr), 1);
  EXPECT_TRUE(rec->saw("T3903"));
  e.items.insert(e.items.begin(), ExpressionItem{'?', 0});
  EXPECT_EQ(evaluate(e, nullptr), 1);
  EXPECT_TRUE(rec->saw("T3904"));
  EXPECT_EQ(ctoop('%'), 0);
  EXPECT_TRUE(rec->saw("T3701"));
}

TEST_F(Expression, TracesItsStepsAtLevelFive) {
  setDebugLevel(5);
  en_post("1+b", e);
  setDebugLevel(0);
  EXPECT_TRUE(rec->tracedFragment("en_post(\"1+b\")"));
  EXPECT_TRUE(rec->tracedFragment("ctoop(c=+)"));
  EXPECT_TRUE(rec->tracedFragment("empile_res(type=v,c=1)"));
}

}  // namespace
}  // namespace ardv
