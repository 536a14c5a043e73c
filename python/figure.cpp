// Figures for papers: ardv-cli figure's panes, sizes and formats, painted in
// the module's process (Qt's offscreen platform, one figure at a time).
#include <cmath>
#include <cstdlib>

#include "platform/report.h"
#include "python/common.h"
#include "signal/program.h"

#ifdef ARDV_HAVE_FIGURE
#include <QGuiApplication>

#include "figure/figure_data.h"
#include "figure/figure_render.h"
#include "figure/figure_request.h"
#include "spectral/analysable.h"
#include "spectral/spectrogram_settings.h"
#endif

namespace ardv::python {
namespace {

#ifdef ARDV_HAVE_FIGURE
// Qt's notes (font fallbacks, no runtime directory) are not the caller's.
void quietQt(QtMsgType, const QMessageLogContext&, const QString&) {}

void figureOf(const Sound& s, const std::filesystem::path& file, const std::vector<std::string>& panes,
              const std::string& kind, std::optional<double> fromMs, std::optional<double> toMs,
              std::pair<double, double> sizeMm, int dpi, const std::string& font, double fontSize, bool colour,
              double rangeDb, double fmaxHz, const std::string& title, bool boundaries) {
  const std::string path = file.string();
  figure::FigureRequest request;
  std::string error;
  if (fromMs) request.fromMs = checkedMs("from_ms", *fromMs);
  if (toMs) request.toMs = checkedMs("to_ms", *toMs);
  std::string paneList;
  for (const auto& p : panes) paneList += (paneList.empty() ? "" : ",") + p;
  if (!figure::parsePanes(paneList, request.panes, error)) raiseValueError(error);
  request.kind = spectroKindByName(kind);
  if (request.kind == 0) raiseValueError("unknown kind \"" + kind + "\" (valid: " + spectroKindNames() + ")");
  request.widthMm = sizeMm.first;
  request.heightMm = sizeMm.second;
  request.dpi = dpi;
  request.font = font;
  request.fontPt = fontSize;
  request.colour = colour;
  request.rangeDb = rangeDb;
  request.fmaxHz = fmaxHz;
  request.title = title;
  request.boundaries = boundaries;
  for (double v : {sizeMm.first, sizeMm.second, fontSize, rangeDb, fmaxHz})
    if (!std::isfinite(v)) raiseValueError("sizes, font size, range and fmax must be finite numbers");
  if (!figure::checkRequest(request, error)) raiseValueError(error);
  figure::Format format;
  if (!figure::formatOf(path, format)) raiseValueError("the figure's name must end in .png, .svg or .pdf");
  checkWritable(path);
  std::int64_t first = 0, last = 0;
  if (!figure::resolveStretch(s->info, request, first, last, error)) raiseValueError(error);
  static std::mutex painting;
  callCore([&] {
    std::lock_guard<std::mutex> lock(painting);
    if (!analysableRate(s->info.nom, s->rate(), "A figure")) return false;
    if (QGuiApplication::instance() == nullptr) {
      if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
      qInstallMessageHandler(quietQt);
      static int argc = 1;
      static char name[] = "ardelovox";
      static char* argv[] = {name, nullptr};
      new QGuiApplication(argc, argv);  // lives as long as the process
    }
    std::string why;
    if (!figure::checkFonts(request, why)) return message(why), false;
    const std::string& phonetic = program().settings.phoneticFont;
    if (!phonetic.empty()) {
      figure::FigureRequest probe = request;
      probe.phoneticFont = phonetic;
      if (figure::checkFonts(probe, why)) request.phoneticFont = phonetic;
    }
    const figure::FigureLayout layout = figure::layoutFigure(request);
    figure::FigureData data;
    if (!figure::collectFigureData(s->info, request, first, last, s->phonemes, s->words, figure::dataColumns(layout),
                                   program().dirs.temp.string(), data, why)) {
      if (!why.empty()) message(why);
      return false;
    }
    return figure::writeFigure(path, request, layout, data);
  });
}
#endif

}  // namespace

void bindFigure(py::module_& m) {
#ifdef ARDV_HAVE_FIGURE
  m.def("figure", &figureOf, py::arg("sound"), py::arg("path"), py::kw_only(),
        py::arg("panes") = std::vector<std::string>{"waveform", "spectrogram", "f0", "phonemes", "words"},
        py::arg("kind") = "wide", py::arg("from_ms") = py::none(), py::arg("to_ms") = py::none(),
        py::arg("size_mm") = std::pair<double, double>{160.0, 100.0}, py::arg("dpi") = 300,
        py::arg("font") = "DejaVu Sans", py::arg("font_size") = 8.0, py::arg("colour") = false,
        py::arg("range_db") = 0.0, py::arg("fmax") = 0.0, py::arg("title") = "", py::arg("boundaries") = true,
        "Writes a figure of the sound (or of from_ms..to_ms) for a paper, as ardv-cli figure: panes among "
        "waveform, spectrogram, f0, energy, phonemes, words; PNG, SVG or PDF by the name's extension; size in "
        "mm; range_db 0 and fmax 0 keep the kind's range and half the rate.");
#else
  m.def(
      "figure",
      [](const py::args&, const py::kwargs&) {
        raiseError("this ardelovox was built without Qt (-DARDV_BUILD_GUI=OFF): figures need Qt 6 Gui and Svg");
      },
      "Not available: this module was built without Qt (-DARDV_BUILD_GUI=OFF).");
#endif
}

}  // namespace ardv::python
