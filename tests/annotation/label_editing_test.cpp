// Annotation editing at a position: the mouse modes, word and phoneme texts,
// and the phonetic annotator labelling segments from typed input.
#include "annotation/label_editing.h"

#include <gtest/gtest.h>

#include "annotation/phonetic_annotator.h"
#include "annotation/phonetic_description.h"
#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "signal/program.h"
#include "tests/annotation/marks.h"

namespace ardv {
namespace {

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
  EXPECT_EQ(annotator.lastAnnotation(), "t");
  EXPECT_EQ(annotator.current(), 3);
  // Segment 3 (3000..9000) starts after the displayed stretch: the display
  // moved to start 1000 samples before it.
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->first, 2000);
  EXPECT_EQ(moved->last, 4500);
  EXPECT_EQ(annotator.next(*moved), std::nullopt);  // already the last segment
  const auto back = annotator.erase(Stretch{2500, 5500});  // clears 3, goes to 2 at 2000
  EXPECT_EQ(program().etiq.Text(3), "");
  EXPECT_EQ(annotator.current(), 2);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->first, 0);  // 2000 - 2000 clamped at 0
  program().etiq.clear();
  annotator.reclamp();
  EXPECT_EQ(annotator.current(), -1);
}

}  // namespace
}  // namespace ardv
