// ardv: the desktop workbench. The information window comes first; its first
// paint runs the start-up, loads the interface texts and creates the main
// window, which opens the file named on the command line.
#include <QApplication>
#include <QAction>
#include <QBuffer>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "annotation/label_files.h"
#include "annotation/phonetic_description.h"
#include "annotation/texts.h"
#include "platform/alsa/alsa_audio.h"
#include "platform/environment.h"
#include "platform/headless/preset_dialogs.h"
#include "platform/headless/stderr_reporter.h"
#include "platform/diagnostics.h"
#include "platform/qt/keyboard_watch.h"
#include "platform/qt/message_reporter.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/text_viewer_window.h"
#include "platform/qt/trace_window.h"
#include "platform/report.h"
#include "formants/formant_options.h"
#include "shell/command_table.h"
#include "shell/editing_tools_window.h"
#include "shell/file_chooser.h"
#include "shell/f0_contour_window.h"
#include "shell/formant_window.h"
#include "shell/main_window.h"
#include "shell/measurement_panel.h"
#include "shell/overview_strip.h"
#include "shell/readable_reports.h"
#include "shell/spectral_slice_window.h"
#include "shell/phonetic_annotator_window.h"
#include "shell/prologue_window.h"
#include "shell/save_question.h"
#include "shell/segment_table_window.h"
#include "signal/current_signal.h"
#include "signal/edit_context.h"
#include "signal/program.h"
#include "signal/replacing_file.h"
#include "signal/signal_envelope.h"
#include "signal/results.h"
#include "signal/startup.h"
#include "signal/time_conversion.h"
#include "signal/wavfile.h"
#include "spectral/spectrogram_params.h"

namespace {

struct Arguments {
  std::string file;
  std::optional<std::string> profile;  // format profile of a file not read as WAV
  std::string screenshot;  // PNG of the main window after loading, then exit
  bool bench = false;      // print timings of opening and redrawing, then exit
  int kind = 0;            // spectrogram kind for the screenshot (0: current)
  std::optional<bool> gray;
  double selectFrom = -1, selectTo = -1;  // selection in ms for the screenshot
  bool zoom = false;                      // zoom in on that selection first
  bool f0 = false;                        // F0 for the screen over the spectrogram
  bool perceptual = false;                // critical bands on the perceptual axis
  double annotatorMs = -1;  // also OUT-annotator.png: the annotator on the segment there
  bool tools = false;       // also OUT-tools.png: the editing tools window
  std::vector<int> commands;              // menu commands run before the screenshot
  double formantCeilingHz = -1;           // >= 0: the formant options' ceiling (0 automatic)
  std::string answer;                     // the file every file question of those commands gets
  std::vector<std::string> keys;          // shortcuts pressed before the screenshot
  double pointerMs = -1, pointerHz = -1;  // the pointer placed there for the readouts
  bool tint = false;                      // see-through selection
  double rangeDb = 0;                     // > 0: levels follow the loudest cell, down by this
  std::string klatt;  // also OUT-klatt.png: the formant window on this parameter file, synthesized
  std::vector<double> klattDrags;  // MS FROM TO: drag the F2 point at MS from FROM to TO Hz first
  std::vector<double> klattDraws;  // FROM_MS TO_MS HZ: Shift+drag a new F2 stretch at HZ
  std::string klattCopy;  // a formant listing opened in the formant window, then Get F0 and Copy synthesis
  std::vector<int> klattCommands;  // formant-window commands run last (the window opened if need be)
};

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

void usage(std::FILE* out) {
  std::fprintf(out,
               "usage: ardv [--profile NAME] [FILE]\n"
               "       ardv --help | --version\n"
               "       ardv --screenshot OUT.png [--kind 1..6] [--gray|--colour] [--select FROM_MS TO_MS [--zoom]] [--f0]\n"
               "                         [--perceptual] [--annotator MS] [--tools] FILE\n"
               "                         [--klatt PARAMS.kle [--klatt-drag MS FROM_HZ TO_HZ]... [--klatt-draw FROM_MS TO_MS HZ]...] [FILE]\n"
               "                         [--klatt-copy FORMANTS.for] [--klatt-command ID]... FILE\n"
               "                    [--formant-ceiling HZ] [--command ID]... [--answer FILE] [--key SHORTCUT]... [--pointer MS HZ]\n"
               "                    [--tint] [--range DB] FILE\n"
               "       ardv --bench FILE\n"
               "A FILE not read as WAV needs --profile NAME in --screenshot and --bench (see ardv-cli profiles).\n");
}

std::optional<Arguments> parse(int argc, char** argv) {
  Arguments a;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg == "--help") {
      usage(stdout);
      std::exit(0);
    } else if (arg == "--version") {
      std::printf("ardv (Ardelovox) %s\n", ARDV_VERSION);
      std::exit(std::fflush(stdout) == 0 ? 0 : 1);
    } else if (arg == "--screenshot") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.screenshot = v;
    } else if (arg == "--profile") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.profile = v;
    } else if (arg == "--bench") {
      a.bench = true;
    } else if (arg == "--kind") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.kind = std::atoi(v);
    } else if (arg == "--gray") {
      a.gray = true;
    } else if (arg == "--colour" || arg == "--color") {
      a.gray = false;
    } else if (arg == "--f0") {
      a.f0 = true;
    } else if (arg == "--perceptual") {
      a.perceptual = true;
    } else if (arg == "--annotator") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.annotatorMs = std::atof(v);
    } else if (arg == "--tools") {
      a.tools = true;
    } else if (arg == "--command") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.commands.push_back(std::atoi(v));
    } else if (arg == "--formant-ceiling") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.formantCeilingHz = std::atof(v);
    } else if (arg == "--answer") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.answer = v;
    } else if (arg == "--key") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.keys.push_back(v);
    } else if (arg == "--pointer") {
      const char* ms = next();
      const char* hz = next();
      if (!ms || !hz) return std::nullopt;
      a.pointerMs = std::atof(ms);
      a.pointerHz = std::atof(hz);
    } else if (arg == "--tint") {
      a.tint = true;
    } else if (arg == "--range") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.rangeDb = std::atof(v);
    } else if (arg == "--klatt") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.klatt = v;
    } else if (arg == "--klatt-copy") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.klattCopy = v;
    } else if (arg == "--klatt-command") {
      const char* v = next();
      if (!v) return std::nullopt;
      a.klattCommands.push_back(std::atoi(v));
    } else if (arg == "--klatt-drag") {
      for (int k = 0; k < 3; ++k) {
        const char* v = next();
        if (!v) return std::nullopt;
        a.klattDrags.push_back(std::atof(v));
      }
    } else if (arg == "--klatt-draw") {
      for (int k = 0; k < 3; ++k) {
        const char* v = next();
        if (!v) return std::nullopt;
        a.klattDraws.push_back(std::atof(v));
      }
    } else if (arg == "--zoom") {
      a.zoom = true;
    } else if (arg == "--select") {
      const char* from = next();
      const char* to = next();
      if (!from || !to) return std::nullopt;
      a.selectFrom = std::atof(from);
      a.selectTo = std::atof(to);
    } else if (arg.rfind("--", 0) == 0) {
      return std::nullopt;
    } else {
      a.file = arg;
    }
  }
  if (((!a.screenshot.empty() && a.klatt.empty()) || a.bench) && a.file.empty()) return std::nullopt;
  return a;
}

bool haveDisplay() {
  return ardv::environmentValue("QT_QPA_PLATFORM") || ardv::environmentValue("DISPLAY") ||
         ardv::environmentValue("WAYLAND_DISPLAY");
}

// Timings of the main job: open and show, zoom, scroll.
// Median of `runs` timings of `action` in ms, each with its repaint;
// `between` (not timed) runs before each one.
double medianMs(int runs, const std::function<void()>& action, const std::function<void()>& between = {}) {
  std::vector<double> ms;
  QElapsedTimer timer;
  for (int i = 0; i < runs; ++i) {
    if (between) between();
    QApplication::processEvents();
    timer.restart();
    action();
    QApplication::processEvents();
    ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  std::nth_element(ms.begin(), ms.begin() + runs / 2, ms.end());
  return ms[static_cast<std::size_t>(runs / 2)];
}

// Times of the window's actions on FILE under each spectrogram kind: one row
// per action, medians of kBenchRuns, each with its repaint.
void runBench(ardv::shell::MainWindow& window, const std::string& file) {
  using ardv::shell::MeasurementPanel;
  using ardv::shell::Step;
  constexpr int kBenchRuns = 5;
  const int kindCommands[] = {ardv::shell::kCmdWideBand,          ardv::shell::kCmdNarrowBand,
                              ardv::shell::kCmdReassigned,        ardv::shell::kCmdLinearPrediction,
                              ardv::shell::kCmdCepstral,          ardv::shell::kCmdCriticalBands};
  auto& ct = ardv::program().ct;
  bool opened = true;
  const auto open = [&] { opened = opened && window.openPath(file); };
  struct Row {
    const char* name;
    std::function<void()> action, between;
  };
  const auto selectMiddle = [&] {
    ct.d_sel = ct.d_a + (ct.f_a - ct.d_a) / 4;
    ct.f_sel = ct.d_a + (ct.f_a - ct.d_a) / 2;
  };
  const auto nav = [&](Step step) { return [&window, step] { window.navigate(step); }; };
  int scrolls = 0;
  int pointer = 0;
  std::vector<Row> rows = {
      {"open and show", open, {}},
      {"zoom in (selection)", [&] { window.runCommand(ardv::shell::kCmdZoomIn); }, selectMiddle},
      {"zoom out", [&] { window.runCommand(ardv::shell::kCmdZoomOut); }, [&] {
         selectMiddle();
         window.runCommand(ardv::shell::kCmdZoomIn);
       }},
      {"scroll (bar)", [&] { window.scrollTo(window.scrollMapping().pmax * (1 + scrolls++ % 2) / 3); }, {}},
      {"zoom in x2", nav(Step::ZoomIn), nav(Step::ZoomOut)},
      {"zoom out x2", nav(Step::ZoomOut), nav(Step::ZoomIn)},
      {"right", nav(Step::Right), {}},
      {"left", nav(Step::Left), {}},
      {"page down", nav(Step::PageRight), {}},
      {"page up", nav(Step::PageLeft), {}},
      {"end", nav(Step::End), nav(Step::Home)},
      {"home", nav(Step::Home), nav(Step::End)},
      {"show all", nav(Step::ShowAll), nav(Step::ZoomIn)},
      {"pointer readout", [&] { window.pointerAt(ct.d_a + (ct.f_a - ct.d_a) * (pointer++ % 100) / 100, 50); }, {}},
      // The whole file's envelope read again and the strip drawn.
      {"overview, first draw", [&] { window.overview()->repaint(); }, [&] {
         ardv::forgetCurrentEnvelope();
         window.overview()->forget();
       }},
      {"overview drag", [&] {
         auto* strip = window.overview();
         emit strip->moveRequested(strip->sampleAt(strip->width() * (1 + pointer++ % 7) / 8));
       }, {}},
  };
  std::printf("%s, spectrogram %dx%d pixels; medians of %d runs, ms\n", file.c_str(),
              window.spectroPlane()->view()->width(), window.spectroPlane()->view()->height(), kBenchRuns);
  std::printf("%-20s %8s %8s %8s %8s %8s %8s\n", "", "wide", "narrow", "reass.", "lpc", "cepstral", "critical");
  std::printf("%-20s", "kind switch");
  if (!window.openPath(file)) return;
  for (int k = 0; k < 6; ++k) {
    const int into = kindCommands[k], from = kindCommands[(k + 5) % 6];
    std::printf(" %8.1f", medianMs(kBenchRuns, [&] { window.runCommand(into); }, [&] { window.runCommand(from); }));
  }
  std::printf("\n");
  std::vector<std::vector<double>> table(rows.size());
  for (int k = 0; k < 6; ++k) {
    window.runCommand(kindCommands[k]);
    for (std::size_t r = 0; r < rows.size(); ++r)
      table[r].push_back(medianMs(kBenchRuns, rows[r].action, rows[r].between));
  }
  if (!opened) return;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    std::printf("%-20s", rows[r].name);
    for (double ms : table[r]) std::printf(" %8.1f", ms);
    std::printf("\n");
  }
  // The measurement panel answering a new 1-s selection, with the first
  // measurement after a change of file (a file of up to 5 s is then
  // analysed whole) and the next ones; shown only here, so that the rows
  // above time no measuring.
  if (MeasurementPanel* panel = window.measurementPanel()) {
    panel->setVisible(true);
    const auto second = static_cast<std::int32_t>(ardv::program().en_cours.frequence);
    std::int64_t step = 0;
    const auto selectNext = [&] {
      const std::int64_t room = std::max<std::int64_t>(std::int64_t{ct.f_e} - ct.d_e - second, 1);
      const auto first = static_cast<std::int32_t>(ct.d_e + (step++ * 123457) % room);
      window.selectSamples(first, first + second - 1);
    };
    const double first = medianMs(kBenchRuns, selectNext, [&] { panel->invalidate(); });
    const double next = medianMs(kBenchRuns, selectNext);
    std::printf("%-20s %8.1f ms (first after opening), %.1f ms (the next)\n", "panel, 1-s selection", first, next);
    panel->setVisible(false);
  }
}

// The phoneme inventory the phoneme pane and the annotator offer.
bool loadPhonemes() {
  const auto& prog = ardv::program();
  if (ardv::loadLanguageDescription(prog.dirs.format, prog.settings.languageFile)) return true;
  ardv::fatal("inconsistent description of phonemes and phonetic classes");
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const auto args = parse(argc, argv);
  if (!args) {
    usage(stderr);
    return 2;
  }
  const bool batch = !args->screenshot.empty() || args->bench;
  if (!haveDisplay()) {
    std::fprintf(stderr,
                 "ardv: there is no display (DISPLAY is not set).\n"
                 "Run it under a virtual display:   xvfb-run -a ardv FILE\n"
                 "or use the command-line program:  ardv-cli info FILE\n");
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Ardelovox");
  QApplication::setApplicationName("ardv");
  QApplication::setQuitOnLastWindowClosed(false);

  ardv::qt::MessageReporter boxes;
  boxes.setPresenter([](const ardv::Report& r) {
    // Only the words before the step's number: the box leaves that line out.
    // Before the texts are read the missing text is itself reported: that
    // report is shown without asking for it again.
    constexpr int kFailingStepText = 401;
    static bool asking = false;
    std::string step;
    if (!asking) {
      asking = true;
      step = ardv::text(kFailingStepText);
      asking = false;
    }
    return ardv::shell::readableReport(r, ardv::shell::actionUnderWay(), step.substr(0, step.find('%')));
  });
  ardv::StderrReporter stderrReporter;
  if (batch)
    ardv::setReportHandler(&stderrReporter);
  else
    ardv::setReportHandler(&boxes);
  // Batch mode never opens a modal dialog: the profile comes from --profile.
  ardv::shell::ShellDialogs dialogs;
  ardv::presetDialogs().profileName = args->profile;
  ardv::presetDialogs().cancelFormats = batch && !args->profile;
  ardv::setDialogs(batch ? static_cast<ardv::Dialogs*>(&ardv::presetDialogs()) : &dialogs);
  ardv::qt::TextViewerWindows viewers;
  ardv::setTextViewer(&viewers);
  ardv::setLogChangedCallback([&viewers] { viewers.refresh(); });
  ardv::qt::KeyboardWatch keyboard;

  ardv::shell::PrologueWindow prologue;
  std::unique_ptr<ardv::qt::TraceWindow> trace;
  ardv::shell::MainWindow* window = nullptr;
  int exitCode = 0;

  QObject::connect(&prologue, &ardv::shell::PrologueWindow::firstPainted, [&](bool shiftHeld) {
    ardv::setDebugMode(shiftHeld);
    trace = std::make_unique<ardv::qt::TraceWindow>();
    boxes.setTraceWindow(trace.get());
    if (shiftHeld) trace->show();
    ardv::setTraceShower([&trace] {
      if (trace && !trace->isVisible()) trace->show();
    });
    prologue.refresh();
    if (!ardv::startup() || !ardv::loadInterfaceTexts(ardv::program()) || !loadPhonemes() ||
        ardv::fatalRequested()) {
      exitCode = 1;
      app.quit();
      return;
    }
    ardv::resetCurrent();
    ardv::resetEditContext();
    ardv::installEditSaveHandler();
    ardv::setLabelFileReaders({ardv::readLabels, ardv::readAnnotations});
    if (batch && !args->file.empty() && !args->profile && !ardv::isWavName(args->file)) {
      ardv::message(args->file + "\r\nis not read as a WAV file (extensions .wav, .ard, .wa$); give its format "
                    "profile with --profile NAME (see ardv-cli profiles).");
      exitCode = 1;
      app.quit();
      return;
    }
    if (!ardv::installAlsaDevices()) ardv::traceLine("no audio output device: playback is not available");
    window = new ardv::shell::MainWindow(
        prologue.lines(), [&prologue] { prologue.refresh(); }, &prologue);
    window->setRecentFilesKept(!batch);
    boxes.setParent(window);
    dialogs.setParent(window);
    QObject::connect(window, &ardv::shell::MainWindow::closed, &app, &QApplication::quit);
    window->show();
    if (args->bench) {
      runBench(*window, args->file);
      app.quit();
      return;
    }
    if (!args->file.empty()) {
      if (args->gray) ardv::program().options.graymode = *args->gray;
      if (args->rangeDb > 0) ardv::spectroSettings().relativeRangeDb = args->rangeDb;
      // A profile named on the command line answers the profile selector.
      if (args->profile) ardv::setDialogs(&ardv::presetDialogs());
      const bool opened = window->openPath(args->file);
      if (!batch) ardv::setDialogs(&dialogs);
      if (!opened && batch) {
        exitCode = 1;
        app.quit();
        return;
      }
    }
    if (!args->screenshot.empty()) {
      auto& prog = ardv::program();
      if (args->perceptual) ardv::spectroSettings()[ardv::kCriticalBands].bands.axis = 1;
      if (args->kind >= 1 && args->kind <= 6) ardv::setMode(args->kind);
      window->spectroPlane()->view()->setShown(true);
      if (args->selectFrom >= 0 && args->selectTo > args->selectFrom) {
        prog.ct.d_sel = static_cast<std::int32_t>(ardv::msToSamples(args->selectFrom, prog.en_cours.frequence));
        prog.ct.f_sel = static_cast<std::int32_t>(ardv::msToSamples(args->selectTo, prog.en_cours.frequence));
        if (args->zoom) window->runCommand(ardv::shell::kCmdZoomIn);
      }
      window->refreshAll();
      if (args->f0) window->runCommand(922);
      if (args->annotatorMs >= 0)
        window->openAnnotator(static_cast<std::int32_t>(ardv::msToSamples(args->annotatorMs, prog.en_cours.frequence)));
      if (args->tools) window->runCommand(11843);
      if (!args->klatt.empty()) {
        window->runCommand(67);
        if (auto* klatt = window->formantWindow()) {
          klatt->resize(1100, 700);
          klatt->openParams(args->klatt, std::nullopt);
          QApplication::processEvents();
          for (std::size_t k = 0; k + 2 < args->klattDrags.size(); k += 3)
            dragInFormantWindow(*klatt, args->klattDrags[k], args->klattDrags[k + 1], args->klattDrags[k + 2]);
          for (std::size_t k = 0; k + 2 < args->klattDraws.size(); k += 3)
            dragInFormantWindow(*klatt, args->klattDraws[k], args->klattDraws[k + 2], 0, true, args->klattDraws[k + 1]);
          if (!klatt->synthesize({}, false)) exitCode = 1;
        }
      }
      if (!args->klattCopy.empty()) {
        window->runCommand(67);
        if (auto* klatt = window->formantWindow()) {
          klatt->resize(1100, 700);
          klatt->tracks().selectAll(false);
          if (!klatt->tracks().openFormants(args->klattCopy) || !klatt->getF0()) exitCode = 1;
          klatt->tracks().selectAll(true);
          if (exitCode != 0 || klatt->copySynthesis() <= 0 || !klatt->synthesize({}, false)) exitCode = 1;
          klatt->runCommand(ardv::shell::kKlattFirstScale);  // the tracks on the spectrogram's axis
        }
      }
      if (!args->klattCommands.empty() && !window->formantWindow()) {
        window->runCommand(67);
        if (auto* klatt = window->formantWindow()) klatt->resize(1100, 700);
      }
      for (int id : args->klattCommands)
        if (auto* klatt = window->formantWindow(); !klatt || !klatt->runCommand(id))
          std::fprintf(stderr, "ardv: formant window command %d is not available\n", id);
      if (args->formantCeilingHz >= 0) ardv::formantOptions().ceilingHz = args->formantCeilingHz;
      if (!args->answer.empty())
        ardv::shell::setFileChooser([answer = QString::fromStdString(args->answer)](ardv::shell::FileQuestion, const QString&,
                                                                                   const QString&) { return answer; });
      for (int id : args->commands)
        if (!window->runCommand(id)) std::fprintf(stderr, "ardv: command %d is not available\n", id);
      // The F0 contour window opened by --command 605 shows the signal's contour, ready to edit.
      if (auto* contour = window->findChild<ardv::shell::F0ContourWindow*>(); contour && prog.fileLoaded)
        if (!contour->fromCurrentSignal() || !contour->toModify()) exitCode = 1;
      if (args->tint) ardv::shell::PlaneView::setSelectionTinted(true);
      for (const std::string& key : args->keys) {
        const QKeySequence wanted(QString::fromStdString(key));
        QAction* found = nullptr;
        for (QAction* a : window->findChildren<QAction*>())
          if (a->shortcuts().contains(wanted) && a->isEnabled()) found = a;
        if (found)
          found->trigger();
        else
          std::fprintf(stderr, "ardv: no command has the key %s\n", key.c_str());
      }
      if (args->pointerMs >= 0) {
        auto* spectro = window->spectroPlane()->view();
        const auto sample = static_cast<std::int32_t>(ardv::msToSamples(args->pointerMs, prog.en_cours.frequence));
        window->pointerAt(sample, spectro->frequencyAxis().rowOfHz(args->pointerHz));
      }
      QTimer::singleShot(200, &app, [&, window] {
        const QString out = QString::fromStdString(args->screenshot);
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
        save(window, "");
        save(window->annotator(), "-annotator");
        save(window->editingTools(), "-tools");
        save(window->formantWindow(), "-klatt");
        if (auto* klatt = window->formantWindow()) save(klatt->f1f2Plane(), "-plane");
        save(window->findChild<ardv::shell::F0ContourWindow*>(), "-contour");
        save(window->findChild<ardv::shell::SpectralSliceWindow*>(), "-slice");
        save(window->segmentTable(), "-segments");
        app.quit();
      });
    }
  });
  prologue.show();
  const int rc = app.exec();
  ardv::setCurrentSignalListener(nullptr);
  delete window;
  ardv::uninstallAlsaDevices();
  ardv::setReportHandler(nullptr);
  ardv::setDialogs(nullptr);
  ardv::setTextViewer(nullptr);
  ardv::setLogChangedCallback({});
  return exitCode ? exitCode : rc;
}
