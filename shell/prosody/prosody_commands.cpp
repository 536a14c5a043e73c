// Commands of the Prosody menu and "Get speech start": the speaker type, F0
// of the screen, of the whole file and of a corpus, pitch files, the F0 and
// energy scales, the energy options, curve and whole-file listing.
#include <QCoreApplication>
#include <QPainter>
#include <QPolygonF>
#include <QProgressDialog>
#include <algorithm>
#include <filesystem>
#include <thread>

#include "editing/edit_context.h"
#include "platform/report.h"
#include "prosody/energy.h"
#include "prosody/energy_file.h"
#include "prosody/pitch_corpus.h"
#include "prosody/pitch_file.h"
#include "prosody/pitch_file_reader.h"
#include "prosody/pitch_track.h"
#include "prosody/prosody_display.h"
#include "prosody/speech_detector.h"
#include "shell/logic/scales.h"
#include "shell/main_window/main_window.h"
#include "shell/main_window/options_dialog.h"
#include "shell/panes/value_scale.h"
#include "shell/prosody/energy_dialog.h"
#include "shell/prosody/f0_axis.h"
#include "shell/prosody/modification_commands.h"
#include "shell/prosody/speaker_dialog.h"
#include "shell/shared/busy_cursor.h"
#include "shell/shared/file_chooser.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

namespace fs = std::filesystem;

// Pitch-file values, apart from the F0 of the screen (red for any speaker).
const QColor kPitchFilePen(230, 120, 0);

QColor speakerPen() {
  const Rgb c = speakerColour(speakerType());
  return {c.r, c.g, c.b};
}

// F0 marks: 3 x 3 squares centred on each frame, on the F0 axis (marks off
// the axis are left out).
Decoration f0Marks(std::vector<F0Point> points, QColor pen) {
  std::vector<int> hz;
  for (const F0Point& point : points) hz.push_back(point.hz);
  noteShownF0(hz);
  return [points = std::move(points), pen](QPainter& p, const TimeAxis& axis, const FrequencyAxis& f) {
    // White rings under all the marks keep them visible on the dark colours
    // of the map.
    for (const bool ring : {true, false}) {
      for (const F0Point& point : points) {
        const double u = f0AxisU(point.hz, f.fmax());
        if (u < 0 || u > FrequencyAxis::kTop) continue;
        const double x = axis.xOf(static_cast<double>(point.sample));
        const int y = f.rowOfU(u);
        if (ring)
          p.fillRect(QRectF(x - 2, y - 2, 5, 5), Qt::white);
        else
          p.fillRect(QRectF(x - 1, y - 1, 3, 3), pen);
      }
    }
  };
}

// The energy curve on the energy axis (eLow at the bottom), blue.
Decoration energyLine(std::vector<EnergyPoint> points, float eLow) {
  return [points = std::move(points), eLow](QPainter& p, const TimeAxis& axis, const FrequencyAxis& f) {
    const double span = energyAxisSpanDb(f.fmax());
    QPolygonF line;
    for (const EnergyPoint& point : points) {
      const double u = span > 0 ? (std::max(point.db, eLow) - eLow) / span * FrequencyAxis::kTop : 0.0;
      line << QPointF(axis.xOf(static_cast<double>(point.sample)), f.rowOfU(u));
    }
    p.setPen(QPen(Qt::white, 3));
    p.drawPolyline(line);
    p.setPen(QColor(0, 0, 255));
    p.drawPolyline(line);
  };
}

// The proposed pitch or energy file beside the current signal.
QString besideSignal(const char* extension) {
  fs::path path = program().en_cours.nom;
  path.replace_extension(extension);
  return QString::fromStdString(path.string());
}

}  // namespace

void MainWindow::hideValueScales() {
  for (const auto& [scale, id] : {std::pair{f0Scale_, 604}, std::pair{energyScale_, 11842}}) {
    if (scale) scale->hide();
    if (QAction* a = action(id)) a->setChecked(false);
  }
  energyShown_ = false;
  f0Shown_ = F0Shown::None;
  clearShownF0();
  layoutPanes();
}

void MainWindow::dropOverlays() {
  spectroPlane_->view()->clearDecorations();
  signalPlane_->view()->setOverlay({});
  clearMarks();
  hideValueScales();
  overlaySerial_ = editContext().editSerial;
}

void MainWindow::setScaleShown(ValueScale* scale, int id, bool shown) {
  scale->setVisible(shown);
  if (QAction* a = action(id)) a->setChecked(shown);
  layoutPanes();
}

int MainWindow::f0UnderPointer(std::int32_t sample) const {
  switch (f0Shown_) {
    case F0Shown::LastRun: return std::max(0, pitchAt(sample));
    case F0Shown::PitchFile: return pitchFromFile(sample);
    case F0Shown::None: break;
  }
  return -1;
}

void MainWindow::bindProsodyCommands() {
  auto& h = handlers_;
  SpectroView* view = spectroPlane_->view();
  f0Scale_ = new ValueScale(centralWidget(), "F0 Hz", QColor(255, 0, 0), [view] { return f0AxisRange(view->fmax()); });
  // A click on the F0 scale switches between the speech range and the fixed axis.
  f0Scale_->setToolTip("Click: F0 axis over the speech range, or from 0 Hz to the fixed top");
  connect(f0Scale_, &ValueScale::clicked, this, [this] {
    displayOptions().f0SpeechRange = !displayOptions().f0SpeechRange;
    f0Scale_->update();
    spectroPlane_->view()->update();
  });
  energyScale_ = new ValueScale(centralWidget(), "Energy dB", QColor(0, 0, 255), [view] {
    const double low = energyParams().eLow;
    return std::make_pair(low, low + energyAxisSpanDb(view->fmax()));
  });
  for (int id : {604, 11842})
    if (QAction* a = action(id)) a->setCheckable(true);

  // The pitch-file values of the shown stretch, drawn in `pen`.
  auto drawPitchFile = [this](QColor pen) {
    const auto& ct = program().ct;
    spectroPlane_->view()->addDecoration(f0Marks(pitchFileValues(ct.d_es, ct.f_es), pen), "F0 (pitch file)", pen);
    f0Shown_ = F0Shown::PitchFile;
    setScaleShown(f0Scale_, 604, true);  // a curve comes with its scale
  };

  h[917] = [this] { askSpeakerType(this); };
  // F0 for the screen: the track of the shown stretch over the spectrogram.
  h[922] = [this] {
    const auto& ct = program().ct;
    {
      BusyCursor busy;
      if (!f0ForStretch(ct.d_es, ct.f_es)) return;
    }
    const PitchTrack& track = lastPitchTrack();
    std::vector<F0Point> points;
    for (int i = 0; i < track.frames && i < static_cast<int>(track.pitchCorrige.size()); ++i)
      if (const int hz = track.pitchCorrige[static_cast<std::size_t>(i)]; hz > 0) points.push_back({track.centre(i), hz});
    spectroPlane_->view()->addDecoration(f0Marks(std::move(points), speakerPen()), "F0", speakerPen());
    f0Shown_ = F0Shown::LastRun;
    setScaleShown(f0Scale_, 604, true);  // a curve comes with its scale
  };
  h[919] = [this, drawPitchFile] {
    const QString name =
        chooseFile(this, FileQuestion::Save, "F0 for the whole file", besideSignal(".pit"));
    if (name.isEmpty()) return;
    const fs::path out = name.toStdString();
    if (!pitchOutputDirectoryExists(out)) return;
    {
      BusyCursor busy;
      if (!pitchFileFromSignal(program().en_cours, out, speakerF0Params(speakerType()), PitchOptions{})) return;
    }
    if (openPitchFile(out)) drawPitchFile(kPitchFilePen);
  };
  h[11846] = [this] {
    const QString name = chooseFile(this, FileQuestion::Open, "F0 for a corpus: one file of the corpus");
    if (name.isEmpty()) return;
    const fs::path picked = name.toStdString();
    const fs::path dir = picked.parent_path();
    const std::string extension = picked.extension().string();
    // At least two workers, so that this thread only watches them.
    const int jobs = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 2u, 8u));
    QProgressDialog progress("F0 for a corpus", "Cancel", 0, 1, this);
    progress.setWindowTitle("F0 for a corpus");
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    CorpusProgress last;
    const int written = f0Corpus(dir, extension, jobs, speakerF0Params(speakerType()),
                                 [&](const CorpusProgress& p) {
                                   last = p;
                                   progress.setMaximum(std::max(p.total, 1));
                                   progress.setLabelText(QString("%1 of %2 files done\n%3")
                                                             .arg(p.done)
                                                             .arg(p.total)
                                                             .arg(QString::fromStdString(fs::path(p.current).filename().string())));
                                   progress.setValue(p.done);
                                   QCoreApplication::processEvents();
                                   return !progress.wasCanceled();
                                 },
                                 &last);
    progress.close();
    if (written < 0) return;
    std::string summary = std::to_string(written) + " pitch file" + (written == 1 ? "" : "s") + " written beside the \"" +
                          extension + "\" files of " + dir.string();
    if (last.failed > 0)
      summary += "; " + std::to_string(last.failed) + " failed, each named in its own message";
    if (progress.wasCanceled() && last.done < last.total)
      summary += "; stopped after " + std::to_string(last.done) + " of " + std::to_string(last.total) + " files";
    message(summary);
  };
  h[604] = [this] { setScaleShown(f0Scale_, 604, f0Scale_->isHidden()); };
  h[913] = [this, drawPitchFile] {
    const QString name = chooseFile(this, FileQuestion::Open, "Open a pitch file", besideSignal(".pit"));
    if (!name.isEmpty() && openPitchFile(name.toStdString())) drawPitchFile(kPitchFilePen);
  };
  h[916] = [drawPitchFile] {
    if (currentPitchFile().path.empty() || currentPitchFile().signal != program().en_cours.nom) {
      message(text(6930));
      return;
    }
    drawPitchFile(kPitchFilePen);
  };

  h[910] = [this] {
    if (!energyDialog_) energyDialog_ = new EnergyDialog(this);
    energyDialog_->show();
    energyDialog_->raise();
  };
  h[909] = [this] {
    const QString name = chooseFile(this, FileQuestion::Save, "Energy for the whole file", besideSignal(".ene"));
    if (name.isEmpty()) return;
    BusyCursor busy;
    energyForFile(program().en_cours, name.toStdString(), energyParams());
  };
  // Display energy: over the whole view (as far as memory holds it),
  // averaged as the display options say.
  h[911] = [this] {
    const auto& ct = program().ct;
    std::vector<EnergyPoint> points;
    {
      BusyCursor busy;
      points = energyCurveOverView(ct.d_a, std::min(ct.f_a, ct.tf - 1), displayOptions().energySmoothing);
    }
    if (points.empty()) return;
    spectroPlane_->view()->addDecoration(energyLine(std::move(points), energyParams().eLow), "Energy", QColor(0, 0, 255));
    energyShown_ = true;
    setScaleShown(energyScale_, 11842, true);
  };
  h[11842] = [this] { setScaleShown(energyScale_, 11842, energyScale_->isHidden()); };

  // Get speech start: the message, then the speech selected.
  h[11848] = [this] {
    std::int64_t startMs = -1, endMs = -1;
    {
      BusyCursor busy;
      if (!getSpeechStart(&startMs, &endMs)) return;
    }
    if (startMs < 0 || (startMs == 0 && endMs == 0)) return;  // no speech
    auto& prog = program();
    const double fs = prog.en_cours.frequence;
    const auto first = msToSamples(static_cast<double>(startMs), fs);
    const auto last = endMs < 0 ? prog.ct.tf - 1 : msToSamples(static_cast<double>(endMs), fs);
    if (first < prog.ct.d_a || first > prog.ct.f_a) goToMs(static_cast<double>(startMs));
    auto& ct = prog.ct;
    ct.d_sel = static_cast<std::int32_t>(std::clamp<std::int64_t>(first, ct.d_es, ct.f_es));
    ct.f_sel = static_cast<std::int32_t>(std::clamp<std::int64_t>(last, ct.d_sel, ct.f_es));
    clearSelections();
    setDurationLines(lines_, (ct.f_sel - ct.d_sel) / (0.001 * fs));
  };
}

}  // namespace ardv::shell
