// The subcommands of ardv-cli. Each takes the arguments after its name and
// returns the process exit status (0 success, 1 failure already reported,
// 2 bad usage).
#pragma once

#include <string>
#include <vector>

namespace ardv::cli {

using Args = std::vector<std::string>;

int runInfo(const Args& args);
int runConvert(const Args& args);
int runProfiles(const Args& args);
int runLabels(const Args& args);
int runResample(const Args& args);
int runRemoveDc(const Args& args);
int runF0(const Args& args);
int runF0Corpus(const Args& args);
int runMeasure(const Args& args);
int runEnergy(const Args& args);
int runSpeechStart(const Args& args);
int runSpectrogram(const Args& args);
int runPlay(const Args& args);
int runSearch(const Args& args);
int runPitchMarks(const Args& args);
int runModify(const Args& args);
int runResynth(const Args& args);
int runSynth(const Args& args);
int runTracks(const Args& args);
int runFormants(const Args& args);
int runFormantCandidates(const Args& args);
int runFigure(const Args& args);
int runCopySynth(const Args& args);

}  // namespace ardv::cli
