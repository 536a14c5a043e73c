// Timings of the main job: open and show, zoom, scroll, the panel.
#include "shell/batch/bench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "shell/logic/command_table.h"
#include "shell/logic/view_ops.h"
#include "shell/main_window/main_window.h"
#include "shell/measurement/measurement_panel.h"
#include "shell/panes/overview_strip.h"
#include "signal/program.h"
#include "signal/signal_envelope.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

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

}  // namespace

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

}  // namespace ardv::shell
