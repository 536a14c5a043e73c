// The formant window's files: parameter files opened, pasted and saved, the
// synthesis, F0 and copy synthesis.
#include "shell/formant_window/formant_window_canvas.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <span>

#include "copysynth/copy_synthesis_window.h"
#include "klatt/track_ops.h"
#include "platform/report.h"
#include "prosody/pitch_file_reader.h"
#include "prosody/play_signal.h"
#include "shell/formant_window/f1f2_plane.h"
#include "shell/formant_window/klatt_dialogs.h"
#include "shell/formant_window/klatt_spectrogram.h"
#include "shell/logic/scales.h"
#include "shell/panes/spectrogram_painter.h"
#include "shell/shared/busy_cursor.h"
#include "shell/shared/file_chooser.h"
#include "shell/shared/window_setup.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"
#include "spectral/spectrogram_params.h"
#include "texts/texts.h"


namespace ardv::shell {
namespace fs = std::filesystem;

bool FormantWindow::askWhere(const QString& title, const QString& filter, fs::path& file,
                             std::optional<std::int32_t>& offsetMs) {
  const QString name = chooseFile(this, FileQuestion::Open, title, {}, filter);
  if (name.isEmpty()) return false;
  file = name.toStdString();
  // The "Where" panel.
  QDialog where(this);
  where.setWindowTitle("Where");
  auto* keep = new QRadioButton("Keep location", &where);
  auto* move = new QRadioButton("Relocation offset (ms)", &where);
  auto* edit = new QLineEdit("0", &where);
  edit->setObjectName("offset");
  keep->setChecked(true);
  QObject::connect(edit, &QLineEdit::textEdited, move, [move] { move->setChecked(true); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &where);
  connect(buttons, &QDialogButtonBox::accepted, &where, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &where, &QDialog::reject);
  auto* layout = new QVBoxLayout(&where);
  layout->addWidget(keep);
  layout->addWidget(move);
  layout->addWidget(edit);
  layout->addWidget(buttons);
  if (where.exec() != QDialog::Accepted) return false;
  offsetMs.reset();
  if (move->isChecked() || edit->text().trimmed() != "0") {
    bool ok = false;
    const qlonglong v = edit->text().trimmed().toLongLong(&ok);
    if (!ok || std::llabs(v) > 1'000'000'000LL) {
      message(file.string() + "\r\nThe relocation offset \"" + edit->text().toStdString() +
              "\" is not a whole number of milliseconds; nothing was read.");
      return false;
    }
    offsetMs = static_cast<std::int32_t>(v);
  }
  return true;
}

bool FormantWindow::openParams(const fs::path& file, std::optional<std::int32_t> offsetMs) {
  if (!tracks_.open(file, offsetMs)) return false;
  updateChecks();  // the step is now the file's
  modified_ = false;
  file_ = file;
  if (!realSignal()) {
    extendRange();
    synthesize({}, false);
  }
  changed();
  return true;
}

bool FormantWindow::pasteParams(const fs::path& file, std::int32_t offsetMs) {
  const Program& prog = program();
  const std::int64_t lastSample =
      realSignal() ? std::int64_t(prog.ct.tf) - 1 : msToSamples(rangeMs_, tracks_.frequence) - 1;
  if (!tracks_.paste(file, offsetMs, lastSample)) return false;
  if (!realSignal()) {
    extendRange();
    synthesize({}, false);
  }
  changed();
  return true;
}

bool FormantWindow::synthesize(const fs::path& wav, bool play) {
  const Program& prog = program();
  const KlattWorkFiles work = klattWorkFiles(prog.dirs.temp);
  const fs::path target = wav.empty() ? work.wav : wav;
  std::int32_t firstMs = 0;
  if (!tracks_.write(work.params, 56, 0, INT32_MAX, false, &firstMs)) return false;
  const fs::path synthesizer = synthesizerProgram();
  const int rate = klattCommandRate(settings_, realSignal(), prog.en_cours.frequence);
  KlattSynthesisSettings settings = settings_;
  settings.frameMs = tracks_.stepMs;  // one synthesis frame per track frame, whatever the dialog said
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool ok = runKlattSynthesis(synthesizer, work.params, work.raw, target, settings, rate, firstMs);
  QApplication::restoreOverrideCursor();
  if (!ok) return false;
  std::vector<std::int16_t> samples;
  int rateHz = 0;
  if (!readWavSamples(target.string(), samples, rateHz)) return false;
  synth_ = std::move(samples);
  synthRate_ = rateHz;
  extendRange();
  canvas_->update();
  if (play && play_) play_(target.string());
  return true;
}

bool FormantWindow::saveParams(const fs::path& file, int columns) {
  const bool ok = columns == 0 ? tracks_.writeFormants(file, 0, INT32_MAX) : tracks_.write(file, columns, 0, INT32_MAX);
  if (ok) tracks_.warnPastEnd(signalEndMs(), "they are saved whole.");
  return ok;
}

fs::path FormantWindow::synthesizerProgram() const {
  const Program& prog = program();
  fs::path synthesizer = findKlattProgram(prog.dirs.install);
  if (synthesizer.empty()) {
    const auto candidates = klattProgramCandidates(prog.dirs.install);
    synthesizer = candidates.empty() ? fs::path("klatt") : candidates.front();
  }
  return synthesizer;
}

bool FormantWindow::getF0() {
  const Program& prog = program();
  const bool real = realSignal();
  const double fs = prog.en_cours.frequence;
  if (real) {
    BusyCursor busy;
    if (!ensureCurrentPit()) return false;
  }
  const long startMs = real ? static_cast<long>(samplesToMs(double(prog.ct.d_a), fs)) : 0;
  const long endMs = real ? static_cast<long>(samplesToMs(double(prog.ct.f_a), fs)) : 0;
  if (!getF0IntoTracks(tracks_, real, startMs, endMs, [](std::int64_t t) { return std::max(0, pitchFromFile(t)); }))
    return false;
  updateChecks();
  changed();
  return true;
}

int FormantWindow::copySynthesis() {
  const Program& prog = program();
  if (!realSignal()) {
    message("Only for a real speech signal");
    return -1;
  }
  const infoFile& info = prog.en_cours;
  const std::int64_t count = info.sampleCount();
  if (count >= std::numeric_limits<std::int32_t>::max()) {
    message(info.nom + ": too long for a copy synthesis");
    return -1;
  }
  BusyCursor busy;
  SHORTbuf samples(0, "copy synthesis samples");
  if (!samples.newsize(count) || lireSignal(info, info.depl, samples, 0, static_cast<std::int32_t>(count)) != count)
    return -1;
  KlattSynthesisSettings excitation = settings_;
  excitation.frameMs = tracks_.stepMs;  // one excitation frame per track frame
  const int rate = static_cast<int>(std::lround(info.frequence));
  CopySynthesisInput input;
  input.speech = std::span<const std::int16_t>(samples.data(), static_cast<std::size_t>(samples.size()));
  input.fs = info.frequence;
  input.defaults = tracks_.defaults;
  const int frames = copySynthesizeTracks(tracks_, input, klattExcitationSynthesizer(synthesizerProgram(), excitation, rate),
                                          prog.dirs.temp, signalEndMs());
  if (frames > 0) changed();
  return frames;
}

}  // namespace ardv::shell
