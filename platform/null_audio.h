// The null audio devices: they play and record nothing. As stand-ins for a
// missing device they report that no device exists; in tests they keep what
// was handed to them, can refuse rates, and deliver scripted recordings.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "platform/audio_device.h"

namespace ardv {

class NullAudioOutput : public AudioOutput {
 public:
  // `available` false: the stand-in for a machine without a device.
  explicit NullAudioOutput(bool available = true) : available_(available) {}

  bool available() const override { return available_; }
  bool supportsMono16At11025() const override { return supports16_; }
  int open(const AudioFormat& format) override;
  int write(std::span<const std::uint8_t> bytes) override;
  bool done() override { return true; }
  std::int64_t playedFrames() override { return lastFrames_; }
  int stop() override { return 0; }
  void close() override { isOpen_ = false; }
  std::string errorText(int code) const override;

  // Test controls.
  void setSupports16(bool on) { supports16_ = on; }
  void refuseRate(int rateHz) { refused_.insert(rateHz); }

  // What happened: every format asked for (refused ones too), the format
  // opened last, and each block written.
  const std::vector<AudioFormat>& requested() const { return requested_; }
  const AudioFormat& opened() const { return opened_; }
  const std::vector<std::vector<std::uint8_t>>& blocks() const { return blocks_; }
  bool isOpen() const { return isOpen_; }

  static constexpr int kRefused = 32;  // the code of a refused format

 private:
  bool available_;
  bool supports16_ = true;
  bool isOpen_ = false;
  std::set<int> refused_;
  std::vector<AudioFormat> requested_;
  AudioFormat opened_;
  std::vector<std::vector<std::uint8_t>> blocks_;
  std::int64_t lastFrames_ = 0;
};

class NullAudioInput : public AudioInput {
 public:
  explicit NullAudioInput(bool available = true) : available_(available) {}

  bool available() const override { return available_; }
  bool supportsMono16At22050() const override { return supports22050_; }
  int open(const AudioFormat& format) override;
  int addBuffer(std::int64_t frames) override;
  int start() override;
  bool done() override { return started_; }
  int stop() override { return 0; }
  std::vector<std::int16_t> take() override;
  void close() override { isOpen_ = false; }
  std::string errorText(int code) const override;

  // Test controls: the samples a capture delivers (at most the buffer).
  void setSupports22050(bool on) { supports22050_ = on; }
  void script(std::vector<std::int16_t> samples) { script_ = std::move(samples); }

  const AudioFormat& opened() const { return opened_; }
  std::int64_t bufferFrames() const { return bufferFrames_; }

 private:
  bool available_;
  bool supports22050_ = true;
  bool isOpen_ = false;
  bool started_ = false;
  AudioFormat opened_;
  std::int64_t bufferFrames_ = 0;
  std::vector<std::int16_t> script_;
  std::vector<std::int16_t> captured_;
};

}  // namespace ardv
