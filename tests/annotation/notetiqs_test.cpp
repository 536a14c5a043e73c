// Boundary lists: ordering, lookup rules (ties, truncated middles) and the
// out-of-range faults.

#include "annotation/notetiqs.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <set>
#include <string>

#include "platform/headless/recording_reporter.h"
#include "tests/annotation/marks.h"

namespace ardv {
namespace {

notetiqs listAt(std::initializer_list<std::int32_t> positions) {
  notetiqs list;
  for (std::int32_t p : positions) list.insertOrGet(p);
  return list;
}

struct LookupCase {
  std::int32_t p;
  int findLE;
  int nearest;
};

class NotetiqsLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(NotetiqsLookup, FindsLastAtOrBeforeAndNearest) {
  notetiqs list = listAt({0, 100, 200});
  EXPECT_EQ(list.findLE(GetParam().p), GetParam().findLE);
  EXPECT_EQ(list.nearest(GetParam().p), GetParam().nearest);
}

// Middles are 50 and 150; a position exactly at a middle belongs to the earlier boundary.
INSTANTIATE_TEST_SUITE_P(Table, NotetiqsLookup,
                         ::testing::Values(LookupCase{-1, -1, 0}, LookupCase{0, 0, 0}, LookupCase{50, 0, 0},
                                           LookupCase{51, 0, 1}, LookupCase{100, 1, 1}, LookupCase{150, 1, 1},
                                           LookupCase{151, 1, 2}, LookupCase{5000, 2, 2}));

TEST(Notetiqs, MiddleOfNegativePositionsTruncatesTowardZero) {
  notetiqs list = listAt({-3, 0});  // middle (-3 + 0) / 2 = -1, not -2
  EXPECT_EQ(list.nearest(-1), 0);
  EXPECT_EQ(list.nearest(-2), 0);
  EXPECT_EQ(list.nearest(-3), 0);
  EXPECT_EQ(notetiqs().nearest(10), -1);  // empty list: no boundary at all
}

TEST(Notetiqs, InsertOrGetReturnsExistingAndInsertNewRefusesIt) {
  notetiqs list = listAt({100, 0});
  ASSERT_TRUE(list.SetText(0, "a"));
  EXPECT_EQ(list.insertOrGet(0), 0);
  EXPECT_EQ(list.Text(0), "a");
  EXPECT_EQ(list.insertNew(100), -1);
  EXPECT_EQ(list.count(), 2);
  EXPECT_EQ(list.insertNew(50), 1);
  EXPECT_EQ(list.position(1), 50);
  EXPECT_EQ(list.Text(1), "");
  EXPECT_EQ(list.segmentCount(), 2);
}

// A batch merged at once gives the list that insertOrGet/SetText in turn give,
// onto a list that already has boundaries (the last text given for a position wins).
TEST(Notetiqs, RandomInsertionsStaySortedAndUniqueOneByOneOrInABatch) {
  std::mt19937 rng(1234);
  std::uniform_int_distribution<std::int32_t> pick(-50, 50);
  notetiqs list = listAt({-7, 3}), batched = list;
  list.SetText(0, "old");
  batched.SetText(0, "old");
  MarkBatch batch;
  std::set<std::int32_t> seen{-7, 3};
  for (int i = 0; i < 300; ++i) {
    const std::int32_t p = pick(rng);
    const int index = list.insertOrGet(p);
    ASSERT_GE(index, 0);
    EXPECT_EQ(list.position(index), p);
    seen.insert(p);
    if (i % 3 != 0) batch.add(p);
    if (i % 3 == 0 && list.SetText(index, std::to_string(i))) batch.add(p, std::to_string(i));
  }
  std::vector<std::int32_t> positions;
  for (const notetiq& b : list.items()) positions.push_back(b.limite);
  ASSERT_EQ(positions, std::vector<std::int32_t>(seen.begin(), seen.end()));
  for (std::int32_t p = -60; p <= 60; ++p)  // findLE: the last boundary at or before p
    EXPECT_EQ(list.findLE(p), static_cast<int>(std::distance(seen.begin(), seen.upper_bound(p))) - 1) << p;
  ASSERT_TRUE(batch.mergeInto(batched));
  EXPECT_EQ(test::marksOf(batched), test::marksOf(list));
}

struct FitCase {
  const char* what;
  test::Marks in, out;
  std::int64_t tf;
  int outside, dropped;
};

class FitToSignal : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitToSignal, ClampsMergesAndCloses) {
  const FitCase& c = GetParam();
  notetiqs list = test::listOf(c.in);
  const FitCount count = fitToSignal(list, c.tf);
  EXPECT_EQ(test::marksOf(list), c.out) << c.what;
  EXPECT_EQ(count.outside, c.outside) << c.what;
  EXPECT_EQ(count.labelsDropped, c.dropped) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FitToSignal,
    ::testing::Values(
        FitCase{"segment ending at the end is kept", {{0, "a"}, {100, ""}}, {{0, "a"}, {100, ""}}, 100, 0, 0},
        FitCase{"segment running past the end is closed there", {{0, "a"}, {150, ""}}, {{0, "a"}, {100, ""}}, 100, 1, 0},
        FitCase{"segments wholly past the end go", {{0, "a"}, {90, "b"}, {120, "c"}, {130, ""}},
                {{0, "a"}, {90, "b"}, {100, ""}}, 100, 2, 1},
        FitCase{"labelled last boundary gets a closing one", {{0, "a"}, {40, "b"}}, {{0, "a"}, {40, "b"}, {100, ""}}, 100, 0, 0},
        FitCase{"label at the very end is dropped", {{0, "a"}, {100, "b"}}, {{0, "a"}, {100, ""}}, 100, 0, 1},
        FitCase{"negative start moves to 0", {{-50, "x"}, {10, "y"}, {20, ""}}, {{0, "x"}, {10, "y"}, {20, ""}}, 100, 1, 0},
        FitCase{"segment wholly before 0 goes", {{-50, "x"}, {0, "y"}, {20, ""}}, {{0, "y"}, {20, ""}}, 100, 1, 1},
        FitCase{"unknown length: only negatives", {{-5, "x"}, {3000, "y"}}, {{0, "x"}, {3000, "y"}}, 0, 1, 0}));

TEST(Notetiqs, OutOfRangeIndicesAreInternalFaultsAndChangeNothing) {
  ScopedRecorder rec;
  notetiqs list = listAt({0, 10});
  EXPECT_FALSE(list.SetText(2, "x"));
  EXPECT_TRUE(rec->saw("notetiqs::SetText(n,texte) : n out of range"));
  EXPECT_EQ(list.Text(-1), "");
  EXPECT_TRUE(rec->saw("notetiqs::Text(n) : n out of range"));
  EXPECT_EQ(rec->count(ReportKind::Bug), 2u);
  EXPECT_EQ(rec->reports().size(), 2u);
  EXPECT_EQ(list.Text(0), "");
  EXPECT_EQ(list.Text(1), "");
}

}  // namespace
}  // namespace ardv
