// The speech start/end detector and its run over a file.
#include "prosody/speech_detector.h"

#include <algorithm>
#include <cstdio>

#include "platform/report.h"
#include "prosody/energy.h"
#include "prosody/energy_file.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "spectral/analysable.h"

namespace ardv {

SpeechDetector::SpeechDetector(const SpeechDetectorParams& params) : p_(params) {
  if (p_.startConfirmMs < 1) {
    state_ = 2;
    start_ = 0;
  }
}

void SpeechDetector::feed(double energyDb, std::int64_t t) {
  if (state_ == 5) return;
  const bool loud = energyDb > p_.thresholdDb;
  switch (state_) {
    case 0:
      if (loud) {
        count1_ = 0;
        state_ = 1;
      }
      break;
    case 1:
      if (!loud) state_ = 0;
      break;
    case 2:
      if (!loud && t - start_ >= p_.minSpeechMs) {
        state_ = 3;
        count3_ = 0;
        silenceStart_ = t;
      }
      break;
    case 3:
      if (loud) {
        count4_ = 0;
        state_ = 4;
      }
      break;
    case 4:
      if (!loud) state_ = 3;
      break;
    default:
      break;
  }
  if (state_ == 1) {
    if (++count1_ * p_.hopMs >= p_.startConfirmMs) {
      state_ = 2;
      start_ = std::max<std::int64_t>(t - p_.startConfirmMs, 0);
    }
  } else if (state_ == 3) {
    if (++count3_ * p_.hopMs > p_.endConfirmMs) {
      state_ = 5;
      end_ = silenceStart_;
    }
  } else if (state_ == 4) {
    if (++count4_ * p_.hopMs > p_.resumeConfirmMs) state_ = 2;
  }
  if (state_ <= 1) {
    if (t > p_.giveUpMs) {
      start_ = end_ = 0;
      state_ = 5;
    }
  } else if (state_ <= 4 && p_.maxSpeechMs >= 0 && t - start_ >= p_.maxSpeechMs) {
    end_ = t;
    state_ = 5;
  }
}

bool speechStartEnd(const infoFile& file, std::int64_t& startMs, std::int64_t& endMs) {
  EnergyParams p;
  p.fLow = 0;
  p.fHigh = 8000;
  p.windowMs = 32;
  EnergySetup setup;
  if (!analysableRate(file.nom, file.frequence, "Speech detection") || !energySetup(p, file.frequence, setup))
    return false;
  const auto W = msToSamples(32, file.frequence);
  const auto hop = std::max<std::int64_t>(msToSamples(4, file.frequence), 1);
  const std::int64_t n = file.sampleCount();
  // The first frame centre lies W / 2 into the signal and needs W after it.
  if (!analysableLength(file.nom, n, W + W / 2, "speech-detection")) return false;
  SpeechDetector detector;
  FrameEnergy energy(setup, false);
  const bool ok = forEachFileFrame(file, 0, static_cast<int>(hop), static_cast<int>(W + 1),
                                   [&](std::int64_t first, const std::int16_t* x) {
                                     const std::int64_t t = first + W / 2 - 1;
                                     if (t >= n - W) return false;
                                     detector.feed(energy(x), samplesToMs(static_cast<double>(t), file.frequence));
                                     return !detector.finished();
                                   });
  if (!ok) return false;
  startMs = detector.start();
  // Speech that goes on to the end of the file ends there.
  endMs = startMs >= 0 && detector.end() < 0 ? samplesToMs(static_cast<double>(n), file.frequence) : detector.end();
  return true;
}

bool getSpeechStart(std::int64_t* startMs, std::int64_t* endMs) {
  const Program& prog = program();
  if (!prog.fileLoaded) return false;
  std::int64_t start = -1, end = -1;
  if (!speechStartEnd(prog.en_cours, start, end)) return false;
  char text[96];
  std::snprintf(text, sizeof text, "Date de d\xC3\xA9" "but et fin de parole %d ms, %d ms", static_cast<int>(start),
                static_cast<int>(end));
  message(text);
  if (startMs) *startMs = start;
  if (endMs) *endMs = end;
  return true;
}

}  // namespace ardv
