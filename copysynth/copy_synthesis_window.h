// The formant window's two copy-synthesis commands as operations on its
// tracks: "&Get F0" and "Copy &synthesis". The window calls them and redraws.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "copysynth/copy_synthesis_run.h"
#include "klatt/klatt_tracks.h"

namespace ardv {

// "&Get F0": the F0 of the signal (`f0AtSample`, Hz at a sample of the signal
// at tracks.frequence) every tracks.stepMs from the step at or before startMs
// until endMs, committed to group 0 on the "&Frequency (F0)" scale, which
// becomes the current scale. False (tracks unchanged) without a real speech
// signal ("Only for a real speech signal") or when nothing could be committed.
bool getF0IntoTracks(KlattTracks& tracks, bool realSpeechSignal, long startMs, long endMs,
                     const std::function<int(std::int64_t sample)>& f0AtSample);

// "Copy &synthesis": nothing (0) unless a piece of group 0..8 is selected.
// Otherwise writes every frame and the selected pieces, runs `synthesize`
// for the excitation (frames of tracks.stepMs), fits the frames that lie
// within the speech, and replaces every piece (and fileFrames) by the
// result's; frames past the speech come back as they were, with a warning
// when the tracks reach past endMs (the end of the signal). Frames written,
// or −1 after a report with the tracks unchanged. The temporary files go in
// every case.
int copySynthesizeTracks(KlattTracks& tracks, const CopySynthesisInput& input, const ExcitationSynthesizer& synthesize,
                         const std::filesystem::path& temporaryDirectory, std::int32_t endMs);

}  // namespace ardv
