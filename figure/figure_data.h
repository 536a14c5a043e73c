// The values a figure draws, taken from a signal file by the program's own
// analyses: waveform extents per column, the spectrogram image of the chosen
// kind, the F0 track (pitch-file analysis of the stretch), the energy curve
// and the two annotation lists. Plain data, no drawing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "figure/figure_request.h"
#include "labels/notetiqs.h"
#include "signal/infofile.h"
#include "spectral/image_levels.h"
#include "spectral/pgm.h"

namespace ardv::figure {

struct Segment {
  double fromMs = 0.0, toMs = 0.0;
  std::string label;
};

struct CurvePoint {
  double ms = 0.0;
  double value = 0.0;  // Hz or dB
};

struct FigureData {
  double fs = 0.0;
  double fromMs = 0.0, toMs = 0.0;  // the stretch, ms from the file's start
  // Smallest and largest sample under each waveform column.
  std::vector<std::int16_t> waveMin, waveMax;
  LevelImage spectrogram;  // frames x rows, lowest frequency first
  double spectroTopHz = 0.0;
  LevelColours colours{};
  std::vector<CurvePoint> f0;      // voiced frames only
  double f0StepMs = 8.0;           // frame spacing: a larger gap is unvoiced
  std::vector<CurvePoint> energy;  // dB, at least energyFloorDb
  double energyFloorDb = 20.0;      // bottom of the energy axis (silence)
  std::vector<Segment> phonemes, words;
};

// Resolution of what is computed, from the figure's layout.
struct DataColumns {
  int waveform = 1000;
  int spectroFrames = 1000;
  int spectroRows = 256;
};

// Samples first..last (inclusive) of `file` for the request's stretch. False
// with `error` when the stretch is empty or does not lie inside the file
// (the message gives the file's duration).
bool resolveStretch(const infoFile& file, const FigureRequest& request, std::int64_t& first, std::int64_t& last,
                    std::string& error);

// Fills `out` with what the request's panes need over samples first..last of
// `file`, with the annotation lists `phonemes` and `words` (sample
// positions of that file). `scratchDir` holds the temporary pitch file of
// the F0 pane. False after the analysis's report, or with `error` set (no
// report) for a spectrogram top above half the sampling rate.
bool collectFigureData(const infoFile& file, const FigureRequest& request, std::int64_t first, std::int64_t last,
                       const notetiqs& phonemes, const notetiqs& words, const DataColumns& columns,
                       const std::string& scratchDir, FigureData& out, std::string& error);

// The segments of `list` that overlap samples first..last, in ms at fs Hz.
std::vector<Segment> segmentsOf(const notetiqs& list, double fs, std::int64_t first, std::int64_t last);

}  // namespace ardv::figure
