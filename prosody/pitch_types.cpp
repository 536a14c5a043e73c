// Speaker parameter sets and the analysis geometry of the F0 detector.
#include "prosody/pitch_types.h"

#include <algorithm>

namespace ardv {

SpeakerF0Params speakerF0Params(int type) {
  SpeakerF0Params p;  // "any"
  p.voicingThreshold = voicingThreshold();
  if (type == 0) {
    p.f0Min = 100;
    p.f0Max = 700;
    p.harmCeilHz = 2000;
  } else if (type == 1) {
    p.harmBandHz = 400.0f;
    p.f0Max = 400;
    p.harmCeilHz = 1500;
  }
  return p;
}

float& voicingThreshold() {
  static float threshold = kDefaultVoicingThreshold;
  return threshold;
}

int& speakerType() {
  static int type = -1;
  return type;
}

bool pitchGeometry(double fs, std::int64_t sampleCount, PitchGeometry& geo) {
  if (!(fs >= kPitchMinRate && fs <= kPitchMaxRate)) return false;
  PitchGeometry g;
  g.fs = fs;
  g.len = std::max<std::int64_t>(sampleCount - 1, 0);
  g.L = static_cast<int>(fs * 32 * 0.001);
  g.N = g.L < 1024 ? 1024 : (g.L <= 2048 ? 2048 : 4096);
  g.S = static_cast<int>(fs * 0.008);
  const std::int64_t f = sampleCount > 0 ? (g.len - g.L + g.S - 1) / g.S : 0;
  g.frames = static_cast<int>(std::max<std::int64_t>(f, 0));
  g.bandColumns = g.len >= 255 ? static_cast<int>((g.len - 255) / 128 + 1) : 0;
  geo = g;
  return true;
}

int bandColumnOf(const PitchGeometry& geo, int frame) {
  const auto j = nearestInt(static_cast<double>(frame) * geo.S / 128.0 + (geo.L - 256) * 0.5 / 128.0);
  if (geo.bandColumns <= 0) return -1;
  return static_cast<int>(std::clamp<std::int64_t>(j, 0, geo.bandColumns - 1));
}

}  // namespace ardv
