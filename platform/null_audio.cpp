#include "platform/null_audio.h"

#include <algorithm>
#include <utility>

namespace ardv {
namespace {
constexpr int kNotOpen = 5;
constexpr int kNoDevice = 2;

std::string nullErrorText(int code) {
  switch (code) {
    case NullAudioOutput::kRefused: return "format not supported";
    case kNotOpen: return "device not open";
    case kNoDevice: return "no audio device";
    default: return "unknown error";
  }
}
}  // namespace

int NullAudioOutput::open(const AudioFormat& format) {
  requested_.push_back(format);
  if (!available_) return kNoDevice;
  if (refused_.count(format.rateHz) != 0) return kRefused;
  opened_ = format;
  isOpen_ = true;
  return 0;
}

int NullAudioOutput::write(std::span<const std::uint8_t> bytes) {
  if (!isOpen_) return kNotOpen;
  blocks_.emplace_back(bytes.begin(), bytes.end());
  lastFrames_ = static_cast<std::int64_t>(bytes.size()) / std::max(opened_.blockAlign(), 1);
  return 0;
}

std::string NullAudioOutput::errorText(int code) const { return nullErrorText(code); }

int NullAudioInput::open(const AudioFormat& format) {
  if (!available_) return kNoDevice;
  opened_ = format;
  isOpen_ = true;
  started_ = false;
  return 0;
}

int NullAudioInput::addBuffer(std::int64_t frames) {
  if (!isOpen_) return kNotOpen;
  bufferFrames_ = std::max<std::int64_t>(frames, 0);
  return 0;
}

int NullAudioInput::start() {
  if (!isOpen_) return kNotOpen;
  const auto n = std::min<std::size_t>(script_.size(), static_cast<std::size_t>(bufferFrames_));
  captured_.assign(script_.begin(), script_.begin() + static_cast<std::ptrdiff_t>(n));
  started_ = true;
  return 0;
}

std::vector<std::int16_t> NullAudioInput::take() { return std::exchange(captured_, {}); }

std::string NullAudioInput::errorText(int code) const { return nullErrorText(code); }

}  // namespace ardv
