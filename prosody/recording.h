// Recording a new signal from the audio input device ("Record"):
//   1. the device must record 22.05 kHz mono 16-bit;
//   2. open it (PCM, mono, 22050 Hz, 16 bits) with one capture buffer for
//      the whole duration and start;
//   3. wait until the buffer is full or duration + 100 ms have passed
//      (whichever comes first; Escape ends early), then stop and close;
//   4. write the samples to "record.raw" in the temporary directory, convert
//      it to the 16-bit WAV "record.wav" at 22050 Hz and open that as the
//      current signal.
#pragma once

#include <cstdint>

#include "platform/audio_device.h"

namespace ardv {

constexpr int kRecordRateHz = 22050;
constexpr double kRecordDefaultSeconds = 4.0;
constexpr double kRecordMaxSeconds = 600.0;  // one capture buffer holds it all

// Records `seconds` (0 < seconds <= kRecordMaxSeconds) from `device`. Returns
// the number of samples recorded and made the current signal, or -1 after
// its report (the current signal is then unchanged).
std::int64_t record(AudioInput& device, double seconds);

}  // namespace ardv
