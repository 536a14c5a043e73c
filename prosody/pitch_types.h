// Records of the F0 detector: the speaker parameter sets, the analysis
// geometry of a run, the per-frame hypothesis table and the candidates of
// one frame.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ardv {

// Default least periodicity of a voiced frame (SpeakerF0Params): 0.45 brings
// voicing on real speech near Praat's (docs/f0-evaluation.md) and leaves no
// class of the known-F0 set worse; 0 gives the tracks of earlier versions.
constexpr float kDefaultVoicingThreshold = 0.45f;

// One F0 parameter set, chosen by the speaker type.
struct SpeakerF0Params {
  float harmBandHz = 600.0f;   // top of the low band (band energy, voicing energy)
  int f0Min = 65;              // lowest candidate, Hz
  int f0Max = 800;             // highest candidate and top of the comb response, Hz
  int combMin = 50;            // lowest frequency of the comb response, Hz
  int harmCeilHz = 1900;       // harmonics k*f summed while k < harmCeilHz / f
  float combExponent = 1.7f;   // tooth k weighs k^(-1/combExponent)
  int maxJump = 2;             // frames a path step may reach back
  float slopeWeight = 4.0f;    // weight of the F0 slope in the path cost
  float slopeChangeWeight = 4.0f;  // weight of the change of slope
  // Least periodicity (normalised autocorrelation at the period) of a voiced
  // frame after the path; 0 keeps every frame the path calls voiced.
  float voicingThreshold = kDefaultVoicingThreshold;
};

// The user's voicing threshold (F0 options, --voicing-threshold), which
// speakerF0Params() copies; 0 keeps every frame the path calls voiced.
float& voicingThreshold();

// Speaker types: -1 any, 0 female, 1 male. Anything else counts as "any".
SpeakerF0Params speakerF0Params(int speakerType);

// The program's speaker type, -1 at start; changed only by the speaker dialog.
int& speakerType();

// Geometry of one run over `len` + 1 samples at fs Hz.
struct PitchGeometry {
  double fs = 0.0;
  std::int64_t len = 0;  // last analysed index (samples - 1)
  int L = 0;             // frame length: 32 ms
  int N = 0;             // FFT size
  int S = 0;             // frame step: 8 ms
  int frames = 0;        // F
  int bandColumns = 0;   // columns of the 256-sample band spectrogram, hop 128
};

// Lowest and highest sampling rates the detector accepts, Hz.
constexpr double kPitchMinRate = 4000.0;
constexpr double kPitchMaxRate = 128000.0;

// Fills `geo` for `sampleCount` samples at `fs` Hz. N is 1024 below 1024
// samples per frame, 2048 up to 2048 samples and 4096 above (rates over
// 64 kHz). False, without a report, for fs outside the accepted rates.
bool pitchGeometry(double fs, std::int64_t sampleCount, PitchGeometry& geo);

// Band-spectrogram column of F0 frame i (aligned window centres).
int bandColumnOf(const PitchGeometry& geo, int frame);

// One hypothesis of a frame: 0 is unvoiced, 1..3 the voiced candidates.
struct PitchHypothesis {
  float cost = 0.0f;      // best path cost ending here
  float slope = 0.0f;     // slope of that path's last step, Hz/ms (whole)
  std::int32_t prevFrame = -1;
  std::int32_t prevHyp = 0;
  std::int32_t filled = 0;  // in hypothesis 1: the frame's F0 was filled in
  float bonus = 0.0f;     // voicing energy, then the (un)voicing bonus
  float coefVois = 0.0f;  // voicing coefficient
  float f0 = 0.0f;        // Hz; -1 = no candidate; 0 for hypothesis 0
};

using PitchFrame = std::array<PitchHypothesis, 4>;
using PitchTable = std::vector<PitchFrame>;

// A candidate seen in the frame's spectrum (checkVoice): the voice's F0 (f0
// itself, or the F0 it is a subharmonic of) and the mean rise in dB of that
// F0's harmonics above the spectrum's lower quartile; riseDb < 0 when not
// judged, 0 for a multiple of a lower voice.
struct VoiceCheck {
  int f0 = -1;
  float riseDb = -1.0f;
  float medianDb = -1e30f;  // the frame spectrum's median level below 2000 Hz
};

// One voiced candidate found by calUnPitch.
struct PitchCandidate {
  int f0 = -1;           // Hz, -1 when none
  float energy = 0.0f;   // voicing energy
  float coef = 0.0f;     // voicing coefficient
  VoiceCheck voice;      // what the spectrum says of f0 (checkVoice())
};
using FrameCandidates = std::array<PitchCandidate, 3>;

// Run-wide voicing thresholds (reglageBonus) and the median F0.
struct VoicingThresholds {
  int F0med = 0;
  float maxVoise = 0.0f;
  float maxSourd = 0.0f;
  float seuilSourd = 0.0f;
  float bonusSourdMax = 0.0f;
};

// Rounding of the system: nearest integer, halves away from zero.
inline std::int64_t nearestInt(double x) { return static_cast<std::int64_t>(x < 0 ? x - 0.5 : x + 0.5); }

}  // namespace ardv
