// The last word on voicing: a path through each frame's autocorrelation
// peaks and an unvoiced candidate (after Boersma 1993, "Accurate short-term
// analysis of the fundamental frequency and the harmonics-to-noise ratio").
// Each frame measures a Hann-windowed stretch of three periods of the
// range's lowest F0 (of 70 Hz at most); its peaks score their normalised
// autocorrelation, and the unvoiced candidate scores the voicing threshold,
// more as the frame's peak falls towards the silence share of the run's
// peak. The path pays for every voicing change and octave jump. The comb's
// F0 stays wherever the path agrees that a frame is voiced.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace ardv {

struct PitchRun;

struct VoicingPathSettings {
  double floorHz = 65.0;
  double ceilingHz = 800.0;
  double voicingThreshold = 0.45;
  double silenceThreshold = 0.03;   // share of the run's peak
  double octaveCost = 0.01;         // per octave above the floor
  double octaveJumpCost = 0.35;     // per octave between frames
  double voicedUnvoicedCost = 0.14;
  int candidates = 15;              // the unvoiced one among them
};

// The path's F0 at `frames` frames centred on first + i * step (samples of
// x, rounded), 0 where unvoiced, -1 where the window leaves x; empty for a rate whose frames would need a transform
// over 4096 points. With `octaveUp`, each frame's normalised autocorrelation
// at half the path's period as a share of that at the period (0 unvoiced).
std::vector<float> autocorrelationPath(std::span<const std::int16_t> x, double fs, double first, double step,
                                       int frames, const VoicingPathSettings& settings,
                                       std::vector<float>* octaveUp = nullptr);

// Inside a voiced run of p, breath may lower the measure of shorter
// stretches than this (frames) without unvoicing them.
constexpr int kPathHoleFrames = 5;
// A frame joins a run when the path's F0 there lies within this share of the
// F0 beside it.
constexpr double kPathJoinAgreement = 0.2;
// A voiced stretch of the path away from p's runs, of at least
// kPathRunFrames frames whose F0 lies within kPathRunRange times the run's
// median F0 either way, is voiced too.
constexpr int kPathRunFrames = 3;
constexpr double kPathRunRange = 1.8;
// The path's highest candidate, whatever the speaker's range: above it a
// high voice's half period (its first formant ringing) outscores the period.
constexpr double kPathCeilingHz = 600.0;
// Under a range narrower than kPathCeilingHz, a frame outside p's runs whose
// autocorrelation at half the path's period reaches this share of that at
// the period is not voiced by the path (the voice may lie an octave up).
constexpr double kPathOctaveUpShare = 0.8;
// The path's window spans three periods of the floor, or of this F0 when
// the floor lies below it (the lags still reach the floor).
constexpr double kPathWindowFloorHz = 70.0;
// A run whose last frame strays from the path is carried on by the path when
// the path agreed with one of the run's last kPathCarryFrames frames.
constexpr int kPathCarryFrames = 3;

// With run.params.voicingThreshold above 0 (the path's threshold): runs of p
// lose the frames the path leaves unvoiced at their ends (but a first frame
// alone) and in stretches of kPathHoleFrames or more inside; they grow over
// the path's voiced frames beside them while its F0 agrees (growths from two
// runs that meet with disagreeing F0 are dropped); the path's stretches in
// the voice's range away from them join (see above); under a narrowed range
// the path voices no frame that repeats as well an octave up
// (kPathOctaveUpShare).
void voiceByPath(const PitchRun& run, std::vector<int>& p);

}  // namespace ardv
