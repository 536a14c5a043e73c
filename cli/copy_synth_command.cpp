// ardv-cli copy-synth IN.wav -o OUT.kle [--synth OUT.wav]
// [--method mccandless|snake] [--ceiling auto|HZ] [--profile NAME]: the whole
// copy-synthesis path on a recording: F0, formant tracks (McCandless at the
// automatic ceiling unless one is given), default pieces, the fit of the
// parallel amplitudes, and optionally the synthesized speech. Our
// synthesizer runs in-process, as in `ardv-cli synth`.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "formants/copy_synthesis_run.h"
#include "formants/copy_synthesis_tracks.h"
#include "formants/formant_options.h"
#include "formants/formant_tracks.h"
#include "formants/klatt_invocation.h"
#include "formants/klatt_records.h"
#include "platform/report.h"
#include "prosody/pitch_file.h"
#include "prosody/pitch_file_reader.h"
#include "prosody/pitch_marks.h"
#include "prosody/pitch_types.h"
#include "signal/buffers.h"
#include "signal/program.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"
#include "signal/writable_target.h"
#include "spectral/analysable.h"
#include "tools/klatt/klatt_command.h"

namespace ardv::cli {
namespace {

constexpr int kStepMs = 4;

int usage() {
  std::fprintf(stderr,
               "usage: ardv-cli copy-synth IN.wav -o OUT.kle [--synth OUT.wav] [--method mccandless|snake] "
               "[--ceiling auto|HZ] [--profile NAME]\n");
  return 2;
}

std::filesystem::path temporaryDirectory() {
  std::error_code ec;
  const std::filesystem::path dir = program().dirs.temp;
  if (!dir.empty() && std::filesystem::is_directory(dir, ec)) return dir;
  return std::filesystem::temp_directory_path(ec);
}

// Removes a file when it goes.
struct RemovedFile {
  std::filesystem::path path;
  ~RemovedFile() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove(path, ec);
  }
};

klatt::SynthOptions synthOptions(int rateHz, int waveform) {
  klatt::SynthOptions options;
  options.rateHz = rateHz;
  options.frameMs = kStepMs;
  options.waveform = waveform;
  return options;
}

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
    const std::int64_t records = klatt::synthesizeFile(params, synthOptions(rateHz, 7), sink, error);
    if (records < 0 || !written || !out.commit()) {
      message("The Klatt synthesizer failed on " + params.string() + ": " + (error.empty() ? out.error() : error));
      return false;
    }
    return true;
  };
}

// Synthesizes the records of `records` into `wav`, complete but not yet in place.
bool synthesizeWav(const std::filesystem::path& records, SynthesizedWav& wav, const std::string& name, int rateHz) {
  std::string error;
  if (!wav.open() ||
      klatt::synthesizeFile(records, synthOptions(rateHz, 8),
                            [&](std::span<const std::int16_t> s) { return wav.add(s); }, error) <= 0 ||
      !wav.complete()) {
    message("Cannot write " + name + ": " + (error.empty() ? wav.error() : error));
    return false;
  }
  return true;
}

// Copies `from` into `to` through the one writer, a block at a time.
bool copyInto(const std::filesystem::path& from, ReplacingFile& to) {
  std::ifstream in(from, std::ios::binary);
  std::vector<char> block(1 << 20);
  while (in) {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    if (in.gcount() > 0 && !to.write(block.data(), static_cast<std::size_t>(in.gcount()))) return false;
  }
  return in.eof();
}

}  // namespace

int runCopySynth(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto out = takeOption(args, "-o", missing);
  const auto synth = takeOption(args, "--synth", missing);
  const auto method = takeOption(args, "--method", missing);
  const auto profile = takeOption(args, "--profile", missing);
  const auto ceiling = takeOption(args, "--ceiling", missing);
  const bool snake = method && *method == "snake";
  if (missing || args.size() != 1 || !out || (method && !snake && *method != "mccandless") || (ceiling && snake))
    return usage();
  // The tracks follow the voice: McCandless at the ceiling chosen per stretch
  // (0), or at the ceiling given (5000 Hz: the tracker's own ranges).
  FormantOptions options;
  options.ceilingHz = 0.0;
  if (ceiling && *ceiling != "auto") {
    char* end = nullptr;
    options.ceilingHz = std::strtod(ceiling->c_str(), &end);
    if (ceiling->empty() || !end || *end || options.ceilingHz == 0.0) options.ceilingHz = -1.0;
  }
  if (const std::string problem = formantOptionsProblem(options); !problem.empty()) {
    std::fprintf(stderr, "ardv-cli copy-synth: %s\n", problem.c_str());
    return 2;
  }
  const std::string& in = args[0];
  if (!isSeparateOutput(*out, in) || (synth && !isSeparateOutput(*synth, in))) return 1;
  if (synth && sameOutput(*synth, *out)) {
    message("-o " + *out + " and --synth " + *synth + " name the same file: give each output its own.");
    return 1;
  }
  infoFile info;
  if (!describeForReading(in, profile, info)) return 1;
  const double fs = info.frequence;
  if (!analysableRate(in, fs, "copy synthesis") ||
      !analysableLength(in, info.sampleCount(), 512, "copy synthesis"))
    return 1;
  // The signal, the tracks and the files are read a block or a record at a
  // time: memory does not grow with the recording's length.
  const std::int64_t count = info.sampleCount();
  const SampleReader read = signalFileReader(info);
  const FrameSource speech = blockedFrames(
      [&](std::int64_t first, std::int64_t n, std::int16_t* to) { return read(first, n, to); }, count,
      kCopyBlockSamples);

  // F0 of the whole file through a temporary pitch file.
  RemovedFile pitch{temporaryDirectory() / ("ardv-copy-" + std::to_string(::getpid()) + ".pit")};
  if (!pitchFileFromSignal(info, pitch.path, speakerF0Params(-1), PitchOptions{})) return 1;
  PitchFileCache cache;
  const TrackMethod how = snake ? TrackMethod::Snake : TrackMethod::McCandless;
  CopySignal signal;
  signal.speech = speech;
  signal.samples = count;
  signal.fs = fs;
  signal.f0AtMs = [&](double ms) { return cache.lookup(pitch.path, fs, msToSamples(ms, fs)); };
  signal.formants = [&](const std::function<bool(const FormantPoint&)>& point) {
    return formantTracksOfFile(info, 0, count - 1, how, options, snakeParams(),
                               [&](const FormantTrackRow& row) {
                                 return point({double(samplesToMs(double(row.centre), fs)),
                                               {row.frequencyHz[0], row.frequencyHz[1], row.frequencyHz[2]}});
                               });
  };
  const int rateHz = static_cast<int>(std::lround(fs));
  CopySynthesisFiles files(temporaryDirectory());
  const int frames = copySynthesizeSignal(signal, files, inProcessExcitation(rateHz), initialKlattDefaults());
  if (frames == 0) message(in + ": nothing to copy: no voiced or fricative frame (a silent recording?)");
  if (frames <= 0) return 1;
  // Both outputs are complete before either replaces a file.
  ReplacingFile file(*out);
  if (!file.open() || !copyInto(files.result(), file) || !file.complete()) {
    message("Cannot write " + *out + ": " + file.error());
    return 1;
  }
  std::optional<SynthesizedWav> wav;
  if (synth && !synthesizeWav(files.result(), wav.emplace(*synth, rateHz), *synth, rateHz)) return 1;
  if (!file.commit()) {
    message("Cannot write " + *out + ": " + file.error());
    return 1;
  }
  if (wav && !wav->commit()) {
    message("Cannot write " + *synth + ": " + wav->error());
    return 1;
  }
  return 0;
}

}  // namespace ardv::cli
