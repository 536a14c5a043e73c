// The copy-synthesis commands of the formant window on its tracks.
#include "copysynth/copy_synthesis_window.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "signal/time_conversion.h"

namespace ardv {

namespace {
constexpr int kF0Scale = 5;  // "&Frequency (F0)"
}

bool getF0IntoTracks(KlattTracks& tracks, bool realSpeechSignal, long startMs, long endMs,
                     const std::function<int(std::int64_t sample)>& f0AtSample) {
  const auto points = getF0Points(realSpeechSignal, startMs, endMs, tracks.stepMs, tracks.frequence, f0AtSample);
  if (points.empty()) return false;
  tracks.working.points.clear();
  for (const auto& [ms, hz] : points) {
    Point2P p;
    p.date = static_cast<std::int32_t>(ms);
    p.sampleDate = static_cast<std::int32_t>(msToSamples(ms, tracks.frequence));
    p.values[0] = static_cast<float>(hz);
    tracks.working.points.push_back(p);
  }
  const int previous = tracks.scale;
  tracks.scale = kF0Scale;
  if (!tracks.commitWorking(0)) {
    tracks.scale = previous;
    tracks.working.points.clear();
    return false;
  }
  return true;
}

int copySynthesizeTracks(KlattTracks& tracks, const CopySynthesisInput& input, const ExcitationSynthesizer& synthesize,
                         const std::filesystem::path& temporaryDirectory, std::int32_t endMs) {
  const bool enabled = std::any_of(tracks.groups.begin(), tracks.groups.begin() + 9, [](const KlattPieceList& list) {
    return std::any_of(list.begin(), list.end(), [](const auto& piece) { return piece->selected; });
  });
  if (!enabled) return 0;
  CopySynthesisFiles files(temporaryDirectory);
  // Every frame goes to the fit; those past the speech come back unchanged.
  if (!files.ok() || !tracks.write(files.full(), kKlattParams, 0, INT32_MAX) ||
      !tracks.write(files.selected(), kKlattParams, 0, INT32_MAX, true))
    return -1;
  const int frames = copySynthesizeFiles(files, input, synthesize);
  if (frames < 0) return -1;
  KlattGroups read;
  std::vector<KlattRecord> asRead;
  if (!lirePP(files.result(), 0, tracks.defaults, tracks.stepMs, tracks.frequence, read, false, nullptr, &asRead))
    return -1;
  tracks.groups = std::move(read);
  tracks.fileFrames = std::move(asRead);
  tracks.warnPastEnd(endMs, "their frames from there on were kept as they were.");
  return frames;
}

}  // namespace ardv
