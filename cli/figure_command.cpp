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
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/commands.h"
#include "cli/signal_options.h"
#include "figure/figure_request.h"
#include "platform/report.h"
#include "spectral/spectrogram_settings.h"

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

int refuse(const std::string& why) { return usageError(why); }

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

struct FigureOptions {
  std::string file, outName;
  std::optional<std::string> panes, kind, size, font, title, profile;
  std::optional<double> from, to, dpi, fontSize, range, fmax;
  bool colour = false, noBoundaries = false;
};

int runFigure(const FigureOptions& o) {
  const auto& [file, outName, panes, kind, size, font, title, profile, from, to, dpi, fontSize, range, fmax, colour,
               noBoundaries] = o;
  [[maybe_unused]] const std::string* out = &outName;
  figure::FigureRequest request;
  std::string error;
  if (from) request.fromMs = *from;
  if (to) request.toMs = *to;
  if (dpi) {
    if (*dpi != std::floor(*dpi)) return refuse("--dpi takes a whole number");
    request.dpi = static_cast<int>(*dpi);
  }
  if (fontSize) request.fontPt = *fontSize;
  if (range) request.rangeDb = *range;
  if (fmax) request.fmaxHz = *fmax;
  if (panes && !figure::parsePanes(*panes, request.panes, error)) return refuse(error);
  if (size && !figure::parseSize(*size, request, error)) return refuse(error);
  if (kind) request.kind = spectroKindByName(*kind);
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
  if (!describeForReading(file, profile, info) || !isSeparateOutput(*out, info.nom)) return 1;
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

}  // namespace

void addFigure(Commands& commands) {
  auto o = std::make_shared<FigureOptions>();
  CLI::App* c = commands.add("figure",
                             "a figure for a paper: waveform, spectrogram, F0, energy and tiers with axes (LIST: "
                             "waveform, spectrogram, f0, energy, phonemes, words)",
                             [o] { return runFigure(*o); });
  const double finite = std::numeric_limits<double>::max();
  c->add_option("FILE", o->file, "the signal file")->required();
  c->add_option("-o", o->outName, "the figure written")->required()->type_name("OUT.png|OUT.svg|OUT.pdf");
  c->add_option("--from", o->from, "start of the stretch")->transform(number(0.0, finite))->type_name("MS");
  c->add_option("--to", o->to, "end of the stretch")->transform(number(0.0, finite))->type_name("MS");
  c->add_option("--panes", o->panes, "the panes, comma-separated, top to bottom")->type_name("LIST");
  oneOf(c->add_option("--kind", o->kind, "the kind of spectrogram"), spectrogramKinds());
  c->add_option("--size", o->size, "the figure's size (mm, cm, in or px)")->type_name("WxHmm");
  c->add_option("--dpi", o->dpi, "resolution of a PNG")
      ->transform(number(figure::kMinDpi, figure::kMaxDpi))
      ->type_name("N");
  c->add_option("--font", o->font, "the font family")->type_name("NAME");
  c->add_option("--font-size", o->fontSize, "the font size")->transform(number(-finite, finite))->type_name("PT");
  c->add_flag("--colour", o->colour, "a spectrogram in colour");
  c->add_option("--range", o->range, "dynamic range of the spectrogram")->transform(number(-finite, finite))->type_name("DB");
  c->add_option("--fmax", o->fmax, "top of the spectrogram")->transform(number(-finite, finite))->type_name("HZ");
  c->add_option("--title", o->title, "a title above the figure")->type_name("T");
  c->add_flag("--no-boundaries", o->noBoundaries, "no segment boundaries across the panes");
  addProfileOption(c, o->profile);
}

}  // namespace ardv::cli
