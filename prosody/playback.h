// Playing 16-bit samples on an audio output device (`play`):
//   1. sample width: 16-bit when the device plays 11.025 kHz mono 16-bit,
//      else 8-bit (unsigned: (sample >> 8) XOR 0x80);
//   2. a rate within 10 Hz of 11025 counts as 11025;
//   3. open the device at the rate; when it refuses, open it at 11025 Hz and
//      convert the samples exactly to that rate (editing/resample.h);
//   4. hand the whole buffer over once per repeat, waiting for each to be
//      played; Escape stops early;
//   5. close the device.
// Playback drives the steps one poll at a time, so that the desktop program
// stays responsive; play() runs them to the end.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/audio_device.h"

namespace ardv {

constexpr int kFallbackRateHz = 11025;
constexpr int kRateSnapHz = 10;

// The device bytes for samples `x` at `bytesPerSample` (2: little-endian
// 16-bit; 1: unsigned 8-bit).
std::vector<std::uint8_t> playbackBytes(std::span<const std::int16_t> x, int bytesPerSample);

// Shows the device's error `code` (text 410 with the code and the device's
// text) in a box titled `caption`.
void reportDeviceError(const std::string& caption, int code, const std::string& deviceText);

class Playback {
 public:
  explicit Playback(AudioOutput& device) : device_(device) {}
  ~Playback() { stop(); }
  Playback(const Playback&) = delete;
  Playback& operator=(const Playback&) = delete;

  // Opens the device for `x` at `rateHz` (steps 1 to 3) and keeps the bytes
  // for max(repeat, 1) hand-overs. False when nothing can be played, after
  // the box "waveOutOpen()" (or the no-device message); nothing is open then.
  bool start(std::span<const std::int16_t> x, int rateHz, int repeat);
  // Hands over the next repeat once the device has played the last one.
  // True while playing; false once finished (the device is closed then).
  bool poll();
  // Ends at once and closes the device.
  void stop();

  bool playing() const { return open_; }
  // Index in `x` of the sample being heard (0 when none).
  std::int64_t position();
  // Rate and width the device was opened with; whether the samples were converted.
  int deviceRateHz() const { return format_.rateHz; }
  int bytesPerSample() const { return format_.bitsPerSample / 8; }
  bool converted() const { return converted_; }
  // Blocks handed over so far.
  int handedOver() const { return handedOver_; }

 private:
  void close();

  AudioOutput& device_;
  AudioFormat format_;
  std::vector<std::uint8_t> bytes_;
  std::int64_t inputCount_ = 0;
  std::int64_t deviceFrames_ = 0;
  int remaining_ = 0;
  int handedOver_ = 0;
  bool open_ = false;
  bool pending_ = false;
  bool converted_ = false;
};

// Plays `x` at `rateHz` max(repeat, 1) times and returns when done or when
// Escape is pressed. Returns the number of hand-overs, or -1 when nothing
// could be played (reported).
int play(AudioOutput& device, std::span<const std::int16_t> x, int rateHz, int repeat = 1);

}  // namespace ardv
