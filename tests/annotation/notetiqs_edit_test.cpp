// Editing the boundary lists: split, remove, move, and cut/paste of a stretch
// against a plain reference model.

#include <gtest/gtest.h>

#include <algorithm>
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

// One edit at p: what it returns and the list after (a refused edit changes
// nothing). A split gives the label to the larger right part; a remove keeps
// every label (the first boundary always goes); a move takes the nearest boundary.
TEST(NotetiqsEdit, SplitRemoveAndMoveAtAPosition) {
  textTable().loadText("5601, \"both labelled\"\n", "test");
  enum Op { Split, Remove, Move };
  struct Row {
    Op op;
    Marks in;
    std::int32_t p;
    int result;
    Marks out;
  };
  const Marks a{{0, "a"}, {100, ""}}, ab{{0, "a"}, {100, "b"}, {200, ""}};
  for (const Row& r : {Row{Split, a, 30, 1, {{0, ""}, {30, "a"}, {100, ""}}},
                       {Split, a, 50, 1, {{0, "a"}, {50, ""}, {100, ""}}},
                       {Split, a, 70, 1, {{0, "a"}, {70, ""}, {100, ""}}}, {Split, a, 100, -1, a},
                       {Remove, {{0, ""}, {100, "b"}, {200, ""}}, 90, 1, {{0, "b"}, {200, ""}}},
                       {Remove, ab, 110, 0, ab}, {Remove, a, 99, 0, a}, {Remove, a, 0, 1, {{100, ""}}},
                       {Remove, {{0, ""}, {100, "b"}}, 100, 0, {{0, ""}, {100, "b"}}},
                       {Remove, {}, 5, 0, {}}, {Move, ab, 140, 1, {{0, "a"}, {140, "b"}, {200, ""}}},
                       {Move, ab, 171, 2, {{0, "a"}, {100, "b"}, {171, ""}}}}) {
    ScopedRecorder rec;
    notetiqs list = test::listOf(r.in);
    const int result = r.op == Split ? list.split(r.p) : r.op == Remove ? int{list.remove(r.p)} : list.move(r.p);
    EXPECT_EQ(result, r.result) << r.p;
    EXPECT_EQ(toMarks(list), r.out) << r.p;
    const bool refused = r.op == Remove && r.result == 0 && !r.in.empty();
    EXPECT_EQ(rec->reports().size(), refused ? 1u : 0u) << r.p;
    EXPECT_EQ(rec->saw("both labelled"), refused) << r.p;
  }
}

// Up to 12 boundaries 1 to 40 samples apart, two thirds of the segments labelled.
Marks randomMarks(std::mt19937& rng) {
  Marks marks;
  std::uniform_int_distribution<int> gap(1, 40), labelled(0, 2);
  std::int32_t p = std::uniform_int_distribution<int>(0, 20)(rng);
  const int n = std::uniform_int_distribution<int>(0, 12)(rng);
  for (int i = 0; i < n; ++i, p += gap(rng)) marks[p] = labelled(rng) ? "l" + std::to_string(i) : "";
  if (!marks.empty()) marks.rbegin()->second.clear();
  return marks;
}

// Random cuts and pastes against the reference; a cut from one boundary to a
// later one, pasted back, restores the list exactly.
TEST(NotetiqsEdit, RandomCutsAndPastesFollowTheReference) {
  std::mt19937 rng(77);
  int restored = 0;
  for (int round = 0; round < 3000; ++round) {
    const Marks marks = randomMarks(rng);
    std::uniform_int_distribution<std::int32_t> where(-5, 400), len(0, 120);
    const std::int32_t a = where(rng), b = a + len(rng);
    notetiqs list = test::listOf(marks);
    notetiqs clip;
    list.removeRange(a, b, &clip);
    ASSERT_EQ(toMarks(list), referenceCut(marks, a, b)) << round;
    for (int k = 1; k < list.count(); ++k) ASSERT_LT(list.position(k - 1), list.position(k));
    for (const notetiq& c : clip.items()) ASSERT_TRUE(c.limite >= 0 && c.limite <= std::max(b - a, 0));
    ASSERT_EQ(toMarks(clip), test::referenceExtract(marks, a, b)) << round;

    const std::int32_t p = where(rng), length = len(rng);
    notetiqs pasted = test::listOf(marks);
    ASSERT_TRUE(pasted.insertList(p, length, clip));
    ASSERT_EQ(toMarks(pasted), referencePaste(marks, p, length, toMarks(clip))) << round;

    if (marks.size() < 2) continue;
    std::uniform_int_distribution<std::size_t> pick(0, marks.size() - 1);
    auto [i, j] = std::minmax({pick(rng), pick(rng)});
    if (i == j) continue;
    const std::int32_t from = std::next(marks.begin(), i)->first, to = std::next(marks.begin(), j)->first;
    notetiqs back = test::listOf(marks), taken;
    back.removeRange(from, to, &taken);
    ASSERT_TRUE(back.insertList(from, to - from, taken));
    ASSERT_EQ(toMarks(back), marks) << round;
    ++restored;
  }
  EXPECT_GT(restored, 1500);
}

}  // namespace
}  // namespace ardv
