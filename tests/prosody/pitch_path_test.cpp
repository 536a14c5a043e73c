// Path search, read-back and gap filling on small hand-made tables.
#include <gtest/gtest.h>

#include <cmath>

#include "prosody/pitch_octave.h"
#include "prosody/pitch_path.h"

namespace ardv {
namespace {

PitchFrame frame(float f1, float b1, float b0 = 0, float f2 = -1, float b2 = 0) {
  PitchFrame fr{};
  for (auto& h : fr) h = PitchHypothesis{0, 0, -1, 0, 0, 0, 0, -1};
  fr[0].f0 = 0;
  fr[0].bonus = b0;
  fr[1].f0 = f1;
  fr[1].bonus = b1;
  fr[2].f0 = f2;
  fr[2].bonus = b2;
  return fr;
}

TEST(LisPitch, VoicedStepCostsSlopeAndChangeOfSlope) {
  PitchTable t = {frame(100, 0), frame(108, 5)};
  lisPitch(t, speakerF0Params(-1), 100);
  // sigma = (100 - 108) / (0 - 1) * 0.125 = 1 Hz/ms: 4*1 - 5 + 4*|1 - 0| = 3.
  EXPECT_FLOAT_EQ(t[1][1].cost, 3.0f);
  EXPECT_EQ(t[1][1].prevFrame, 0);
  EXPECT_EQ(t[1][1].prevHyp, 1);
  EXPECT_FLOAT_EQ(t[1][1].slope, 1.0f);
}

struct OctaveCase {
  float ratio;
  bool octave;
};
class OctaveJump : public testing::TestWithParam<OctaveCase> {};

TEST_P(OctaveJump, JumpNearAnOctaveCostsFourTimesItsSlope) {
  const float f = 100 * GetParam().ratio;
  PitchTable t = {frame(100, 0), frame(f, 0)};
  t[0][0].f0 = -1;  // only the voiced start
  lisPitch(t, speakerF0Params(-1), 100);
  const float sigma = std::fabs(f - 100) * 0.125f * (GetParam().octave ? 4 : 1);
  EXPECT_NEAR(t[1][1].cost, 4 * sigma + 4 * sigma, 1e-2);
  EXPECT_EQ(t[1][1].prevHyp, 1);
}

INSTANTIATE_TEST_SUITE_P(Ratios, OctaveJump,
                         testing::Values(OctaveCase{2.0f, true}, OctaveCase{2.2f, true}, OctaveCase{2.3f, false},
                                         OctaveCase{1.5f, false}, OctaveCase{0.5f, true}));

TEST(LisPitch, CandidatesFarFromTheMedianAreImpossible) {
  PitchTable t = {frame(100, 0), frame(39, 50, 0, 251, 50)};
  lisPitch(t, speakerF0Params(-1), 100);
  EXPECT_FLOAT_EQ(t[1][1].cost, 1e38f);
  EXPECT_EQ(t[1][1].prevFrame, -1);
  EXPECT_FLOAT_EQ(t[1][2].cost, 1e38f);
}

TEST(LisPitch, NoVoicingChangeWithinFourFramesOfTheLast) {
  // Frames 0..2 unvoiced-only, 3..4 voiced-only, then frame 5 offers both:
  // the voiced path started at frame 3, so unvoicing at 5 is refused.
  PitchTable t = {frame(-1, 0, 10), frame(-1, 0, 10), frame(-1, 0, 10), frame(100, 50), frame(100, 50),
                  frame(100, 0, 1000)};
  for (int i = 3; i <= 4; ++i) t[static_cast<std::size_t>(i)][0].f0 = -1;  // no unvoiced hypothesis there
  SpeakerF0Params p = speakerF0Params(-1);
  p.maxJump = 1;
  lisPitch(t, p, 100);
  EXPECT_EQ(t[3][1].prevHyp, 0);
  EXPECT_FLOAT_EQ(t[5][0].cost, 1e38f);
  EXPECT_EQ(t[5][0].prevFrame, -1);
  EXPECT_FALSE(noRecentVoicingChange(t, 4, 1));
}

TEST(LisPitch, TiesKeepTheEarlierPredecessor) {
  PitchTable t = {frame(100, 0, 0, 100, 0), frame(100, 0)};
  lisPitch(t, speakerF0Params(-1), 100);
  EXPECT_EQ(t[1][1].prevHyp, 1);
}

TEST(MeilPitch, FollowsTheBestPathAndLeavesJumpedFramesUndecided) {
  PitchTable t = {frame(100, 0), frame(100, 0), frame(100, 0)};
  for (auto& fr : t) fr[0].cost = 5;
  t[0][1].cost = 0;
  t[2][1].cost = -10;
  t[2][1].prevFrame = 0;
  t[2][1].prevHyp = 1;
  t[1][1].cost = 1;
  std::vector<int> p;
  meilPitch(t, p, 2);
  EXPECT_EQ(p, (std::vector<int>{100, -1, 100}));
}

struct FillCase {
  std::vector<int> in;
  std::vector<int> out;
  std::vector<int> filled;
};
class CompletePitchCases : public testing::TestWithParam<FillCase> {};

TEST_P(CompletePitchCases, FillsAsTheRulesSay) {
  std::vector<int> p = GetParam().in;
  PitchTable t(p.size(), frame(100, 0));
  for (std::size_t i = 0; i < t.size(); ++i) t[i][0].cost = static_cast<float>(10 * i);
  completePitch(p, t);
  EXPECT_EQ(p, GetParam().out);
  std::vector<int> filled;
  for (std::size_t i = 0; i < t.size(); ++i)
    if (t[i][1].filled) filled.push_back(static_cast<int>(i));
  EXPECT_EQ(filled, GetParam().filled);
}

INSTANTIATE_TEST_SUITE_P(
    Gaps, CompletePitchCases,
    testing::Values(FillCase{{0, -1, 0}, {0, 0, 0}, {}},                // between two unvoiced frames
                    FillCase{{100, -1, 103}, {100, 102, 103}, {1}},     // 101.5 rounds away from zero
                    FillCase{{100, -1, 101}, {100, 101, 101}, {1}},     // 100.5 too
                    FillCase{{-1, 120}, {0, 120}, {0}},                 // first frame before voicing
                    FillCase{{-1, 0}, {0, 0}, {}},                      // first frame before unvoiced
                    FillCase{{120, -1}, {120, 120}, {}},                // last frame copies its voiced neighbour
                    FillCase{{0, -1, 120}, {0, 0, 120}, {1}},           // voicing edge
                    FillCase{{120, -1, 0}, {120, 0, 0}, {1}}));

TEST(CompletePitch, EdgeFrameTakesTheUnvoicedCostOfItsLeftNeighbour) {
  std::vector<int> p = {0, -1, 120};
  PitchTable t(3, frame(100, 0));
  t[0][0].cost = 7;
  t[1][0].cost = 99;
  completePitch(p, t);
  EXPECT_FLOAT_EQ(t[1][0].cost, 7);
}

// Per frame: the track value, the candidate with that F0 (-1 none) and what
// the spectrum made of it, and the value after the raise.
TEST(RaiseSubharmonics, MeasuredFramesRaiseTheirRunInTheSameOctaveBelowF0Max) {
  struct Row {
    int p;
    float cand;
    int voice, expect;
  };
  const Row rows[] = {
      {0, -1, -1, 0},       {110, 110, 220, 220}, {111, -1, -1, 222}, {110, 110, 220, 220},
      {230, -1, -1, 230},   {0, -1, -1, 0},       {150, -1, -1, 150}, {300, 300, 900, 300},
      {200, 200, 200, 200},
  };
  PitchRun run;
  run.params = speakerF0Params(-1);
  std::vector<int> p;
  for (const Row& r : rows) {
    PitchFrame fr{};
    fr[1].f0 = r.cand;
    run.tab.push_back(fr);
    run.voice.push_back({VoiceCheck{r.voice, 20}, VoiceCheck{}, VoiceCheck{}});
    p.push_back(r.p);
  }
  raiseSubharmonics(run, p);
  for (std::size_t i = 0; i < p.size(); ++i) EXPECT_EQ(p[i], rows[i].expect) << "frame " << i;
}

}  // namespace
}  // namespace ardv
