#include "prosody/playback.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/keyboard.h"
#include "platform/report.h"
#include "signal/resampler.h"
#include "texts/texts.h"

namespace ardv {

std::vector<std::uint8_t> playbackBytes(std::span<const std::int16_t> x, int bytesPerSample) {
  std::vector<std::uint8_t> bytes;
  if (bytesPerSample == 1) {
    bytes.reserve(x.size());
    for (std::int16_t s : x) bytes.push_back(static_cast<std::uint8_t>(((s >> 8) & 0xff) ^ 0x80));
    return bytes;
  }
  bytes.reserve(2 * x.size());
  for (std::int16_t s : x) {
    const auto u = static_cast<std::uint16_t>(s);
    bytes.push_back(static_cast<std::uint8_t>(u & 0xff));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return bytes;
}

void reportDeviceError(const std::string& caption, int code, const std::string& deviceText) {
  reportHandler().show(Report{ReportKind::Message, caption, textf(410, {code, deviceText})});
}

bool Playback::start(std::span<const std::int16_t> x, int rateHz, int repeat) {
  stop();
  if (!checkAudioDevice(device_)) return false;
  const auto inputCount = static_cast<std::int64_t>(x.size());
  const int width = device_.supportsMono16At11025() ? 2 : 1;
  traceLine(width == 2 ? "play() 16 bits" : "play() 8 bits");
  if (std::abs(rateHz - kFallbackRateHz) <= kRateSnapHz) rateHz = kFallbackRateHz;

  AudioFormat format{rateHz, 8 * width, 1};
  int code = rateHz > 0 ? device_.open(format) : -1;
  converted_ = false;
  std::vector<std::int16_t> converted;
  if (code != 0) {
    if (!(rateHz >= 1 && rateHz <= kResampleMaxRateHz)) {
      message("Cannot play a signal at " + std::to_string(rateHz) + " Hz.");
      return false;
    }
    format.rateHz = kFallbackRateHz;
    code = device_.open(format);
    if (code != 0) {
      reportDeviceError("waveOutOpen()", code, device_.errorText(code));
      return false;
    }
    converted_ = rateHz != kFallbackRateHz;
    if (converted_) {
      traceLine("play() " + std::to_string(rateHz) + " Hz converted to " + std::to_string(kFallbackRateHz) + " Hz");
      converted = resampleSamples(x, rateHz, kFallbackRateHz);
      x = converted;
    }
  }
  format_ = format;
  bytes_ = playbackBytes(x, width);
  inputCount_ = inputCount;
  deviceFrames_ = static_cast<std::int64_t>(x.size());
  remaining_ = std::max(repeat, 1);
  handedOver_ = 0;
  pending_ = false;
  open_ = true;
  return true;
}

bool Playback::poll() {
  if (!open_) return false;
  if (pending_ && !device_.done()) return true;
  pending_ = false;
  if (remaining_ == 0 || bytes_.empty()) {
    close();
    return false;
  }
  if (const int code = device_.write(bytes_); code != 0) {
    reportDeviceError("waveOutWrite()", code, device_.errorText(code));
    close();
    return false;
  }
  --remaining_;
  ++handedOver_;
  pending_ = true;
  return true;
}

void Playback::stop() {
  if (!open_) return;
  if (pending_) device_.stop();
  close();
}

void Playback::close() {
  device_.close();
  open_ = false;
  pending_ = false;
}

std::int64_t Playback::position() {
  if (!open_ || !pending_ || deviceFrames_ == 0) return 0;
  const std::int64_t frames = std::clamp<std::int64_t>(device_.playedFrames(), 0, deviceFrames_);
  if (!converted_) return frames;
  return frames * inputCount_ / deviceFrames_;
}

int play(AudioOutput& device, std::span<const std::int16_t> x, int rateHz, int repeat) {
  Playback playback(device);
  escapePressed();  // forget a press made before
  if (!playback.start(x, rateHz, repeat)) return -1;
  while (playback.poll()) {
    if (escapePressed()) break;
    if (!device.done()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const int handed = playback.handedOver();
  playback.stop();
  return handed;
}

}  // namespace ardv
