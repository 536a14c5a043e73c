// ardv-cli figure FILE -o OUT.png|svg|pdf [--from MS --to MS] [--panes LIST]
// [--kind K] [--size WxHmm] [--dpi N] [--font NAME] [--font-size PT]
// [--colour] [--range DB] [--fmax HZ] [--title T] [--no-boundaries]
// [--profile NAME]: a figure of a stretch of a signal file for a paper.
// Rendered by Qt's painter on the offscreen platform (no display needed) in
// ardv-cli-figures, which ardv-cli runs in its place; absent from a build
// without Qt.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "spectral/spectrogram_settings.h"
#include "figure/figure_request.h"
#include "platform/report.h"

#ifdef ARDV_HAVE_FIGURE
#include <QGuiApplication>

#include "annotation/label_files.h"
#include "figure/figure_data.h"
#include "figure/figure_render.h"
#include "signal/annotation_chunk.h"
#include "signal/program.h"
#include "signal/wavfile.h"
#include "signal/writable_target.h"
#include "spectral/analysable.h"
#endif

namespace ardv::cli {
namespace {

int usage() {
  std::fprintf(stderr,
               "usage: ardv-cli figure FILE -o OUT.png|OUT.svg|OUT.pdf [--from MS --to MS] [--panes LIST] "
               "[--kind %s] [--size WxHmm] [--dpi N] [--font NAME] [--font-size PT] [--colour] [--range DB] "
               "[--fmax HZ] [--title T] [--no-boundaries] [--profile NAME]\n"
               "  LIST: comma-separated, in order, of waveform, spectrogram, f0, energy, phonemes, words\n",
               spectroKindNames());
  return 2;
}

int refuse(const std::string& why) {
  std::fprintf(stderr, "ardv-cli figure: %s\n", why.c_str());
  return 2;
}

bool number(const std::optional<std::string>& text, double& value) {
  if (!text) return true;
  char* end = nullptr;
  const double v = std::strtod(text->c_str(), &end);
  if (text->empty() || !end || *end || !std::isfinite(v)) return false;
  value = v;
  return true;
}

bool takeFlag(Args& args, const char* flag) {
  for (auto it = args.begin(); it != args.end(); ++it)
    if (*it == flag) {
      args.erase(it);
      return true;
    }
  return false;
}

#if !defined(ARDV_HAVE_FIGURE) && defined(ARDV_FIGURE_PROGRAM)
// The build of this program that paints figures (it links Qt) runs in this
// process's place, with this process's arguments, from the same directory.
int runFigureProgram() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path program = self.parent_path() / ARDV_FIGURE_PROGRAM;
  std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
  std::vector<std::string> words;
  for (std::string word; std::getline(cmdline, word, '\0');) words.push_back(word);
  if (error || words.empty()) {
    message("Cannot find the program that paints figures beside ardv-cli: " +
            (error ? error.message() : std::string("no arguments in /proc/self/cmdline")));
    return 1;
  }
  words[0] = program.string();
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::fflush(stdout);
  std::fflush(stderr);
  ::execv(argv[0], argv.data());
  message("Cannot run " + program.string() + ": " + std::strerror(errno));
  return 1;
}
#endif

#ifdef ARDV_HAVE_FIGURE
// Qt's own notes (no runtime directory, font fallbacks) are not the
// command's: only its critical and fatal messages reach standard error.
void qtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "ardv-cli figure: %s\n", qPrintable(text));
}
#endif

}  // namespace

int runFigure(const Args& arguments) {
  Args args = arguments;
  bool missing = false;
  const auto out = takeOption(args, "-o", missing);
  const auto from = takeOption(args, "--from", missing);
  const auto to = takeOption(args, "--to", missing);
  const auto panes = takeOption(args, "--panes", missing);
  const auto kind = takeOption(args, "--kind", missing);
  const auto size = takeOption(args, "--size", missing);
  const auto dpi = takeOption(args, "--dpi", missing);
  const auto font = takeOption(args, "--font", missing);
  const auto fontSize = takeOption(args, "--font-size", missing);
  const auto range = takeOption(args, "--range", missing);
  const auto fmax = takeOption(args, "--fmax", missing);
  const auto title = takeOption(args, "--title", missing);
  const auto profile = takeOption(args, "--profile", missing);
  const bool colour = takeFlag(args, "--colour");
  const bool noBoundaries = takeFlag(args, "--no-boundaries");
  if (missing || args.size() != 1 || !out || args[0].rfind("--", 0) == 0) return usage();

  figure::FigureRequest request;
  std::string error;
  double dpiValue = request.dpi;
  if (!number(from, request.fromMs) || !number(to, request.toMs) || (from && request.fromMs < 0.0) || (to && request.toMs < 0.0))
    return refuse("--from and --to take milliseconds (0 or more)");
  if (!number(dpi, dpiValue) || dpiValue != std::floor(dpiValue) || dpiValue < figure::kMinDpi ||
      dpiValue > figure::kMaxDpi)
    return refuse("--dpi takes a whole number from " + std::to_string(figure::kMinDpi) + " to " +
                  std::to_string(figure::kMaxDpi));
  request.dpi = static_cast<int>(dpiValue);
  if (!number(fontSize, request.fontPt) || !number(range, request.rangeDb) || !number(fmax, request.fmaxHz))
    return refuse("--font-size, --range and --fmax take numbers");
  if (panes && !figure::parsePanes(*panes, request.panes, error)) return refuse(error);
  if (size && !figure::parseSize(*size, request, error)) return refuse(error);
  if (kind) {
    request.kind = spectroKindByName(*kind);
    if (request.kind == 0) return refuse("unknown kind \"" + *kind + "\" (valid: " + spectroKindNames() + ")");
  }
  if (font) request.font = *font;
  if (title) request.title = *title;
  request.colour = colour;
  request.boundaries = !noBoundaries;
  if (!figure::checkRequest(request, error)) return refuse(error);

#if !defined(ARDV_HAVE_FIGURE) && defined(ARDV_FIGURE_PROGRAM)
  return runFigureProgram();
#elif !defined(ARDV_HAVE_FIGURE)
  return refuse("this ardv-cli was built without Qt (-DARDV_BUILD_GUI=OFF); figures need Qt 6 Gui and Svg");
#else
  figure::Format format;
  if (!figure::formatOf(*out, format)) return refuse("the output name must end in .png, .svg or .pdf");

  infoFile info;
  if (!describeForReading(args[0], profile, info) || !isSeparateOutput(*out, info.nom)) return 1;
  if (!analysableRate(info.nom, info.frequence, "A figure")) return 1;
  std::int64_t first = 0, last = 0;
  if (!figure::resolveStretch(info, request, first, last, error)) return refuse(error);
  if (const int problem = writeProblem(*out)) {
    message("Cannot write the figure " + *out + ": " + std::strerror(problem));
    return 1;
  }

  // Fonts and painting need a GUI application; the offscreen platform needs
  // no display.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int argc = 1;
  char name[] = "ardv-cli";
  char* argv[] = {name, nullptr};
  qInstallMessageHandler(qtMessages);
  QGuiApplication application(argc, argv);
  if (!figure::checkFonts(request, error)) return refuse(error);
  const std::string& phonetic = program().settings.phoneticFont;
  if (!phonetic.empty()) {
    figure::FigureRequest probe = request;
    probe.phoneticFont = phonetic;
    std::string why;
    if (figure::checkFonts(probe, why)) request.phoneticFont = phonetic;
    else std::fprintf(stderr, "ardv-cli figure: phonemes in %s: %s\n", request.font.c_str(), why.c_str());
  }

  notetiqs phonemes, words;
  const std::int64_t tf = info.sampleCount();
  if (isWavName(info.nom)) {
    readnotetiqs(info.nom, phonemes, info.etiqdepl, info.etiqlongueur, tf);
    readnotetiqs(info.nom, words, info.notedepl, info.notelongueur, tf);
  } else {
    if (!info.nom_man.empty()) readLabels(phonemes, info);
    if (!info.nomAnnot.empty()) readAnnotations(words, info);
  }

  const figure::FigureLayout layout = figure::layoutFigure(request);
  figure::FigureData data;
  if (!figure::collectFigureData(info, request, first, last, phonemes, words, figure::dataColumns(layout),
                                 program().dirs.temp.string(), data, error)) {
    if (!error.empty()) return refuse(error);
    return 1;
  }
  return figure::writeFigure(*out, request, layout, data) ? 0 : 1;
#endif
}

}  // namespace ardv::cli
