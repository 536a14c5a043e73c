// The formant window's trackers: registration of the selected pieces onto
// spectral peaks, the window's own analysis parameters, and snake tracking
// with its support image, initial curves and parameters.
#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <limits>

#include "formants/registration.h"
#include "formants/snake_tracks.h"
#include "platform/report.h"
#include "shell/formant_window/formant_tracking_dialogs.h"
#include "shell/formant_window/formant_window.h"
#include "shell/shared/busy_cursor.h"
#include "shell/shared/file_chooser.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"
#include "signal/writable_target.h"

namespace ardv::shell {
namespace fs = std::filesystem;

int FormantWindow::registerPieces(RegistrationSpectrum kind) {
  if (!realSignal()) {
    message("Only for a real speech signal");
    return -1;
  }
  const Program& prog = program();
  const infoFile& info = prog.en_cours;
  const double fs = info.frequence;
  std::optional<std::int32_t> from, to;
  for (int g = 1; g <= 6; ++g)
    for (const auto& p : tracks_.groups[static_cast<std::size_t>(g)])
      if (p->selected && p->nbPoints > 0) {
        from = std::min(from.value_or(p->debut()), p->debut());
        to = std::max(to.value_or(p->fin()), p->fin());
      }
  if (!from) return 0;
  // The samples the frames need: the pieces' span and half a frame more.
  const std::int64_t count = info.sampleCount();
  const std::int64_t first = std::clamp<std::int64_t>(msToSamples(*from, fs) - 512, 0, count);
  const std::int64_t last = std::clamp<std::int64_t>(msToSamples(*to, fs) + 512, 0, count);
  if (last <= first || last - first >= std::numeric_limits<std::int32_t>::max()) return 0;
  BusyCursor busy;
  SHORTbuf samples(0, "registration samples");
  const auto n = static_cast<std::int32_t>(last - first);
  if (!samples.newsize(n) || lireSignal(info, info.depl + 2 * first, samples, 0, n) != n) return -1;
  if (tracks_.frequence != fs) tracks_.recomputeSampleDates(fs);
  const int moved = registerSelectedFormants(
      tracks_, std::span<const std::int16_t>(samples.data(), static_cast<std::size_t>(n)), first, kind, analysis_);
  if (moved > 0) changed();
  return moved;
}

bool FormantWindow::editAnalysisParams() {
  return askAnalysisParams(this, analysis_, realSignal() ? program().en_cours.frequence : 0.0);
}

// The samples in memory and the stretches a snake command works on.
SnakeStretch FormantWindow::snakeStretch() const {
  const Program& prog = program();
  const auto& ct = prog.ct;
  SnakeStretch s;
  s.samples = std::span<const std::int16_t>(prog.memory.data(),
                                            static_cast<std::size_t>(std::max(0, ct.f_e - ct.d_e + 1)));
  s.offset = ct.d_e;
  s.shownFirst = std::max(ct.d_a, ct.d_e) - s.offset;
  s.shownLast = std::min(ct.f_a, ct.f_e) - s.offset;
  s.first = s.shownFirst;
  s.last = s.shownLast;
  if (ct.d_sel >= 0 && ct.f_sel >= 0 && ct.d_sel != ct.f_sel) {
    s.first = std::max<std::int64_t>(std::min(ct.d_sel, ct.f_sel), ct.d_e) - s.offset;
    s.last = std::min<std::int64_t>(std::max(ct.d_sel, ct.f_sel), ct.f_e) - s.offset;
  }
  // The image cache keys on the file and on where the memory starts.
  s.key = prog.en_cours.nom + "@" + std::to_string(ct.d_e);
  return s;
}

int FormantWindow::trackWithSnakes(SnakeStart start) {
  if (!realSignal()) {
    message("Only for a real speech signal");
    return -1;
  }
  const double fs = program().en_cours.frequence;
  if (tracks_.frequence != fs) tracks_.recomputeSampleDates(fs);
  SnakeChoices choices;
  choices.start = start;
  choices.method = supportMethod_;
  choices.initial = initialCurves_;
  BusyCursor busy;
  const int committed = trackPiecesWithSnakes(
      tracks_, snakeImages_, snakeStretch(), analysis_, snakeParams(), choices,
      [this](const std::vector<std::vector<SnakeTrackPoint>>& now) {
        intermediate_ = now;
        canvas()->repaint();
      });
  intermediate_.clear();
  changed();
  return committed;
}

bool FormantWindow::saveSupportImage(const fs::path& file) {
  if (!realSignal()) {
    message("Only for a real speech signal");
    return false;
  }
  if (!isSeparateOutput(file.string(), program().en_cours.nom)) return false;
  const SnakeStretch s = snakeStretch();
  if (s.last - s.first < 1) return false;
  const SupportImage* image =
      snakeImages_.get(s.key, s.samples, s.first, s.last, program().en_cours.frequence, supportMethod_, analysis_);
  return image && writeSupportPgm(file, *image);
}

void FormantWindow::paintIntermediate(QPainter& p, const TrackView& v) const {
  const QColor pens[3] = {QColor(255, 0, 0), QColor(255, 0, 255), QColor(0, 0, 255)};
  for (std::size_t k = 0; k < intermediate_.size(); ++k) {
    p.setPen(QPen(k < 3 ? pens[k] : QColor(0, 160, 0), 1));
    QPolygon line;
    for (const SnakeTrackPoint& q : intermediate_[k])
      line << QPoint(xOfSample(v, static_cast<double>(msToSamples(q.timeMs, v.frequence))), yOfScaled(v, q.frequencyHz));
    p.drawPolyline(line);
  }
}

void FormantWindow::bindTrackingCommands() {
  auto& h = handlers_;
  h[kKlattRegisterLpc] = [this] { registerPieces(RegistrationSpectrum::Lpc); };
  h[kKlattRegisterCepstral] = [this] { registerPieces(RegistrationSpectrum::Cepstral); };
  h[kKlattAnalysisParams] = [this] { editAnalysisParams(); };
  h[kKlattSnakeScratch] = [this] { trackWithSnakes(SnakeStart::Scratch); };
  h[kKlattSnakeExisting] = [this] { trackWithSnakes(SnakeStart::Existing); };
  h[kKlattSnakeSelected] = [this] { trackWithSnakes(SnakeStart::ExistingSelected); };
  h[kKlattSnakeParams] = [this] { askSnakeParams(this, snakeParams()); };
  h[kKlattSaveImage] = [this] {
    const QString name = chooseFile(this, FileQuestion::Save, "Save image (PGM)", {}, "*.*");
    if (!name.isEmpty()) saveSupportImage(name.toStdString());
  };
  const std::pair<int, SupportMethod> methods[] = {{kKlattImageCepstral, SupportMethod::Cepstral},
                                                   {kKlattImageTrueEnvelope, SupportMethod::TrueEnvelope},
                                                   {kKlattImageLpc, SupportMethod::Lpc}};
  for (const auto& [id, method] : methods) {
    action(id)->setCheckable(true);
    h[id] = [this, method] {
      supportMethod_ = method;
      updateChecks();
    };
  }
  const std::pair<int, InitialCurves> curves[] = {{kKlattCurvesLpc, InitialCurves::LpcRoots},
                                                  {kKlattCurvesTrueEnvelope, InitialCurves::TrueEnvelopePeaks}};
  for (const auto& [id, kind] : curves) {
    action(id)->setCheckable(true);
    h[id] = [this, kind] {
      initialCurves_ = kind;
      updateChecks();
    };
  }
}

void FormantWindow::updateTrackingChecks() {
  action(kKlattImageCepstral)->setChecked(supportMethod_ == SupportMethod::Cepstral);
  action(kKlattImageTrueEnvelope)->setChecked(supportMethod_ == SupportMethod::TrueEnvelope);
  action(kKlattImageLpc)->setChecked(supportMethod_ == SupportMethod::Lpc);
  action(kKlattCurvesLpc)->setChecked(initialCurves_ == InitialCurves::LpcRoots);
  action(kKlattCurvesTrueEnvelope)->setChecked(initialCurves_ == InitialCurves::TrueEnvelopePeaks);
}

}  // namespace ardv::shell
