// Boundary lists: ordering, lookup rules (ties, truncated middles), the
// out-of-range faults, and editing: split, remove, move, cut/paste of a
// stretch against a plain reference model; annotation editing at a position
// (the mouse modes, word and phoneme texts, the phonetic annotator).
#include "labels/notetiqs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <tuple>

#include "annotation/label_editing.h"
#include "annotation/phonetic_annotator.h"
#include "labels/phonetic_description.h"
#include "platform/headless/recording_reporter.h"
#include "signal/program.h"
#include "tests/annotation/marks.h"
#include "texts/texts.h"

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

// A batch merged at once gives the list that insertOrGet/SetText in turn give,
// onto a list that already has boundaries (the last text given for a position
// wins); insertOrGet returns a boundary already there, insertNew refuses it.
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
    const bool there = seen.count(p) > 0;
    const std::string before = there ? list.Text(list.findLE(p)) : "";
    const int index = i % 2 ? list.insertOrGet(p) : list.insertNew(p);
    ASSERT_EQ(index < 0, i % 2 == 0 && there) << p;
    if (index < 0) continue;
    EXPECT_EQ(std::pair(list.position(index), list.Text(index)), std::pair(p, before)) << p;
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
  EXPECT_EQ(std::tuple(rec->count(ReportKind::Bug), rec->reports().size()), std::tuple(2u, 2u));
  EXPECT_EQ(test::marksOf(list), (test::Marks{{0, ""}, {10, ""}}));
}

using test::MarkMap;
using test::referenceCut;
using test::referencePaste;
constexpr auto toMarks = test::markMapOf;

// One edit at p: what it returns and the list after (a refused edit changes
// nothing). A split gives the label to the larger right part; a remove keeps
// every label (the first boundary always goes); a move takes the nearest boundary.
TEST(NotetiqsEdit, SplitRemoveAndMoveAtAPosition) {
  textTable().loadText("5601, \"both labelled\"\n", "test");
  enum Op { Split, Remove, Move };
  struct Row {
    Op op;
    MarkMap in;
    std::int32_t p;
    int result;
    MarkMap out;
  };
  const MarkMap a{{0, "a"}, {100, ""}}, ab{{0, "a"}, {100, "b"}, {200, ""}};
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
MarkMap randomMarks(std::mt19937& rng) {
  MarkMap marks;
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
    const MarkMap marks = randomMarks(rng);
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

class LabelEditing : public ::testing::Test {
 protected:
  void SetUp() override {
    textTable().loadText("2504, \"T2504\"\n2506, \"T2506\"\n3801, \"T3801\"\n3803, \"T3803\"\n5601, \"T5601\"\n", "t");
    phoneticDescription().loadText("phon \"\" \"\"\nphon \"a\" \"\"\nphon \"ai\" \"\"\nphon \"p\" \"\"\nphon \"t\" \"\"\n");
    Program& p = program();
    p.fileLoaded = true;
    p.etiqSaveable = p.noteSaveable = true;
    p.annotationsModified = false;
    p.etiq.clear();
    p.note.clear();
    for (std::int32_t q : {0, 1000, 2000, 3000, 9000}) p.etiq.insertOrGet(q);
  }
  void TearDown() override {
    phoneticDescription().clear();
    program().fileLoaded = false;
  }
};

TEST_F(LabelEditing, MouseModesSplitMoveAndRemove) {
  using enum MouseEditMode;
  for (const auto& [shift, control, mode] :
       {std::tuple{true, false, Split}, {true, true, Remove}, {false, true, Move}, {false, false, None}})
    EXPECT_EQ(mouseEditModeFor(shift, control), mode);
  // Split at 500, move 1000 to 1300, remove the boundary at 500: each edit marks the annotations modified.
  for (const auto& [mode, p] : {std::pair{Split, 500}, {Move, 1300}, {Remove, 480}}) {
    program().annotationsModified = false;
    ASSERT_TRUE(applyMouseEdit(AnnotationPane::Phonemes, mode, p));
    EXPECT_TRUE(program().annotationsModified) << p;
  }
  EXPECT_EQ(test::marksOf(program().etiq), (test::Marks{{0, ""}, {1300, ""}, {2000, ""}, {3000, ""}, {9000, ""}}));

  ScopedRecorder rec;
  program().noteSaveable = false;
  EXPECT_FALSE(applyMouseEdit(AnnotationPane::Words, Split, 10));
  EXPECT_TRUE(rec->saw("T2506"));
}

TEST_F(LabelEditing, WordTextLosesTrailingBlanksAndNeedsASegment) {
  program().note.insertOrGet(100);
  program().note.insertOrGet(200);
  ASSERT_TRUE(setWordTextAt(150, "hello  "));
  EXPECT_EQ(program().note.Text(0), "hello");
  ScopedRecorder rec;
  EXPECT_FALSE(setWordTextAt(200, "x"));  // the last boundary starts no segment
  EXPECT_FALSE(setPhonemeLabelAt(9500, "a"));
  EXPECT_TRUE(rec->saw("T2504"));
  EXPECT_TRUE(rec->saw("T3801"));
}

TEST(TypedLabel, PrefixMatching) {
  const std::vector<std::string> inventory{"a", "ai", "p", "t"};
  struct Case {
    const char *typed, *label, *field;  // label "-": none applied
  };
  // "a" waits for "a" or "ai"; "ap" applies "a" and starts a new "p".
  for (const Case& c : {Case{"a", "-", "a"}, {"ai", "ai", ""}, {"p", "p", ""}, {"ap", "a", "p"}, {"x", "-", ""}}) {
    const TypedLabel got = matchTypedLabel(c.typed, inventory);
    EXPECT_EQ(got.label.value_or("-"), c.label) << c.typed;
    EXPECT_EQ(got.field, c.field) << c.typed;
  }
}

TEST_F(LabelEditing, AnnotatorLabelsThreeSegmentsFromTypedInput) {
  PhoneticAnnotator annotator(0);
  const Stretch shown{0, 2500};
  std::optional<Stretch> moved;
  EXPECT_EQ(annotator.typed("a", shown, moved), "a");  // waits: "a" or "ai"
  EXPECT_EQ(annotator.typed("ap", shown, moved), "");  // "a", then "p"
  EXPECT_EQ(annotator.typed("t", shown, moved), "");
  EXPECT_EQ(test::marksOf(program().etiq), (test::Marks{{0, "a"}, {1000, "p"}, {2000, "t"}, {3000, ""}, {9000, ""}}));
  EXPECT_EQ(std::tuple(annotator.lastAnnotation(), annotator.current()), std::tuple("t", 3));
  // Segment 3 (3000..9000) starts after the displayed stretch: the display
  // moved to start 1000 samples before it.
  ASSERT_TRUE(moved);
  EXPECT_EQ(std::pair(moved->first, moved->last), std::pair(2000, 4500));
  EXPECT_EQ(annotator.next(*moved), std::nullopt);  // already the last segment
  const auto back = annotator.erase(Stretch{2500, 5500});  // clears 3, goes to 2 at 2000
  EXPECT_EQ(std::tuple(program().etiq.Text(3), annotator.current()), std::tuple("", 2));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->first, 0);  // 2000 - 2000 clamped at 0
  program().etiq.clear();
  annotator.reclamp();
  EXPECT_EQ(annotator.current(), -1);
}

}  // namespace
}  // namespace ardv
