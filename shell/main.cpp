// ardv: the desktop workbench. The information window comes first; its first
// paint runs the start-up, loads the interface texts and creates the main
// window, which opens the file named on the command line.
#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>

#include "annotation/label_files.h"
#include "editing/edit_context.h"
#include "labels/phonetic_description.h"
#include "platform/alsa/alsa_audio.h"
#include "platform/diagnostics.h"
#include "platform/environment.h"
#include "platform/headless/preset_dialogs.h"
#include "platform/headless/stderr_reporter.h"
#include "platform/qt/keyboard_watch.h"
#include "platform/qt/message_reporter.h"
#include "platform/qt/text_viewer_window.h"
#include "platform/qt/trace_window.h"
#include "platform/report.h"
#include "platform/text_viewer.h"
#include "shell/batch/arguments.h"
#include "shell/batch/bench.h"
#include "shell/batch/screenshot.h"
#include "shell/logic/readable_reports.h"
#include "shell/main_window/main_window.h"
#include "shell/main_window/prologue_window.h"
#include "shell/shared/save_question.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/results.h"
#include "signal/startup.h"
#include "signal/wavfile.h"
#include "spectral/spectrogram_params.h"
#include "texts/texts.h"

namespace {

using ardv::shell::parse;
using ardv::shell::runBench;
using ardv::shell::usage;

bool haveDisplay() {
  return ardv::environmentValue("QT_QPA_PLATFORM") || ardv::environmentValue("DISPLAY") ||
         ardv::environmentValue("WAYLAND_DISPLAY");
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
    if (!args->screenshot.empty()) ardv::shell::takeScreenshots(*window, *args, exitCode);
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
