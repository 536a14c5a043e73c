// Editing the boundary lists: split, remove, move, and cut/paste of a stretch
// against a plain reference model.

#include <gtest/gtest.h>

#include <random>

#include "annotation/notetiqs.h"
#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "tests/annotation/marks.h"

namespace ardv {
namespace {

using Marks = test::MarkMap;
using test::referenceCut;
using test::referencePaste;

Marks toMarks(const notetiqs& list) { return test::markMapOf(list); }

TEST(NotetiqsEdit, SplitMovesTheLabelToTheLargerRightPart) {
  struct Case {
    std::int32_t p;
    Marks expected;
  };
  for (const Case& c : {Case{30, {{0, ""}, {30, "a"}, {100, ""}}}, Case{50, {{0, "a"}, {50, ""}, {100, ""}}},
                        Case{70, {{0, "a"}, {70, ""}, {100, ""}}}}) {
    notetiqs list = test::listOf({{0, "a"}, {100, ""}});
    EXPECT_GE(list.split(c.p), 0);
    EXPECT_EQ(toMarks(list), c.expected) << c.p;
  }
  notetiqs list = test::listOf({{0, "a"}, {100, ""}});
  EXPECT_EQ(list.split(100), -1);
}

TEST(NotetiqsEdit, RemoveKeepsEveryLabel) {
  textTable().loadText("5601, \"both labelled\"\n", "test");
  ScopedRecorder rec;
  notetiqs moved = test::listOf({{0, ""}, {100, "b"}, {200, ""}});
  EXPECT_TRUE(moved.remove(90));
  EXPECT_EQ(toMarks(moved), (Marks{{0, "b"}, {200, ""}}));

  notetiqs both = test::listOf({{0, "a"}, {100, "b"}, {200, ""}});
  EXPECT_FALSE(both.remove(110));
  EXPECT_EQ(toMarks(both), (Marks{{0, "a"}, {100, "b"}, {200, ""}}));
  EXPECT_TRUE(rec->saw("both labelled"));

  notetiqs lastAfterLabel = test::listOf({{0, "a"}, {100, ""}});
  EXPECT_FALSE(lastAfterLabel.remove(99));
  EXPECT_TRUE(lastAfterLabel.remove(0));  // the first boundary always goes
  EXPECT_EQ(toMarks(lastAfterLabel), (Marks{{100, ""}}));
  EXPECT_EQ(rec->count(ReportKind::Message), 2u);
  notetiqs none;
  EXPECT_FALSE(none.remove(5));
}

TEST(NotetiqsEdit, MoveTakesTheNearestBoundary) {
  notetiqs list = test::listOf({{0, "a"}, {100, "b"}, {200, ""}});
  EXPECT_EQ(list.move(140), 1);
  EXPECT_EQ(list.move(171), 2);
  EXPECT_EQ(toMarks(list), (Marks{{0, "a"}, {140, "b"}, {171, ""}}));
}

TEST(NotetiqsEdit, CutsOfStraddledStretches) {
  // 0 "a" 100 "b" 200 "c" 300, cut [a, b): what stays and what the clip gets.
  struct Case {
    std::int32_t a, b;
    Marks kept, clip;
  };
  for (const Case& c : {
           // the end of b and most of c: no duplicate boundary; b keeps its label (its middle is a)
           Case{150, 260, {{0, "a"}, {100, "b"}, {150, ""}, {190, ""}}, {{50, "c"}, {110, ""}}},
           // b ends exactly at the cut's end: it keeps its label
           Case{120, 200, {{0, "a"}, {100, "b"}, {120, "c"}, {220, ""}}, {}},
       }) {
    notetiqs list = test::listOf({{0, "a"}, {100, "b"}, {200, "c"}, {300, ""}});
    notetiqs clip;
    list.removeRange(c.a, c.b, &clip);
    EXPECT_EQ(toMarks(list), c.kept) << c.a;
    EXPECT_EQ(toMarks(clip), c.clip) << c.a;
  }
}

struct RandomList {
  Marks marks;
  std::vector<std::int32_t> positions;
};

RandomList randomList(std::mt19937& rng) {
  RandomList r;
  std::uniform_int_distribution<int> gap(1, 40), labelled(0, 2);
  std::int32_t p = std::uniform_int_distribution<int>(0, 20)(rng);
  const int n = std::uniform_int_distribution<int>(0, 12)(rng);
  for (int i = 0; i < n; ++i) {
    r.marks[p] = labelled(rng) ? "l" + std::to_string(i) : "";
    r.positions.push_back(p);
    p += gap(rng);
  }
  if (!r.marks.empty()) r.marks.rbegin()->second.clear();
  return r;
}

TEST(NotetiqsEdit, RandomCutsAndPastesFollowTheReference) {
  std::mt19937 rng(77);
  for (int round = 0; round < 3000; ++round) {
    RandomList r = randomList(rng);
    std::uniform_int_distribution<std::int32_t> where(-5, 400), len(0, 120);
    const std::int32_t a = where(rng), b = a + len(rng);
    notetiqs list = test::listOf(r.marks);
    notetiqs clip;
    list.removeRange(a, b, &clip);
    ASSERT_EQ(toMarks(list), referenceCut(r.marks, a, b)) << round;
    for (int k = 1; k < list.count(); ++k) ASSERT_LT(list.position(k - 1), list.position(k));
    for (const notetiq& c : clip.items()) ASSERT_TRUE(c.limite >= 0 && c.limite <= std::max(b - a, 0));
    ASSERT_EQ(toMarks(clip), test::referenceExtract(r.marks, a, b)) << round;

    const std::int32_t p = where(rng), length = len(rng);
    notetiqs pasted = test::listOf(r.marks);
    ASSERT_TRUE(pasted.insertList(p, length, clip));
    ASSERT_EQ(toMarks(pasted), referencePaste(r.marks, p, length, toMarks(clip))) << round;
  }
}

TEST(NotetiqsEdit, CutOnBoundariesThenPasteBackRestoresExactly) {
  std::mt19937 rng(5);
  int checked = 0;
  for (int round = 0; round < 2000; ++round) {
    RandomList r = randomList(rng);
    if (r.positions.size() < 2) continue;
    std::uniform_int_distribution<std::size_t> pick(0, r.positions.size() - 1);
    std::size_t i = pick(rng), j = pick(rng);
    if (i > j) std::swap(i, j);
    if (i == j) continue;
    const std::int32_t a = r.positions[i], b = r.positions[j];
    notetiqs list = test::listOf(r.marks);
    notetiqs clip;
    list.removeRange(a, b, &clip);
    ASSERT_TRUE(list.insertList(a, b - a, clip));
    ASSERT_EQ(toMarks(list), r.marks) << round;
    ++checked;
  }
  EXPECT_GT(checked, 1000);
}

}  // namespace
}  // namespace ardv
