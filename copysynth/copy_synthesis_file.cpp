// Copy synthesis of a whole signal file with the synthesizer in-process.
#include "copysynth/copy_synthesis_file.h"

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "copysynth/copy_synthesis_run.h"
#include "copysynth/copy_synthesis_tracks.h"
#include "formants/snake.h"
#include "klatt/klatt_records.h"
#include "platform/report.h"
#include "prosody/pitch_file.h"
#include "prosody/pitch_file_reader.h"
#include "prosody/pitch_marks.h"
#include "prosody/pitch_types.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"
#include "spectral/analysable.h"
#include "tools/klatt/klatt_command.h"

namespace ardv::klatt {
namespace {

// Removes a file when it goes.
struct RemovedFile {
  std::filesystem::path path;
  ~RemovedFile() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove(path, ec);
  }
};

// The excitation (-t 7) written high byte first, as the program does with -r 2.
ExcitationSynthesizer inProcessExcitation(int rateHz) {
  return [rateHz](const std::filesystem::path& params, const std::filesystem::path& raw) {
    ReplacingFile out(raw);
    bool written = out.open();
    std::string error;
    std::vector<unsigned char> bytes;
    const auto sink = [&](std::span<const std::int16_t> samples) {
      bytes.resize(2 * samples.size());
      for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto v = static_cast<std::uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<unsigned char>(v >> 8);
        bytes[2 * i + 1] = static_cast<unsigned char>(v & 0xff);
      }
      return written = written && out.write(bytes.data(), bytes.size());
    };
    const std::int64_t records = synthesizeFile(params, copySynthesisOptions(rateHz, 7), sink, error);
    if (records < 0 || !written || !out.commit()) {
      message("The Klatt synthesizer failed on " + params.string() + ": " + (error.empty() ? out.error() : error));
      return false;
    }
    return true;
  };
}

}  // namespace

SynthOptions copySynthesisOptions(int rateHz, int waveform) {
  SynthOptions options;
  options.rateHz = rateHz;
  options.frameMs = kCopyStepMs;
  options.waveform = waveform;
  return options;
}

bool copySynthesizeFile(const infoFile& info, TrackMethod method, const FormantOptions& options,
                        const std::filesystem::path& tempDir,
                        const std::function<bool(const std::filesystem::path& result)>& result) {
  const double fs = info.frequence;
  if (!analysableRate(info.nom, fs, "copy synthesis") ||
      !analysableLength(info.nom, info.sampleCount(), 512, "copy synthesis"))
    return false;
  // The signal, the tracks and the files are read a block or a record at a
  // time: memory does not grow with the recording's length.
  const std::int64_t count = info.sampleCount();
  const SampleReader read = signalFileReader(info);
  const FrameSource speech =
      blockedFrames([&](std::int64_t first, std::int64_t n, std::int16_t* to) { return read(first, n, to); }, count,
                    kCopyBlockSamples);
  // F0 of the whole file through a temporary pitch file.
  static std::atomic<long> runs{0};
  RemovedFile pitch{tempDir / ("ardv-copy-" + std::to_string(::getpid()) + "-" + std::to_string(runs++) + ".pit")};
  if (!pitchFileFromSignal(info, pitch.path, speakerF0Params(-1), PitchOptions{})) return false;
  PitchFileCache cache;
  CopySignal signal;
  signal.speech = speech;
  signal.samples = count;
  signal.fs = fs;
  signal.f0AtMs = [&](double ms) { return cache.lookup(pitch.path, fs, msToSamples(ms, fs)); };
  signal.formants = [&](const std::function<bool(const FormantPoint&)>& point) {
    return formantTracksOfFile(info, 0, count - 1, method, options, snakeParams(),
                               [&](const FormantTrackRow& row) {
                                 return point({double(samplesToMs(double(row.centre), fs)),
                                               {row.frequencyHz[0], row.frequencyHz[1], row.frequencyHz[2]}});
                               });
  };
  CopySynthesisFiles files(tempDir);
  const int frames = copySynthesizeSignal(signal, files, inProcessExcitation(static_cast<int>(std::lround(fs))),
                                          initialKlattDefaults());
  if (frames == 0) message(info.nom + ": nothing to copy: no voiced or fricative frame (a silent recording?)");
  return frames > 0 && result(files.result());
}

}  // namespace ardv::klatt
