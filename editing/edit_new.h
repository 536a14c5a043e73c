// New silent signals (commands Empty and Zero) and Remove DC.
#pragma once

#include <cstdint>
#include <string>

namespace ardv {

// Length of every new silent signal, seconds.
constexpr int kNewSignalSeconds = 4;

// After askSaveModifications (Abandon gives false), makes the silent WAV file
// "shadow.wav" of 4 s at `frequence` Hz in the temporary directory the
// current signal, showing the first `displayMs` ms; the edit state is reset.
// False after a message when the file cannot be made or opened.
bool newSilentSignal(double frequence, double displayMs);
// Empty: 22050 Hz, 2000 ms shown.
bool editNewEmpty();
// Zero: `frequence` one of 8000, 11025, 16000, 22050 Hz; `durationMs` at
// least 1000 (smaller values are raised to it) is the stretch shown.
bool editNewZero(double frequence, double durationMs);

// Writes `target`, a copy of the current file without its mean value: the
// bytes before and after the sample area (header, annotation chunks) are
// copied unchanged; every sample word (in the file's byte order) loses the
// truncated mean of the samples, limited to the 16-bit range. A file without
// samples is copied as it is. The current file itself is refused with UI
// text 1017. Written beside `target`, then renamed over it. False after a
// message.
bool removeDC(const std::string& target);

}  // namespace ardv
