// Boundary lists: ordering, lookup rules (ties, truncated middles) and the
// out-of-range faults.

#include "annotation/notetiqs.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <set>

#include "platform/headless/recording_reporter.h"

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

TEST(Notetiqs, RandomInsertionsStaySortedAndUnique) {
  std::mt19937 rng(1234);
  std::uniform_int_distribution<std::int32_t> pick(-50, 50);
  notetiqs list;
  std::set<std::int32_t> seen;
  for (int i = 0; i < 300; ++i) {
    const std::int32_t p = pick(rng);
    const int index = list.insertOrGet(p);
    ASSERT_GE(index, 0);
    EXPECT_EQ(list.position(index), p);
    seen.insert(p);
  }
  std::vector<std::int32_t> positions;
  for (const notetiq& b : list.items()) positions.push_back(b.limite);
  ASSERT_EQ(positions, std::vector<std::int32_t>(seen.begin(), seen.end()));
  for (std::int32_t p = -60; p <= 60; ++p)  // findLE: the last boundary at or before p
    EXPECT_EQ(list.findLE(p), static_cast<int>(std::distance(seen.begin(), seen.upper_bound(p))) - 1) << p;
}

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
