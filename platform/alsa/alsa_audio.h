// ALSA devices: the "default" playback and capture devices, which reach
// PulseAudio or PipeWire on a desktop (ARDV_AUDIO_DEVICE names another ALSA
// device). Each block is played or captured by a
// worker thread, so that the caller only polls done().
#pragma once

namespace ardv {

// Probes the default devices (traces their capability query) and installs
// those that open with setAudioDevices; a missing side keeps the stand-in
// that reports no device. Returns true when an output device exists. Safe to
// call more than once; the devices live until uninstallAlsaDevices().
bool installAlsaDevices();
void uninstallAlsaDevices();

}  // namespace ardv
