// A run of frames prepared for the candidate stage, as the F0 analysis
// prepares it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "prosody/pitch_martin.h"

namespace ardv {

// A run over `x` prepared as calcPitchMartin prepares it.
inline void prepare(PitchRun& run, const std::vector<std::int16_t>& x, double fs) {
  run.params = speakerF0Params(-1);
  EXPECT_TRUE(pitchGeometry(fs, static_cast<std::int64_t>(x.size()), run.geo));
  run.x = x;
  run.span = SampleSpan{run.x.data(), static_cast<std::int64_t>(run.x.size()), 0};
  EXPECT_TRUE(computeBandEnergy(run));
}

}  // namespace ardv
