// ardv-cli: the scripted front end. Every subcommand reads files and writes
// files through the same core as the desktop program.
#include <unistd.h>

#include <ext/stdio_sync_filebuf.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "annotation/label_files.h"
#include "cli/commands.h"
#include "editing/edit_context.h"
#include "labels/phonetic_description.h"
#include "platform/headless/stderr_reporter.h"
#include "platform/report.h"
#include "platform/thread_pool.h"
#include "signal/current_signal.h"
#include "signal/startup.h"

namespace {

using ardv::cli::Args;

struct Command {
  const char* name;
  int (*run)(const Args&);
  const char* synopsis;
  const char* summary;
};

const Command kCommands[] = {
    {"info", ardv::cli::runInfo, "info FILE [--profile NAME]", "describe a signal file"},
    {"convert", ardv::cli::runConvert, "convert IN OUT [--profile NAME] [--out-profile NAME]",
     "write a signal as WAV (annotations carried) or through a profile"},
    {"profiles", ardv::cli::runProfiles, "profiles", "list the format profiles with their fields"},
    {"labels", ardv::cli::runLabels,
     "labels FILE [--profile NAME] [--import KIND IN] [--export KIND OUT] [--tier phonemes|words] "
     "[--language FILE.lng] [-o OUT.wav]",
     "list, import or export the phoneme and word segments (KIND: qern nist sam align vecsys noisex textgrid)"},
    {"resample", ardv::cli::runResample, "resample IN OUT --rate HZ [--profile NAME]",
     "convert the sampling rate into a WAV file"},
    {"remove-dc", ardv::cli::runRemoveDc, "remove-dc IN OUT [--profile NAME]", "copy a signal without its mean value"},
    {"spectrogram", ardv::cli::runSpectrogram,
     "spectrogram FILE --kind wide|narrow|reassigned|lpc|cepstral|critical [--from MS] [--to MS] [--width N] "
     "[--height N] [--set NAME=VALUE ...] [--colour] [--profile NAME] [--threads N] -o OUT.pgm|OUT.png",
     "spectrogram image of a file or a stretch"},
    {"figure", ardv::cli::runFigure,
     "figure FILE -o OUT.png|OUT.svg|OUT.pdf [--from MS --to MS] [--panes LIST] [--kind K] [--size WxHmm] "
     "[--dpi N] [--font NAME] [--font-size PT] [--colour] [--range DB] [--fmax HZ] [--title T] [--no-boundaries] "
     "[--profile NAME]",
     "a figure for a paper: waveform, spectrogram, F0, energy and tiers with axes (LIST: waveform, spectrogram, "
     "f0, energy, phonemes, words)"},
    {"f0", ardv::cli::runF0, "f0 FILE [-o OUT.pit] [--speaker any|female|male] [--voicing-threshold X] [--threads N]",
     "F0 of a whole file (\"ms Hz\" lines on standard output without -o)"},
    {"f0-corpus", ardv::cli::runF0Corpus,
     "f0-corpus [DIR] [--ext EXT] [--jobs N] [--threads N] [--speaker any|female|male] [--profile NAME] "
     "[--files-from LIST] [--shard I/N]",
     "a pitch file beside every signal file of DIR or of the list"},
    {"search", ardv::cli::runSearch,
     "search [DIR] (--phonemes \"SEQ[;SEQ...]\" | --word TEXT) [--ext EXT] [--labels-dir D] [--labels-ext EXT] "
     "[--labels-kind K] [--profile NAME] [--max N] [-o GATHERED.wav] [--list OUT.tsv] [--files-from LIST] "
     "[--shard I/N]",
     "every occurrence of phoneme sequences or of a word in a corpus, gathered into one signal"},
    {"measure", ardv::cli::runMeasure,
     "measure FILE|DIR [--tier phonemes|words] [--phonemes \"SEQ[;SEQ...]\" | --word TEXT] [--ext EXT] "
     "[--labels-dir D] [--labels-ext EXT] [--labels-kind K] [--profile NAME] [--speaker any|female|male] "
     "[--voice-f0-floor HZ] [--measures f0,formants,intensity] [--method mccandless|snake] [--format csv|tsv] "
     "[--files-from LIST] "
     "[--shard I/N] [-o OUT.csv]",
     "the measurement table of segments: duration, F0 statistics, F1-F3 at 25/50/75 %, intensity"},
    {"energy", ardv::cli::runEnergy, "energy FILE [-o OUT] [--flow HZ --fhigh HZ --window MS]",
     "energy of a whole file"},
    {"speech-start", ardv::cli::runSpeechStart, "speech-start FILE", "start and end of the first speech"},
    {"tracks", ardv::cli::runTracks, "tracks FILE [--to kle|kla|for] [--step MS] -o OUT",
     "convert between Klatt parameter files (.kla .klf .kle) and formant listings (.for)"},
    {"formants", ardv::cli::runFormants,
     "formants FILE [-o OUT] [--method mccandless|snake] [--from MS --to MS] [--format tsv] [--profile NAME] "
     "[--voice-f0-floor HZ] [--ceiling auto|HZ] [--scores OUT]",
     "F1-F3 tracks of a whole file (\"time_ms F1 F2 F3\" lines)"},
    {"formant-candidates", ardv::cli::runFormantCandidates,
     "formant-candidates FILE --kind lpc|cepstral|true-envelope [-o OUT] [--from MS --to MS] [--profile NAME]",
     "every formant candidate (time_ms, frequency, bandwidth, amplitude)"},
    {"play", ardv::cli::runPlay, "play FILE [--from MS --to MS] [--repeat N]",
     "play a signal or a stretch on the default audio device"},
    {"pitch-marks", ardv::cli::runPitchMarks, "pitch-marks FILE [-o OUT] [--speaker any|female|male]",
     "the pitch-mark listing of a whole file"},
    {"modify", ardv::cli::runModify,
     "modify IN OUT.wav --time A --f0 K [--method psola|vocoder] [--phase locking|none] [--from MS --to MS]",
     "duration and F0 changed by PSOLA, or duration by the phase vocoder"},
    {"resynth", ardv::cli::runResynth, "resynth IN --contour C.pit -o OUT.wav",
     "PSOLA resynthesis following an F0 contour (a pitch file)"},
    {"synth", ardv::cli::runSynth,
     "synth PARAMS.kla|.kle|.klf -o OUT.wav [--rate HZ] [--source klatt|lf] [--waveform 1..8] [--flutter N] "
     "[--frame MS]",
     "synthesize a Klatt parameter file with our synthesizer (frame duration from the file's dates)"},
    {"copy-synth", ardv::cli::runCopySynth,
     "copy-synth IN.wav -o OUT.kle [--synth OUT.wav] [--method mccandless|snake] [--ceiling auto|HZ] "
     "[--profile NAME]",
     "copy synthesis: Klatt tracks (F0, formants, fitted parallel amplitudes) that imitate a recording"},
};

void printUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: ardv-cli [--debug LEVEL] [--threads N] COMMAND [ARGS]\n"
               "       ardv-cli --help | --version\n"
               "\n"
               "Commands:\n");
  for (const auto& c : kCommands) std::fprintf(out, "  %s\n      %s\n", c.synopsis, c.summary);
  std::fprintf(out,
               "\n"
               "--threads N (1..256, before or after the command): threads for the spectrogram and F0\n"
               "commands (default: every core; the results are the same for any N).\n"
               "Files are found under $ARDV_HOME (format profiles, language and country files).\n");
}

// Standard output goes through a stream that keeps the reason of the first
// failed write: the C stream's error flag alone loses it once a command has
// flushed.
int stdoutErrno = 0;

ssize_t writeStdout(void*, const char* bytes, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (stdoutErrno == 0) stdoutErrno = n < 0 ? errno : EIO;
      return 0;  // the stream's error flag
    }
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

void watchStdout() {
  cookie_io_functions_t io{nullptr, writeStdout, nullptr, nullptr};
  std::FILE* out = fopencookie(nullptr, "w", io);
  if (out == nullptr) return;
  std::setvbuf(out, nullptr, ::isatty(STDOUT_FILENO) ? _IOLBF : _IOFBF, BUFSIZ);
  stdout = out;
  // Never destroyed: std::cout is flushed after every static object is gone.
  static auto* coutBuffer = new __gnu_cxx::stdio_sync_filebuf<char>(out);
  std::cout.rdbuf(coutBuffer);
}

// Exit status after checking that everything reached standard output, as
// coreutils do: a write error there is a failure of the command.
int finish(int status) {
  std::cout.flush();
  const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  if (!failed) {
    std::fflush(stderr);  // best effort: there is nowhere left to report to
    return status;
  }
  std::string reason = stdoutErrno != 0 ? std::string(": ") + std::strerror(stdoutErrno) : std::string();
  std::fprintf(stderr, "ardv-cli: write error on standard output%s\n", reason.c_str());
  std::fflush(stderr);
  return status == 0 ? 1 : status;
}

// The value of --threads: 1..256, or 0 when it is not one.
int threadCount(const std::string& text) {
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && end && !*end && n >= 1 && n <= 256 ? static_cast<int>(n) : 0;
}

int run(int argc, char** argv) {
  static ardv::StderrReporter reporter;
  ardv::setReportHandler(&reporter);

  std::vector<std::string> args(argv + 1, argv + argc);
  std::size_t first = 0;
  while (first < args.size() && args[first].rfind("--", 0) == 0) {
    const std::string& option = args[first];
    if (option == "--help") {
      printUsage(stdout);
      return 0;
    }
    if (option == "--version") {
      std::printf("ardv-cli (Ardelovox) %s\n", ARDV_VERSION);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (option == "--debug" && first + 1 < args.size()) {
      char* end = nullptr;
      long level = std::strtol(args[first + 1].c_str(), &end, 10);
      if (!end || *end) {
        std::fprintf(stderr, "ardv-cli: --debug needs a number from 0 to 100\n");
        return 2;
      }
      ardv::setDebugLevel(static_cast<int>(level));
      ardv::setDebugMode(true);
      reporter.setShowTrace(true);
      first += 2;
      continue;
    }
    if (option == "--threads" && first + 1 < args.size()) {
      const int n = threadCount(args[first + 1]);
      if (n == 0) {
        std::fprintf(stderr, "ardv-cli: --threads needs a number from 1 to 256\n");
        return 2;
      }
      ardv::setWorkerThreads(n);
      first += 2;
      continue;
    }
    std::fprintf(stderr, "ardv-cli: unknown option %s\n", option.c_str());
    return 2;
  }
  if (first >= args.size()) {
    printUsage(stderr);
    return 2;
  }
  const std::string name = args[first];
  if (name == "help") {
    printUsage(stdout);
    return 0;
  }
  const Command* command = nullptr;
  for (const auto& c : kCommands)
    if (name == c.name) command = &c;
  if (!command) {
    std::fprintf(stderr, "ardv-cli: unknown command %s (try ardv-cli --help)\n", name.c_str());
    return 2;
  }

  // --threads after the command, for the commands that use the threads.
  if (name == "spectrogram" || name == "f0" || name == "f0-corpus") {
    for (std::size_t i = first + 1; i < args.size(); ++i) {
      if (args[i] != "--threads") continue;
      const int n = i + 1 < args.size() ? threadCount(args[i + 1]) : 0;
      if (n == 0) {
        std::fprintf(stderr, "ardv-cli %s: --threads needs a number from 1 to 256\n", name.c_str());
        return 2;
      }
      ardv::setWorkerThreads(n);
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      break;
    }
  }

  if (!ardv::startup()) return 1;
  ardv::loadInterfaceTexts(ardv::program());
  if (ardv::fatalRequested()) return 1;
  const ardv::Program& prog = ardv::program();
  if (!ardv::loadLanguageDescription(prog.dirs.format, prog.settings.languageFile)) return 1;
  ardv::setLabelFileReaders({ardv::readLabels, ardv::readAnnotations});
  ardv::installEditSaveHandler();
  return command->run(Args(args.begin() + static_cast<long>(first) + 1, args.end()));
}

}  // namespace

int main(int argc, char** argv) {
  // Past a file-size limit a write fails with "File too large" and is reported like a full disk.
  std::signal(SIGXFSZ, SIG_IGN);
  watchStdout();
  return finish(run(argc, argv));
}
