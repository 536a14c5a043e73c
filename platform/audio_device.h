// Audio output and input devices: capability query, open with a format, hand
// over a buffer, completion test, stop and close. The ALSA backend
// (platform/alsa) and the null device (platform/null_audio.h) implement them;
// the core reaches the installed pair through audioOutput() / audioInput().
//
// Error codes are the backend's (0 = success); errorText() turns one into
// the system's text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ardv {

// PCM, mono unless `channels` says otherwise.
struct AudioFormat {
  int rateHz = 11025;
  int bitsPerSample = 16;  // 8 (unsigned) or 16 (signed, little-endian)
  int channels = 1;

  int blockAlign() const { return channels * bitsPerSample / 8; }
  int bytesPerSecond() const { return rateHz * blockAlign(); }
};

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // False for the stand-in used when the machine has no output device.
  virtual bool available() const = 0;
  // Whether the device plays 11.025 kHz mono 16-bit (else 8-bit is used).
  virtual bool supportsMono16At11025() const = 0;
  // Opens the device in `format`; 0 or an error code (a refused rate too).
  virtual int open(const AudioFormat& format) = 0;
  // Hands over one block of bytes in the open format and starts playing it;
  // the bytes are copied. 0 or an error code.
  virtual int write(std::span<const std::uint8_t> bytes) = 0;
  // True once the block last written has been played (or stopped).
  virtual bool done() = 0;
  // Frames of the block last written that have left the device so far.
  virtual std::int64_t playedFrames() = 0;
  // Ends the block at once; 0 or an error code.
  virtual int stop() = 0;
  virtual void close() = 0;
  virtual std::string errorText(int code) const = 0;
};

class AudioInput {
 public:
  virtual ~AudioInput() = default;
  virtual bool available() const = 0;
  // Whether the device records 22.05 kHz mono 16-bit.
  virtual bool supportsMono16At22050() const = 0;
  virtual int open(const AudioFormat& format) = 0;
  // Capture buffer of `frames` frames, filled once started.
  virtual int addBuffer(std::int64_t frames) = 0;
  virtual int start() = 0;
  // True once the capture buffer is full.
  virtual bool done() = 0;
  // Ends the capture; the frames received so far stay available.
  virtual int stop() = 0;
  // The 16-bit samples received so far (the buffer is emptied).
  virtual std::vector<std::int16_t> take() = 0;
  virtual void close() = 0;
  virtual std::string errorText(int code) const = 0;
};

// Installs the devices (not owned); nullptr restores the stand-ins that
// report no device.
void setAudioDevices(AudioOutput* output, AudioInput* input);
AudioOutput& audioOutput();
AudioInput& audioInput();

// Tells the user once per command that there is no device: a message when
// `device` is a stand-in. Returns device.available().
bool checkAudioDevice(const AudioOutput& device);
bool checkAudioDevice(const AudioInput& device);

}  // namespace ardv
