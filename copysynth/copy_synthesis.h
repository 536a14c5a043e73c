// Copy synthesis: re-estimates the parallel-branch amplitudes and bandwidths
// of the selected Klatt tracks, frame by frame, so that the synthetic
// spectrum matches the speech spectrum at the formant frequencies.
//
// Stages per frame of the full parameter file (see docs/copy-synthesis.md):
//  1. the spectra (512-point analyses) of the speech S and of the
//     synthesizer's excitation E around the frame's date, in dB: plain
//     spectra in voiced frames, true envelopes in the others;
//  2. per resonance (the low resonance FNP, F1..F6, F1N..F3N) the level it
//     must add, S − E at its nearest harmonic (our synthesizer feeds every
//     parallel resonator the excitation it writes for -t 7);
//  3. amplitude = level − R + 60 dB, R the response in dB at that harmonic
//     of the synthesizer's parallel resonator (kParallelPeakDb at its centre),
//     then refined a few passes so that the whole parallel sum, neighbours'
//     skirts and alternating signs included, meets S − E at every fitted point;
//  4. the record written with those values replacing the selected groups'.
// Symbols: fs sampling frequency (Hz), S and E levels (dB).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

#include "klatt/klatt_table.h"

namespace ardv {

// Gain in dB of a parallel resonator of our synthesizer at its centre
// frequency, whatever its frequency and bandwidth (tools/klatt; the fit's
// tests run the synthesizer and fail when the two disagree).
inline constexpr double kParallelPeakDb = 20.0;

// Analysis constants, each in one place.
struct CopySynthesisSettings {
  int analysisSize = 512;         // frame and FFT length, samples
  double lifterLowMs = 1.25;      // true-envelope lifter, as the formant analyses
  double lifterHighMs = 2.5;      // below the period of a 400 Hz voice
  int iterations = 6;             // true-envelope passes
  double silenceDb = 0.0;         // excitation envelope below this: nothing to fit
  int maximumAmplitudeDb = 96;    // the synthesizer's range of amplitudes
  int refinements = 4;            // passes fitting the whole parallel sum
  // Parallel bandwidths of F3 and above in voiced frames where F3 lies more
  // than wideF2F3Hz above F2, in % of 10·k² + 50 Hz (100 in the formant
  // window; the copy of a recording takes narrower ones, see
  // CopyTrackSettings).
  int higherBandwidthPercent = 100;
  int wideF2F3Hz = 1200;
  // Voiced frames of the copy of a recording (0 in the formant window: the
  // design's fixed widths). F1's parallel bandwidth at least the width over
  // which its response falls this many dB at the nearest harmonic of F0.
  double f1HarmonicDropDb = 0.0;
  // Where F0 lies above the low resonance, the low resonance on the first
  // harmonic with this bandwidth (Hz).
  int firstHarmonicBandwidth = 0;
};

// The ten resonances, low resonance first: parameter indexes of frequency,
// parallel amplitude and parallel bandwidth, and the group that selects them.
struct CopyResonance {
  int frequency;
  int amplitude;
  int bandwidth;
  int group;
  int parallelSign;  // of its output in the synthesizer's parallel sum
};
const std::array<CopyResonance, 10>& copyResonances();

// The two spectra of one frame, analysisSize/2 dB bins spaced
// fs/analysisSize: plain Hamming-windowed power spectra in a voiced frame
// (each formant is fitted at its nearest harmonic), true envelopes otherwise.
struct CopySpectra {
  bool voiced = false;
  std::span<const float> speech;
  std::span<const float> excitation;
};

// Fits one frame; `selected[g]` tells whether group g is selected at this
// frame. Only the selected resonances' columns change (group 1 also places
// and fits the low resonance, FNP).
void fitCopyFrame(KlattRecord& record, const std::array<bool, kKlattGroups>& selected, const CopySpectra& spectra,
                  double fs, const KlattRecord& defaults, const CopySynthesisSettings& settings);

// Fills `out` with samples first .. first + out.size() − 1 of a signal,
// zeros outside it. False after a report.
using FrameSource = std::function<bool(std::int64_t first, std::span<std::int16_t> out)>;

// The frames of samples held in memory.
FrameSource framesOf(std::span<const std::int16_t> samples);

// The frames of a signal of `count` samples read through `read` (count
// samples from first into out; false after a report) one block of
// `blockSamples` (at least a frame) at a time: memory of one block, whatever
// the signal's length.
using BlockReader = std::function<bool(std::int64_t first, std::int64_t count, std::int16_t* out)>;
FrameSource blockedFrames(BlockReader read, std::int64_t count, std::int64_t blockSamples);

// Samples of a copy synthesis read at a time (speech and excitation).
inline constexpr std::int64_t kCopyBlockSamples = 1 << 18;

// True when some group among 0..8 has a selected piece in the selected-pieces
// file: only then does copy synthesis run.
bool copySynthesisEnabled(const std::array<bool, kKlattGroups>& selectedGroups);

// The whole step on the files. `full` holds every frame (56 columns),
// `selected` only the frames of the selected pieces (a group is selected at a
// date where its key parameter differs from `defaults`); `excitation` holds
// raw 16-bit samples at fs from the full file's first frame on (the
// synthesizer's output), high byte first when `highByteFirst`; `speech`
// is the whole signal from time 0. Writes `result` (".kle") through the one
// writer only when every frame was fitted.
// Returns the number of frames written, or −1 after a report:
// "recalCopySynthesis: unconsistent formant file",
// "recalCopySynthesis: unconsistent excitation file", or
// "recalPPSpectre : creation du fichier temporaire de formant impossible"
// (with the file's name and the reason); `result` is then not written.
int recalCopySynthesis(const std::filesystem::path& full, const std::filesystem::path& selected,
                       const std::filesystem::path& excitation, const std::filesystem::path& result,
                       std::span<const std::int16_t> speech, double fs, bool highByteFirst,
                       const KlattRecord& defaults, const CopySynthesisSettings& settings = {});
// The same with the speech (`speechSamples` long) read frame by frame, the
// parameter files record by record and the excitation `blockSamples` at a
// time: memory independent of the length.
int recalCopySynthesis(const std::filesystem::path& full, const std::filesystem::path& selected,
                       const std::filesystem::path& excitation, const std::filesystem::path& result,
                       const FrameSource& speech, std::int64_t speechSamples, double fs, bool highByteFirst, const KlattRecord& defaults,
                       const CopySynthesisSettings& settings = {}, std::int64_t blockSamples = kCopyBlockSamples);

}  // namespace ardv
