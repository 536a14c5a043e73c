// Pitch marks (`pitchMark`): one mark per glottal period in voiced runs, on
// waveform peaks of one polarity chosen by dynamic programming, and marks
// every U samples in unvoiced stretches. A mark list holds signed absolute
// sample positions: +p a voiced mark, -p an unvoiced (virtual) mark at p.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "prosody/pitch_martin.h"

namespace ardv {

using MarkList = std::vector<std::int64_t>;

// Candidates kept per segment, and how far back a path step may reach.
constexpr int kMarkCandidates = 10;
constexpr int kMarkMaxSkip = 10;

// One candidate of a segment (a local maximum or minimum of the waveform).
struct MarkCandidate {
  float cost = 0.0f;      // best path cost ending here
  int prevSeg = -1;
  int prevCand = -1;
  int f0 = 0;             // F0 at pos, Hz
  std::int64_t pos = 0;   // absolute sample, 0 = empty slot
  float score = -1e10f;   // |sample value|
};
using CandidateRow = std::array<MarkCandidate, kMarkCandidates>;

struct MarkParams {
  float w = 200.0f;  // period-mismatch weight
  int U = 0;         // unvoiced spacing, samples (10 ms)
};

// What the marker carries from one chunk to the next.
struct MarkerState {
  int polarity = 0;          // 0 free, 1 minima, 2 maxima
  std::int64_t carried = 0;  // the previous chunk's last voiced mark, 0 none
};

// Whether a voiced run follows its minima: the polarity already chosen in
// this voiced stretch (1 minima, 2 maxima) holds; a free choice takes the
// cheaper path, the maxima when both cost the same; a polarity without a
// path (cost infinity) gives way to the other.
bool followMinima(int polarity, double costMin, double costMax);

// `track` with the F0 path's values before the periodicity check (itself
// when the check was off).
PitchTrack uncheckedTrack(const PitchTrack& track);

// The F0 the marker follows: the path's before the periodicity check, each
// voiced stretch of it from its start to the last frame the check kept, 0
// elsewhere. The check may end a stretch earlier or remove it; a start it
// moves later (a frame half in silence repeats poorly) stays where the path
// put it, so that the first periods are marked.
PitchTrack markTrack(const PitchTrack& track);

// F0 in Hz of `track` at an absolute sample (the nearest frame centre's
// value; 0 when unvoiced, -1, or outside the track).
int trackPitchAt(const PitchTrack& track, std::int64_t sample);

// Appends the marks of samples start..end (absolute, inclusive) to `marks`,
// from the F0 of `track` (which analysed that stretch; its markTrack is
// followed) and the waveform `samples` (`samples[0]` is absolute sample
// `first`, `count` samples covering start..end).
void pitchMark(MarkList& marks, const std::int16_t* samples, std::int64_t first, std::int64_t count,
               const PitchTrack& track, std::int64_t start, std::int64_t end, const MarkParams& params,
               MarkerState& state);

// The listing ">> pitch_mark" (text 6810 with `fileName`, "Time\tTime\tPitch",
// "[ms]\t[echt]\t[Hz]", then "ms<TAB>sample<TAB>Hz" per mark), CRLF lines.
std::string markListing(const MarkList& marks, const std::vector<int>& f0, double fs, const std::string& fileName);

// Reads `count` samples from absolute sample `first` into `out`; false after
// its own report.
using SampleReader = std::function<bool(std::int64_t first, std::int64_t count, std::int16_t* out)>;

// Reads the program samples of the signal file `file` (any coding it
// describes) through lireSignal.
struct infoFile;
SampleReader signalFileReader(const infoFile& file);

// Chunk length of the whole-signal drivers: min(samples(6000 ms), 288000).
std::int64_t markChunkSamples(double fs);

// The longest rest of a signal that the chunk before it takes in (a quarter
// chunk, at least 4 F0 frames of L samples), so that every chunk after the
// first has room for its F0 analysis and the marks reach the signal's end.
std::int64_t shortRestSamples(std::int64_t chunk, int L);

// Marks of a whole signal of `n` samples at `fs` Hz, chunk by chunk (F0,
// then marks, the last mark of a chunk carried into the next one, which
// starts L/2 before it; a short rest joins the chunk before it). `f0` gets the F0 at each mark. False after the one
// report (too short, rate, reading).
bool marksOfSignal(const SampleReader& read, std::int64_t n, double fs, const SpeakerF0Params& speaker,
                   MarkList& marks, std::vector<int>& f0, std::int64_t chunkSamples = 0);

}  // namespace ardv
