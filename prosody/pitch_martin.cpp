// calcPitchMartin: preparation of a run, then the stages in order.
#include "prosody/pitch_martin.h"

#include <algorithm>
#include <new>

#include "platform/report.h"
#include "prosody/pitch_candidates.h"
#include "prosody/pitch_octave.h"
#include "prosody/pitch_onset.h"
#include "prosody/pitch_path.h"
#include "prosody/pitch_run.h"
#include "prosody/voicing_check.h"
#include "prosody/voicing_path.h"
#include "prosody/voicing_stats.h"
#include "signal/program.h"
#include "texts/texts.h"

namespace ardv {
namespace {

// Copies the samples without their mean; the count of values saturated.
std::int64_t removeDc(const std::int16_t* samples, std::int64_t count, std::vector<std::int16_t>& out) {
  std::int64_t sum = 0;
  for (std::int64_t k = 0; k < count; ++k) sum += samples[k];
  const std::int64_t m = count > 0 ? sum / count : 0;
  std::int64_t saturated = 0;
  out.resize(static_cast<std::size_t>(count));
  for (std::int64_t k = 0; k < count; ++k) {
    std::int64_t v = samples[k] - m;
    if (v > 32767 || v < -32768) {
      ++saturated;
      v = std::clamp<std::int64_t>(v, -32768, 32767);
    }
    out[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(v);
  }
  return saturated;
}

bool runStages(PitchRun& run, std::vector<int>& p, std::vector<int>& unchecked) {
  if (!computeBandEnergy(run)) return false;
  if (!pitchBrutMartin(run)) return false;
  run.trace.table("tabLisGlob", run.tab);
  run.trace.line("lisPitch()\n");
  lisPitch(run.tab, run.params, run.thr.F0med);
  run.trace.table("tabLisGlob", run.tab);
  run.trace.line("meilPitch()\n");
  meilPitch(run.tab, p, run.params.maxJump);
  run.trace.track(p);
  run.trace.line("completePitch()\n");
  completePitch(p, run.tab);
  run.trace.track(p);
  run.trace.line("rectifiePitch()\n");
  if (!rectifiePitch(run, p)) return false;
  run.trace.track(p);
  run.trace.line("raiseSubharmonics()\n");
  raiseSubharmonics(run, p);
  run.trace.track(p);
  if (run.params.voicingThreshold > 0) unchecked = p;
  run.trace.line("checkPeriodicity()\n");
  checkPeriodicity(run, p);
  run.trace.track(p);
  run.trace.line("voiceByPath()\n");
  voiceByPath(run, p);
  run.trace.track(p);
  return true;
}

}  // namespace

bool calcPitchMartin(const std::int16_t* samples, std::int64_t count, std::int64_t first, double fs,
                     const SpeakerF0Params& params, const PitchOptions& options, PitchTrack& track) {
  PitchGeometry geo;
  if (!pitchGeometry(fs, count, geo)) {
    if (!options.quiet)
      message("F0 analysis needs a sampling frequency from 4000 to 128000 Hz, not " + std::to_string(fs) + " Hz.");
    return false;
  }
  try {
    PitchRun run;
    run.params = params;
    run.geo = geo;
    run.quiet = options.quiet;
    const std::int64_t saturated = removeDc(samples, count, run.x);
    if (saturated > 0 && !options.quiet && options.saturationMessage) message(text(6801));
    run.span = SampleSpan{run.x.data(), count, 0};
    if (options.trace && !options.quiet && debugLevel() == 1) run.trace.open(program().dirs.temp);
    std::vector<int> p, unchecked;
    if (!runStages(run, p, unchecked)) return false;
    PitchTrack out;
    out.pitchCorrige = std::move(p);
    out.unchecked = std::move(unchecked);
    out.first = first;
    out.frames = geo.frames;
    out.S = geo.S;
    out.L = geo.L;
    out.fs = fs;
    out.F0med = run.thr.F0med;
    out.saturated = saturated;
    track = std::move(out);
    return true;
  } catch (const std::bad_alloc&) {
    if (!options.quiet) message("F0 analysis: out of memory.");
    return false;
  }
}

}  // namespace ardv
