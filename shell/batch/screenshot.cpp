// Screenshots of the windows in batch mode.
#include "shell/batch/screenshot.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QMouseEvent>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "formants/formant_options.h"
#include "shell/annotation/phonetic_annotator_window.h"
#include "shell/formant_window/formant_window.h"
#include "shell/formant_window/spectral_slice_window.h"
#include "shell/logic/command_table.h"
#include "shell/main_window/editing_tools_window.h"
#include "shell/main_window/main_window.h"
#include "shell/measurement/segment_table_window.h"
#include "shell/panes/plane_view.h"
#include "shell/prosody/f0_contour_window.h"
#include "shell/shared/file_chooser.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/replacing_file.h"
#include "signal/time_conversion.h"
#include "spectral/spectrogram_params.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

// Drags with the mouse in the formant window's canvas from (ms, fromHz) to
// (ms, toHz) on the frequency scale, as a user would.
// With `draw`, Shift is held: a new curve from (ms, fromHz) to (toMs, fromHz).
void dragInFormantWindow(ardv::shell::FormantWindow& w, double ms, double fromHz, double toHz, bool draw = false,
                         double toMs = 0) {
  QWidget* canvas = w.canvas();
  const QPointF a = w.pixelOf(ms, fromHz), b = draw ? w.pixelOf(toMs, fromHz) : w.pixelOf(ms, toHz);
  const Qt::KeyboardModifiers keys = draw ? Qt::ShiftModifier : Qt::NoModifier;
  auto send = [canvas, keys](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, canvas->mapToGlobal(at), Qt::LeftButton, buttons, keys);
    QApplication::sendEvent(canvas, &e);
  };
  send(QEvent::MouseButtonPress, a, Qt::LeftButton);
  for (int k = 1; k <= 64; ++k) send(QEvent::MouseMove, a + (b - a) * (k / 64.0), Qt::LeftButton);
  send(QEvent::MouseButtonRelease, b, Qt::NoButton);
}

}  // namespace

void takeScreenshots(MainWindow& window, const Arguments& args, int& exitCode) {
  auto& prog = ardv::program();
  if (args.perceptual) ardv::spectroSettings()[ardv::kCriticalBands].bands.axis = 1;
  if (args.kind >= 1 && args.kind <= 6) ardv::setMode(args.kind);
  window.spectroPlane()->view()->setShown(true);
  if (args.selectFrom >= 0 && args.selectTo > args.selectFrom) {
    prog.ct.d_sel = static_cast<std::int32_t>(ardv::msToSamples(args.selectFrom, prog.en_cours.frequence));
    prog.ct.f_sel = static_cast<std::int32_t>(ardv::msToSamples(args.selectTo, prog.en_cours.frequence));
    if (args.zoom) window.runCommand(ardv::shell::kCmdZoomIn);
  }
  window.refreshAll();
  if (args.f0) window.runCommand(922);
  if (args.annotatorMs >= 0)
    window.openAnnotator(static_cast<std::int32_t>(ardv::msToSamples(args.annotatorMs, prog.en_cours.frequence)));
  if (args.tools) window.runCommand(11843);
  if (!args.klatt.empty()) {
    window.runCommand(67);
    if (auto* klatt = window.formantWindow()) {
      klatt->resize(1100, 700);
      klatt->openParams(args.klatt, std::nullopt);
      QApplication::processEvents();
      for (std::size_t k = 0; k + 2 < args.klattDrags.size(); k += 3)
        dragInFormantWindow(*klatt, args.klattDrags[k], args.klattDrags[k + 1], args.klattDrags[k + 2]);
      for (std::size_t k = 0; k + 2 < args.klattDraws.size(); k += 3)
        dragInFormantWindow(*klatt, args.klattDraws[k], args.klattDraws[k + 2], 0, true, args.klattDraws[k + 1]);
      if (!klatt->synthesize({}, false)) exitCode = 1;
    }
  }
  if (!args.klattCopy.empty()) {
    window.runCommand(67);
    if (auto* klatt = window.formantWindow()) {
      klatt->resize(1100, 700);
      klatt->tracks().selectAll(false);
      if (!klatt->tracks().openFormants(args.klattCopy) || !klatt->getF0()) exitCode = 1;
      klatt->tracks().selectAll(true);
      if (exitCode != 0 || klatt->copySynthesis() <= 0 || !klatt->synthesize({}, false)) exitCode = 1;
      klatt->runCommand(ardv::shell::kKlattFirstScale);  // the tracks on the spectrogram's axis
    }
  }
  if (!args.klattCommands.empty() && !window.formantWindow()) {
    window.runCommand(67);
    if (auto* klatt = window.formantWindow()) klatt->resize(1100, 700);
  }
  for (int id : args.klattCommands)
    if (auto* klatt = window.formantWindow(); !klatt || !klatt->runCommand(id))
      std::fprintf(stderr, "ardv: formant window command %d is not available\n", id);
  if (args.formantCeilingHz >= 0) ardv::formantOptions().ceilingHz = args.formantCeilingHz;
  if (!args.answer.empty())
    ardv::shell::setFileChooser([answer = QString::fromStdString(args.answer)](ardv::shell::FileQuestion, const QString&,
                                                                               const QString&) { return answer; });
  for (int id : args.commands)
    if (!window.runCommand(id)) std::fprintf(stderr, "ardv: command %d is not available\n", id);
  // The F0 contour window opened by --command 605 shows the signal's contour, ready to edit.
  if (auto* contour = window.findChild<ardv::shell::F0ContourWindow*>(); contour && prog.fileLoaded)
    if (!contour->fromCurrentSignal() || !contour->toModify()) exitCode = 1;
  if (args.tint) ardv::shell::PlaneView::setSelectionTinted(true);
  for (const std::string& key : args.keys) {
    const QKeySequence wanted(QString::fromStdString(key));
    QAction* found = nullptr;
    for (QAction* a : window.findChildren<QAction*>())
      if (a->shortcuts().contains(wanted) && a->isEnabled()) found = a;
    if (found)
      found->trigger();
    else
      std::fprintf(stderr, "ardv: no command has the key %s\n", key.c_str());
  }
  if (args.pointerMs >= 0) {
    auto* spectro = window.spectroPlane()->view();
    const auto sample = static_cast<std::int32_t>(ardv::msToSamples(args.pointerMs, prog.en_cours.frequence));
    window.pointerAt(sample, spectro->frequencyAxis().rowOfHz(args.pointerHz));
  }
  QTimer::singleShot(200, qApp, [&args, &exitCode, &window] {
    const QString out = QString::fromStdString(args.screenshot);
    auto save = [&](QWidget* w, const QString& suffix) {
      if (!w) return;
      QString name = out;
      name.insert(out.endsWith(".png", Qt::CaseInsensitive) ? out.size() - 4 : out.size(), suffix);
      QByteArray png;
      QBuffer buffer(&png);
      buffer.open(QIODevice::WriteOnly);
      ardv::ReplacingFile file{std::filesystem::path(name.toStdString())};
      if (!w->grab().save(&buffer, "PNG") || !file.open() || !file.write(png.constData(), png.size()) ||
          !file.commit()) {
        std::fprintf(stderr, "ardv: cannot write %s: %s\n", qPrintable(name),
                     file.error().empty() ? "the image cannot be encoded" : file.error().c_str());
        exitCode = 1;
      }
    };
    save(&window, "");
    save(window.annotator(), "-annotator");
    save(window.editingTools(), "-tools");
    save(window.formantWindow(), "-klatt");
    if (auto* klatt = window.formantWindow()) save(klatt->f1f2Plane(), "-plane");
    save(window.findChild<ardv::shell::F0ContourWindow*>(), "-contour");
    save(window.findChild<ardv::shell::SpectralSliceWindow*>(), "-slice");
    save(window.segmentTable(), "-segments");
    QApplication::quit();
  });}

}  // namespace ardv::shell
