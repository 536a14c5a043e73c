// Commands of the Formants menu: LPC roots, cepstral and true-envelope peaks
// drawn over the spectrogram, McCandless F1–F3 tracks with their results
// lines, and the formant options.
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cstdio>
#include <span>

#include "formants/ceiling_choice.h"
#include "formants/formant_candidates.h"
#include "formants/mccandless.h"
#include "platform/keyboard.h"
#include "prosody/energy.h"
#include "prosody/pitch_track.h"
#include "shell/formant_window/formant_options_dialog.h"
#include "shell/formant_window/spectral_slice_window.h"
#include "shell/main_window/main_window.h"
#include "shell/shared/busy_cursor.h"
#include "signal/program.h"
#include "signal/results.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

struct Mark {
  std::int64_t sample;
  double hz;
};

// 3 × 3 marks at (frame centre, frequency).
// F1, F2, F3: apart from the F0 (red, magenta, cyan) and energy (blue) overlays.
const QColor kFormantPens[3] = {QColor(0, 150, 0), QColor(140, 0, 200), QColor(150, 80, 0)};

Decoration candidateMarks(std::vector<Mark> marks, QColor pen) {
  return [marks = std::move(marks), pen](QPainter& p, const TimeAxis& axis, const FrequencyAxis& f) {
    for (const Mark& m : marks) {
      const double x = axis.xOf(static_cast<double>(m.sample));
      const int y = f.rowOfHz(m.hz);
      p.fillRect(QRectF(x - 1, y - 1, 3, 3), pen);
    }
  };
}

// F1 red, F2 magenta, F3 blue: one line per formant.
Decoration formantLines(std::vector<McCandlessFrame> frames, std::int64_t offset) {
  return [frames = std::move(frames), offset](QPainter& p, const TimeAxis& axis, const FrequencyAxis& f) {
    const QColor pens[3] = {kFormantPens[0], kFormantPens[1], kFormantPens[2]};
    for (int k = 0; k < 3; ++k) {
      QPolygonF line;
      for (const McCandlessFrame& fr : frames)
        line << QPointF(axis.xOf(static_cast<double>(fr.centre + offset)),
                        f.rowOfHz(fr.f[static_cast<std::size_t>(k)].frequencyHz));
      p.setPen(QPen(pens[k], 2));
      p.drawPolyline(line);
    }
  };
}

// The analysis range: the selection when both its ends lie in the displayed
// stretch, else the displayed stretch; as indices into the memory samples.
struct Range {
  std::span<const std::int16_t> samples;
  std::int64_t offset = 0;  // absolute index of samples[0]
  std::int64_t first = 0, last = -1;
  bool reversed = false;
};

Range analysisRange() {
  const auto& p = program();
  const auto& ct = p.ct;
  Range r;
  r.samples = std::span<const std::int16_t>(p.memory.data(), static_cast<std::size_t>(std::max(0, ct.f_e - ct.d_e + 1)));
  r.offset = ct.d_e;
  std::int64_t a = ct.d_es, b = ct.f_es;
  const auto inside = [&](std::int64_t s) { return s >= ct.d_es && s <= ct.f_es; };
  if (ct.d_sel >= 0 && ct.f_sel >= 0 && inside(ct.d_sel) && inside(ct.f_sel) && ct.d_sel != ct.f_sel) {
    a = std::min(ct.d_sel, ct.f_sel);
    b = std::max(ct.d_sel, ct.f_sel);
    r.reversed = ct.d_sel > ct.f_sel;
  }
  r.first = a - ct.d_e;
  r.last = b - ct.d_e;
  return r;
}

std::string labelAt(const notetiqs& list, std::int64_t sample) {
  const int i = list.findLE(static_cast<std::int32_t>(sample));
  return i >= 0 && i + 1 < list.count() ? list.Text(i) : std::string();
}

}  // namespace

void MainWindow::bindFormantCommands() {
  auto& h = handlers_;
  auto candidates = [this](int id) {
    const Range r = analysisRange();
    const double fs = program().en_cours.frequence;
    std::vector<CandidateFrame> frames;
    {
      BusyCursor busy;
      int n;
      if (id == 63) {
        n = lpcRoots(r.samples, r.first, r.last, fs, formantOptions(), frames, kMaxRootBandwidthHz,
                     [] { return escapePressed(); });
      } else {
        PeakSettings s;
        s.trueEnvelope = id == 11855;
        n = cepstralPeaks(r.samples, r.first, r.last, fs, formantOptions(), s, frames, [] { return escapePressed(); });
      }
      if (n <= 0) return;
    }
    std::vector<Mark> marks;
    for (const CandidateFrame& f : frames)
      for (const FormantCandidate& c : f.candidates) marks.push_back({f.centre + r.offset, c.frequencyHz});
    // Colours apart from the F0 (red, magenta, cyan) and energy (blue) overlays.
    const QColor pen = id == 63 ? QColor(200, 160, 0) : id == 62 ? QColor(0, 150, 150) : QColor(40, 40, 40);
    const char* name = id == 63 ? "LPC roots" : id == 62 ? "Cepstral peaks" : "True envelope peaks";
    spectroPlane_->view()->addDecoration(candidateMarks(std::move(marks), pen), name, pen);
    spectroPlane_->view()->update();
  };
  for (int id : {63, 62, 11855}) h[id] = [candidates, id] { candidates(id); };

  h[61] = [this] {
    const Range r = analysisRange();
    const auto& p = program();
    const double fs = p.en_cours.frequence;
    std::vector<McCandlessFrame> frames;
    std::vector<double> ceilings;
    {
      BusyCursor busy;
      if (mcCandlessAtCeiling(r.samples, r.first, r.last, fs, formantOptions(), r.reversed, frames, ceilings) <= 0)
        return;
    }
    trackCeilings_.file = p.en_cours.nom;
    trackCeilings_.frames.clear();
    for (std::size_t i = 0; i < frames.size(); ++i)
      trackCeilings_.frames.emplace_back(frames[i].centre + r.offset, ceilings[i]);
    std::sort(trackCeilings_.frames.begin(), trackCeilings_.frames.end());
    resultsOpen();
    for (int t = 5202; t <= 5205; ++t) resultsWriteLine(text(t));
    for (const McCandlessFrame& f : frames) {
      const std::int64_t s = f.centre + r.offset;
      char line[256];
      std::snprintf(line, sizeof line, "%ld\t%ld\t%d\t%4.0f\t%d\t%d\t%d\t%s\t%s",
                    static_cast<long>(samplesToMs(static_cast<double>(s), fs)), static_cast<long>(s),
                    static_cast<int>(energyAt(s)), static_cast<double>(pitchAt(s)),
                    static_cast<int>(f.f[0].frequencyHz), static_cast<int>(f.f[1].frequencyHz),
                    static_cast<int>(f.f[2].frequencyHz), labelAt(p.etiq, s).c_str(), labelAt(p.note, s).c_str());
      resultsWriteLine(line);
    }
    resultsClose();
    const std::string names[3] = {"F1", "F2", "F3"};
    for (int k = 0; k < 3; ++k)  // the lines' colours in the legend, drawn once
      spectroPlane_->view()->addDecoration([](QPainter&, const TimeAxis&, const FrequencyAxis&) {},
                                           QString::fromStdString(names[k]), kFormantPens[k]);
    spectroPlane_->view()->addDecoration(formantLines(std::move(frames), r.offset));
    spectroPlane_->view()->update();
  };
  h[65] = [this] { editFormantOptions(this); };

  // One slice window, following the pointer; it opens on the selection's
  // start, or the middle of the view.
  h[66] = [this] {
    auto* slice = findChild<SpectralSliceWindow*>();
    if (!slice) {
      slice = new SpectralSliceWindow(this);
      connect(this, &MainWindow::pointerMoved, slice, [slice](std::int32_t sample) {
        if (slice->following()) slice->showSample(sample);
      });
    }
    const auto& ct = program().ct;
    slice->showSample(ct.d_sel >= 0 ? ct.d_sel : ct.d_es + (ct.f_es - ct.d_es) / 2);
    slice->show();
    slice->raise();
  };
}

std::optional<double> MainWindow::ceilingUnderPointer(std::int32_t sample) const {
  const auto& f = trackCeilings_.frames;
  if (f.empty() || trackCeilings_.file != program().en_cours.nom || spectroPlane_->view()->decorationCount() == 0 ||
      sample < f.front().first - kMcCandlessHop || sample > f.back().first + kMcCandlessHop)
    return std::nullopt;
  auto it = std::lower_bound(f.begin(), f.end(), std::pair<std::int64_t, double>{sample, 0.0});
  if (it == f.end()) --it;
  return it->second;
}

}  // namespace ardv::shell
