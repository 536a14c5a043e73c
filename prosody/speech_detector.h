// Speech start and end by an energy detector: frames of 32 ms every 4 ms,
// loud above 50 dB, with confirmation times for the start (50 ms), the end
// (100 ms of quiet) and a resumption (40 ms of renewed loudness).
#pragma once

#include <cstdint>

#include "signal/infofile.h"

namespace ardv {

// Detector parameters, all times in ms.
struct SpeechDetectorParams {
  int startConfirmMs = 50;   // loudness needed to start speech
  int resumeConfirmMs = 40;  // loudness that cancels an end candidate
  int endConfirmMs = 100;    // quiet needed to end speech
  int maxSpeechMs = -1;      // longest speech; -1 none
  int minSpeechMs = 150;     // speech before an end may begin
  int giveUpMs = 1000;       // no speech started by then: none at all
  double thresholdDb = 50.0; // a frame is loud above this
  int hopMs = 4;
};

class SpeechDetector {
 public:
  // States: 0 silence, 1 start candidate, 2 speech, 3 end candidate,
  // 4 resumption candidate, 5 finished.
  explicit SpeechDetector(const SpeechDetectorParams& params = {});
  // One frame of energy `energyDb` at time `tMs`; nothing once finished.
  void feed(double energyDb, std::int64_t tMs);
  int state() const { return state_; }
  bool finished() const { return state_ == 5; }
  std::int64_t start() const { return start_; }  // ms; -1 before speech
  std::int64_t end() const { return end_; }      // ms; -1 while speech goes on

 private:
  SpeechDetectorParams p_;
  int state_ = 0;
  std::int64_t start_ = -1, end_ = -1, silenceStart_ = 0;
  int count1_ = 0, count3_ = 0, count4_ = 0;
};

// Runs the detector over the whole file (unwindowed 32-ms frames, 0..8000 Hz)
// until it finishes. Sets start and end in ms (-1 and -1 when no speech was
// found; the end of the file when the speech goes on to it); false after a
// read report.
bool speechStartEnd(const infoFile& file, std::int64_t& startMs, std::int64_t& endMs);

// "Get speech start": the detector on the current signal's file, then the
// message "Date de début et fin de parole %d ms, %d ms". False when there is
// no signal or the file cannot be read. The times in ms go to `startMs` and
// `endMs` when given.
bool getSpeechStart(std::int64_t* startMs = nullptr, std::int64_t* endMs = nullptr);

}  // namespace ardv
