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

notetiqs listAt(const std::vector<std::int32_t>& positions) {
  notetiqs list;
  for (std::int32_t p : positions) list.insertOrGet(p);
  return list;
}

// Middles are 50 and 150, and -1 between -3 and 0 (truncated toward zero); a
// position exactly at a middle belongs to the earlier boundary.
TEST(Notetiqs, FindsLastAtOrBeforeAndNearest) {
  struct Row {
    std::vector<std::int32_t> list;
    std::int32_t p;
    int findLE, nearest;
  };
  const std::vector<std::int32_t> three{0, 100, 200};
  for (const Row& r : {Row{three, -1, -1, 0}, {three, 0, 0, 0}, {three, 50, 0, 0}, {three, 51, 0, 1},
                       {three, 100, 1, 1}, {three, 150, 1, 1}, {three, 151, 1, 2}, {three, 5000, 2, 2},
                       {{-3, 0}, -1, 0, 0}, {{-3, 0}, -2, 0, 0}, {{}, 10, -1, -1}}) {
    const notetiqs list = listAt(r.list);
    EXPECT_EQ(list.findLE(r.p), r.findLE) << r.p;
    EXPECT_EQ(list.nearest(r.p), r.nearest) << r.p;
  }
}

TEST(Notetiqs, InsertOrGetReturnsExistingAndInsertNewRefusesIt) {
  notetiqs list = listAt({100, 0});
  ASSERT_TRUE(list.SetText(0, "a"));
  EXPECT_EQ(list.insertOrGet(0), 0);
  EXPECT_EQ(list.insertNew(100), -1);
  EXPECT_EQ(list.insertNew(50), 1);
  EXPECT_EQ(test::marksOf(list), (test::Marks{{0, "a"}, {50, ""}, {100, ""}}));
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

TEST(Notetiqs, FitToSignalClampsMergesAndCloses) {
  struct Row {
    const char* what;
    test::Marks in, out;
    std::int64_t tf;
    int outside, dropped;
  };
  for (const Row& r : {
           Row{"segment ending at the end is kept", {{0, "a"}, {100, ""}}, {{0, "a"}, {100, ""}}, 100, 0, 0},
           {"segment running past the end is closed there", {{0, "a"}, {150, ""}}, {{0, "a"}, {100, ""}}, 100, 1, 0},
           {"segments wholly past the end go", {{0, "a"}, {90, "b"}, {120, "c"}, {130, ""}},
            {{0, "a"}, {90, "b"}, {100, ""}}, 100, 2, 1},
           {"labelled last boundary gets a closing one", {{0, "a"}, {40, "b"}},
            {{0, "a"}, {40, "b"}, {100, ""}}, 100, 0, 0},
           {"label at the very end is dropped", {{0, "a"}, {100, "b"}}, {{0, "a"}, {100, ""}}, 100, 0, 1},
           {"negative start moves to 0", {{-50, "x"}, {10, "y"}, {20, ""}}, {{0, "x"}, {10, "y"}, {20, ""}}, 100, 1, 0},
           {"segment wholly before 0 goes", {{-50, "x"}, {0, "y"}, {20, ""}}, {{0, "y"}, {20, ""}}, 100, 1, 1},
           {"unknown length: only negatives", {{-5, "x"}, {3000, "y"}}, {{0, "x"}, {3000, "y"}}, 0, 1, 0}}) {
    notetiqs list = test::listOf(r.in);
    const FitCount count = fitToSignal(list, r.tf);
    EXPECT_EQ(test::marksOf(list), r.out) << r.what;
    EXPECT_EQ(count.outside, r.outside) << r.what;
    EXPECT_EQ(count.labelsDropped, r.dropped) << r.what;
  }
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
  EXPECT_EQ(test::marksOf(list), (test::Marks{{0, ""}, {10, ""}}));
}

}  // namespace
}  // namespace ardv
