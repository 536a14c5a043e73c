#include "prosody/recording.h"

#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/keyboard.h"
#include "platform/report.h"
#include "prosody/playback.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/replacing_file.h"
#include "signal/wavfile.h"
#include "signal/write_sound_file.h"

namespace ardv {
namespace {

constexpr int kStopMarginMs = 100;
constexpr int kPollMs = 20;

// Waits for the end of the capture: the full buffer, the time limit or Escape.
void waitForCapture(AudioInput& device, double seconds) {
  using Clock = std::chrono::steady_clock;
  escapePressed();  // forget a press made before
  const auto limit = Clock::now() + std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0) + kStopMarginMs);
  while (!device.done() && Clock::now() < limit && !escapePressed())
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
}

// Writes `samples` to the raw file and converts it to the WAV file. False after a report.
bool writeRecording(const std::vector<std::int16_t>& samples, const std::filesystem::path& raw,
                    const std::filesystem::path& wav) {
  {
    std::vector<char> bytes(2 * samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const auto u = static_cast<std::uint16_t>(samples[i]);
      bytes[2 * i] = static_cast<char>(u & 0xff);
      bytes[2 * i + 1] = static_cast<char>(u >> 8);
    }
    ReplacingFile out(raw);
    if (!out.open() || !out.write(bytes.data(), bytes.size()) || !out.commit()) {
      message("The recording could not be written to " + raw.string() + ": " + out.error());
      return false;
    }
  }
  infoFile source;
  source.nom = raw.string();
  source.longueur = 2 * static_cast<std::int64_t>(samples.size());
  source.frequence = kRecordRateHz;
  infoFile destination;
  destination.nom = wav.string();
  destination.frequence = kRecordRateHz;
  init_infoFile_write_WAV(destination);
  writeSoundFile writer(destination);
  writer.setSource(source, 0, source.longueur, source.longueur, 0);
  return writer.flush() == 0;
}

}  // namespace

std::int64_t record(AudioInput& device, double seconds) {
  if (!checkAudioDevice(device)) return -1;
  if (!(seconds > 0.0 && seconds <= kRecordMaxSeconds)) {
    message("The duration of a recording lies between 0 and 600 seconds.");
    return -1;
  }
  if (!device.supportsMono16At22050()) {
    message("Impossible d'enregistrer en mono");
    return -1;
  }
  const AudioFormat format{kRecordRateHz, 16, 1};
  int code = device.open(format);
  if (code == 0) code = device.addBuffer(static_cast<std::int64_t>(std::lround(seconds * kRecordRateHz)));
  if (code == 0) code = device.start();
  if (code != 0) {
    message(device.errorText(code));
    device.close();
    return -1;
  }
  waitForCapture(device, seconds);
  code = device.stop();
  std::vector<std::int16_t> samples = device.take();
  device.close();
  if (code != 0) {
    message(device.errorText(code));
    return -1;
  }
  if (samples.empty()) {
    message("Nothing was recorded.");
    return -1;
  }
  const auto& temp = program().dirs.temp;
  const std::filesystem::path wav = temp / "record.wav";
  if (!writeRecording(samples, temp / "record.raw", wav)) return -1;
  if (!openFile(wav.string())) {
    message("The recording is kept in " + wav.string() + ".");
    return -1;
  }
  return static_cast<std::int64_t>(samples.size());
}

}  // namespace ardv
