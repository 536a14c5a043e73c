// F0 of a stretch of speech by spectral comb and dynamic programming
// (calcPitchMartin), after Martin's spectral comb method.
//
// Stages, in calling order:
//   1. remove the DC offset (saturating; message 6801 if a sample saturated)
//   2. geometry: 32-ms frames every 8 ms, FFT of 1024/2048 points
//   3. band energy of the low band on 256-sample columns (voicing_stats)
//   4. pitchBrutMartin: per frame calUnPitch (pitch_frame: spectrum, peaks to
//      grid, comb, three candidates, coefVoisCorrel), skipping long quiet
//      runs, once more without a mains-hum line when the frames show one;
//      histograms, F0med, enerVoisBrut/enerVois, reglageBonus, bonuses
//   5. lisPitch (dynamic programming), meilPitch (read-back),
//      completePitch (gap filling)      (pitch_path)
//   6. rectifiePitch: onsets re-examined with tabLoc   (pitch_onset)
//   7. raiseSubharmonics: frames whose F0 the spectrum shows to be a half or
//      a third of the voice's are raised to it   (pitch_octave)
//   8. checkPeriodicity: voiced stretches end at the last frame whose
//      waveform repeats at its period, short jumps and gaps are mended
//      where it repeats (params.voicingThreshold)   (voicing_check)
// At debug level 1 every stage writes "pm.txt" in the temporary directory.
#pragma once

#include <cstdint>
#include <vector>

#include "prosody/pitch_types.h"

namespace ardv {

// The F0 track of one run and where it lies.
struct PitchTrack {
  std::vector<int> pitchCorrige;  // Hz per frame, 0 unvoiced
  // Hz per frame as the path left it, before the periodicity check; empty
  // when the check is off. The pitch marker follows its voiced stretches.
  std::vector<int> unchecked;
  std::int64_t first = 0;         // absolute sample of the first analysed sample
  int frames = 0;
  int S = 0;                      // frame step, samples
  int L = 0;                      // frame length, samples
  double fs = 0.0;
  int F0med = 0;                  // median F0 of the run, Hz
  std::int64_t saturated = 0;     // samples saturated when the DC offset was removed

  // Absolute sample at the centre of frame i.
  std::int64_t centre(int i) const { return first + static_cast<std::int64_t>(i) * S + L / 2; }
};

struct PitchOptions {
  bool quiet = false;  // suppress warnings and messages (corpus runs)
  bool trace = true;   // write pm.txt at debug level 1
  // Message 6801 when samples saturate; false leaves it to the caller, who
  // reads the count in the track (one report for a run of many chunks).
  bool saturationMessage = true;
};

// Analyses `count` samples (`samples[0]` is absolute sample `first`) at `fs`
// Hz with `params`. On success `track` holds one value per frame (none for a
// stretch shorter than one frame) and true is returned. A sampling rate
// outside 4000..128000 Hz is refused with a message; an internal fault of the
// FFT engine is reported once. `track` is unchanged on failure.
bool calcPitchMartin(const std::int16_t* samples, std::int64_t count, std::int64_t first, double fs,
                     const SpeakerF0Params& params, const PitchOptions& options, PitchTrack& track);

}  // namespace ardv
