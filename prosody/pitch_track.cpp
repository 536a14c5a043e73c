// Last F0 run, lookup, results lines and the F0 of a stretch in memory.
#include "prosody/pitch_track.h"

#include <filesystem>

#include "platform/report.h"
#include "signal/program.h"
#include "signal/results.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv {

PitchTrack& lastPitchTrack() {
  static PitchTrack track;
  return track;
}

int pitchAt(std::int64_t sample) {
  const PitchTrack& t = lastPitchTrack();
  if (t.S <= 0) return 0;
  const std::int64_t rel = sample - t.L / 2 - t.first + t.S / 2;
  const std::int64_t k = rel / t.S;
  if (rel < 0 || k >= std::min<std::int64_t>(t.frames, static_cast<std::int64_t>(t.pitchCorrige.size()))) return 0;
  const int v = t.pitchCorrige[static_cast<std::size_t>(k)];
  if (v == -1) message("pitch == -1");
  return v >= 1 ? v : 0;
}

void writePitchResults(const PitchTrack& track, const std::string& fileName) {
  resultsOpen();
  resultsWriteLine(">> pitch");
  resultsWriteLine(textf(6810, {fileName}));
  resultsWriteLine(text(6811));
  resultsWriteLine(text(6812));
  for (int i = 0; i < track.frames && i < static_cast<int>(track.pitchCorrige.size()); ++i) {
    const auto c = static_cast<std::int64_t>(static_cast<double>(i) * track.S + track.L * 0.5);
    char line[64];
    std::snprintf(line, sizeof line, "%ld\t%ld\t%d", static_cast<long>(samplesToMs(static_cast<double>(c), track.fs)),
                  static_cast<long>(c), track.pitchCorrige[static_cast<std::size_t>(i)]);
    resultsWriteLine(line);
  }
  resultsClose();
}

Rgb speakerColour(int type) {
  if (type == 0) return {255, 0, 255};
  if (type == 1) return {0, 255, 255};
  return {255, 0, 0};
}

bool f0ForStretch(std::int64_t start, std::int64_t end) {
  Program& prog = program();
  if (!prog.fileLoaded) {
    message("F0: no signal is loaded.");
    return false;
  }
  const std::int64_t memFirst = prog.ct.d_e;
  if (start > end || start < memFirst || end - memFirst >= prog.memory.size()) {
    debugMessage("F0: stretch " + std::to_string(start) + ".." + std::to_string(end) + " not held in memory");
    return false;
  }
  PitchTrack track;
  if (!calcPitchMartin(prog.memory.data() + (start - memFirst), end - start + 1, start, prog.en_cours.frequence,
                       speakerF0Params(speakerType()), PitchOptions{}, track))
    return false;
  lastPitchTrack() = track;
  writePitchResults(track, std::filesystem::path(prog.en_cours.nom).filename().string());
  return true;
}

}  // namespace ardv
