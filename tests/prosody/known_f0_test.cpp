// Gross pitch error and voicing decision error of the detector ("any"
// speaker) on the synthetic known-F0 set, at 8 and 16 kHz.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"
#include "prosody/pitch_martin.h"
#include "tests/prosody/known_f0_signals.h"
#include "tests/support/files.h"

namespace ardv {
namespace {

// Targets. Measured on this set: GPE 0.00 %, VDE 0.00 %.
constexpr double kGpeLimit = 2.0;
constexpr double kVdeLimit = 5.0;

TEST(KnownF0, GrossPitchAndVoicingErrorsOfAnySpeaker) {
  ml_init(test::sourceDataDir() / "format" / "english.txt");
  ScopedRecorder rec;
  test::F0Score total;
  for (const auto& s : test::knownF0Set()) {
    PitchTrack track;
    ASSERT_TRUE(calcPitchMartin(s.samples.data(), static_cast<std::int64_t>(s.samples.size()), 0, s.fs,
                                speakerF0Params(-1), PitchOptions{}, track))
        << s.name;
    const test::F0Score sc = test::scoreF0(s, track.pitchCorrige);
    std::printf("%-22s GPE %5.2f %%  VDE %5.2f %%  (%d voiced frames, %d frames)\n", s.name.c_str(), sc.gpe(),
                sc.vde(), sc.voicedBoth, sc.decided);
    total.add(sc);
  }
  std::printf("%-22s GPE %5.2f %%  VDE %5.2f %%\n", "all", total.gpe(), total.vde());
  EXPECT_LT(total.gpe(), kGpeLimit);
  EXPECT_LT(total.vde(), kVdeLimit);
}

// Hard cases of the noisy set against the targets (GPE and VDE before the
// harmonic check in the comments).
struct NoisyRow {
  const char* condition;
  test::VoiceClass voice;
  double gpeLimit, vdeLimit;
};

class NoisyKnownF0 : public testing::TestWithParam<NoisyRow> {};

TEST_P(NoisyKnownF0, MeetsTheTargets) {
  ml_init(test::sourceDataDir() / "format" / "english.txt");
  ScopedRecorder rec;
  const NoisyRow& row = GetParam();
  test::F0Score total;
  for (const auto& n : test::noisyF0Set(row.condition, &row.voice)) {
    PitchTrack track;
    ASSERT_TRUE(calcPitchMartin(n.signal.samples.data(), static_cast<std::int64_t>(n.signal.samples.size()), 0,
                                n.signal.fs, speakerF0Params(-1), PitchOptions{}, track));
    total.add(test::scoreF0(n.signal, track.pitchCorrige));
  }
  EXPECT_LT(total.gpe(), row.gpeLimit) << row.condition;
  EXPECT_LT(total.vde(), row.vdeLimit) << row.condition;
}

INSTANTIATE_TEST_SUITE_P(Conditions, NoisyKnownF0,
                         testing::Values(NoisyRow{"white10", test::VoiceClass::Female, 3, 5},     // 90 %, 17 %
                                         NoisyRow{"white5", test::VoiceClass::Female, 10, 10},    // 100 %, 15 %
                                         NoisyRow{"white20", test::VoiceClass::Child, 2, 5},      // 26 %, 48 %
                                         NoisyRow{"speech10", test::VoiceClass::Male, 3, 5},      // 1 %, 15 %
                                         NoisyRow{"breathy", test::VoiceClass::Child, 3, 5},      // 100 %, 10 %
                                         NoisyRow{"telephone", test::VoiceClass::Child, 3, 5}));  // 0 %, 6.5 %

}  // namespace
}  // namespace ardv
