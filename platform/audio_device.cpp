#include "platform/audio_device.h"

#include "platform/null_audio.h"
#include "platform/report.h"

namespace ardv {
namespace {

struct Devices {
  NullAudioOutput missingOutput{false};
  NullAudioInput missingInput{false};
  AudioOutput* output = nullptr;
  AudioInput* input = nullptr;
};

Devices& devices() {
  static Devices d;
  return d;
}

}  // namespace

void setAudioDevices(AudioOutput* output, AudioInput* input) {
  devices().output = output;
  devices().input = input;
}

AudioOutput& audioOutput() { return devices().output ? *devices().output : devices().missingOutput; }
AudioInput& audioInput() { return devices().input ? *devices().input : devices().missingInput; }

bool checkAudioDevice(const AudioOutput& device) {
  if (device.available()) return true;
  message("No audio output device is available: nothing can be played.");
  return false;
}

bool checkAudioDevice(const AudioInput& device) {
  if (device.available()) return true;
  message("No audio input device is available: nothing can be recorded.");
  return false;
}

}  // namespace ardv
