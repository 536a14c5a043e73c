// Export of the window's view as a figure.
#include "shell/main_window/figure_export.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>

#include "editing/edit_context.h"
#include "figure/figure_data.h"
#include "figure/figure_render.h"
#include "platform/report.h"
#include "shell/shared/file_chooser.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "signal/writable_target.h"
#include "spectral/spectrogram_params.h"

namespace ardv::shell {

std::string exportFigure(QWidget* parent, const FigureView& view) {
  const Program& prog = program();
  if (!prog.fileLoaded) return {};
  if (editContext().samplesModified) {
    message("Export figure draws the signal as it is saved: save the edited signal first.");
    return {};
  }
  const QString name = chooseFile(parent, FileQuestion::Save, "Export figure (.png, .svg, .pdf)");
  if (name.isEmpty()) return {};
  const std::string out = name.toStdString();
  figure::Format format;
  if (!figure::formatOf(out, format)) {
    message("Cannot write the figure " + out + ": the name must end in .png, .svg or .pdf");
    return {};
  }
  if (!isSeparateOutput(out, prog.en_cours.nom)) return {};

  const double fs = prog.en_cours.frequence;
  figure::FigureRequest request;
  // The displayed stretch may run past the signal's end: what holds samples.
  request.fromMs = static_cast<double>(prog.ct.d_es) * 1000.0 / fs;
  request.toMs = static_cast<double>(std::min(prog.ct.f_es, prog.ct.tf - 1) + 1) * 1000.0 / fs;
  request.panes = {figure::Pane::Waveform};
  if (view.spectrogram) request.panes.push_back(figure::Pane::Spectrogram);
  if (view.f0) request.panes.push_back(figure::Pane::F0);
  if (view.energy) request.panes.push_back(figure::Pane::Energy);
  if (!prog.etiq.empty()) request.panes.push_back(figure::Pane::Phonemes);
  if (!prog.note.empty()) request.panes.push_back(figure::Pane::Words);
  request.kind = prog.en_cours.mode >= 1 && prog.en_cours.mode <= kSpectroKinds ? prog.en_cours.mode : 1;
  request.colour = !prog.options.graymode;
  request.fmaxHz = std::min(spectroSettings().fmaxHz, fs / 2.0);
  request.phoneticFont = prog.settings.phoneticFont;
  std::string error;
  if (!figure::checkFonts(request, error)) request.phoneticFont.clear();

  std::int64_t first = 0, last = 0;
  if (!figure::checkRequest(request, error) || !figure::resolveStretch(prog.en_cours, request, first, last, error)) {
    message("Cannot export the figure " + out + ": " + error);
    return {};
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const figure::FigureLayout layout = figure::layoutFigure(request);
  figure::FigureData data;
  const bool collected = figure::collectFigureData(prog.en_cours, request, first, last, prog.etiq, prog.note,
                                                   figure::dataColumns(layout), prog.dirs.temp.string(), data, error);
  const bool written = collected && figure::writeFigure(out, request, layout, data);
  QApplication::restoreOverrideCursor();
  if (!collected && !error.empty()) message("Cannot export the figure " + out + ": " + error);
  return written ? out : std::string();
}

}  // namespace ardv::shell
