// ardv-cli copy-synth IN.wav -o OUT.kle [--synth OUT.wav]
// [--method mccandless|snake] [--ceiling auto|HZ] [--profile NAME]: the whole
// copy-synthesis path on a recording: F0, formant tracks (McCandless at the
// automatic ceiling unless one is given), default pieces, the fit of the
// parallel amplitudes, and optionally the synthesized speech. Our
// synthesizer runs in-process, as in `ardv-cli synth`.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "copysynth/copy_synthesis_file.h"
#include "copysynth/copy_synthesis_run.h"
#include "copysynth/copy_synthesis_tracks.h"
#include "formants/formant_options.h"
#include "formants/formant_tracks.h"
#include "klatt/klatt_invocation.h"
#include "klatt/klatt_records.h"
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

std::filesystem::path temporaryDirectory() {
  std::error_code ec;
  const std::filesystem::path dir = program().dirs.temp;
  if (!dir.empty() && std::filesystem::is_directory(dir, ec)) return dir;
  return std::filesystem::temp_directory_path(ec);
}

// Synthesizes the records of `records` into `wav`, complete but not yet in place.
bool synthesizeWav(const std::filesystem::path& records, SynthesizedWav& wav, const std::string& name, int rateHz) {
  std::string error;
  if (!wav.open() ||
      klatt::synthesizeFile(records, klatt::copySynthesisOptions(rateHz, 8),
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

struct CopySynthOptions {
  std::string in, outName;
  std::optional<std::string> synth, method, profile;
  std::optional<double> ceilingHz;
  bool ceilingGiven = false;
};

int runCopySynth(const CopySynthOptions& given) {
  const auto& [in, outName, synth, method, profile, ceilingHz, ceilingGiven] = given;
  const std::string* out = &outName;
  const bool snake = method && *method == "snake";
  if (ceilingGiven && snake) return usageError("--method snake takes no --ceiling");
  // The tracks follow the voice: McCandless at the ceiling chosen per stretch
  // (0), or at the ceiling given (5000 Hz: the tracker's own ranges).
  FormantOptions options;
  options.ceilingHz = ceilingHz.value_or(0.0);
  if (const std::string problem = formantOptionsProblem(options); !problem.empty()) return usageError(problem);
  if (!isSeparateOutput(*out, in) || (synth && !isSeparateOutput(*synth, in))) return 1;
  if (synth && sameOutput(*synth, *out)) {
    message("-o " + *out + " and --synth " + *synth + " name the same file: give each output its own.");
    return 1;
  }
  infoFile info;
  if (!describeForReading(in, profile, info)) return 1;
  const int rateHz = static_cast<int>(std::lround(info.frequence));
  const TrackMethod how = snake ? TrackMethod::Snake : TrackMethod::McCandless;
  ReplacingFile file(*out);
  std::optional<SynthesizedWav> wav;
  const std::optional<std::string>& synthName = synth;  // a binding cannot be captured
  // Both outputs are complete before either replaces a file.
  const bool copied =
      klatt::copySynthesizeFile(info, how, options, temporaryDirectory(), [&](const std::filesystem::path& result) {
        if (!file.open() || !copyInto(result, file) || !file.complete()) {
          message("Cannot write " + *out + ": " + file.error());
          return false;
        }
        return !synthName || synthesizeWav(result, wav.emplace(*synthName, rateHz), *synthName, rateHz);
      });
  if (!copied) return 1;
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

}  // namespace

void addCopySynth(Commands& commands) {
  auto o = std::make_shared<CopySynthOptions>();
  CLI::App* c = commands.add("copy-synth",
                             "copy synthesis: Klatt tracks (F0, formants, fitted parallel amplitudes) that imitate a recording",
                             [o] { return runCopySynth(*o); });
  c->add_option("IN", o->in, "the recording")->required();
  c->add_option("-o", o->outName, "the Klatt parameter file written")->required()->type_name("OUT.kle");
  c->add_option("--synth", o->synth, "the parameters synthesized too")->type_name("OUT.wav");
  oneOf(c->add_option("--method", o->method, "formant tracker (default mccandless)"), {"mccandless", "snake"});
  addCeilingOption(c, o->ceilingHz, o->ceilingGiven);
  addProfileOption(c, o->profile);
}

}  // namespace ardv::cli
