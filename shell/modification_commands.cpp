// Commands 918 (pitch marker), 915 (display marks), 914 (time scale
// modifications) and 605 (F0 contour modifications).
#include "shell/modification_commands.h"

#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <filesystem>

#include "annotation/texts.h"
#include "platform/report.h"
#include "prosody/phase_vocoder.h"
#include "prosody/pitch_track.h"
#include "prosody/psola.h"
#include "shell/busy_cursor.h"
#include "shell/f0_contour_window.h"
#include "shell/help_window.h"
#include "shell/main_window.h"
#include "shell/modification_dialog.h"
#include "shell/playback.h"
#include "shell/signal_plane.h"
#include "signal/edit_save.h"
#include "signal/program.h"
#include "signal/replacing_file.h"
#include "signal/results.h"
#include "signal/time_conversion.h"

namespace ardv::shell {
namespace {

MarkList& marks() {
  static MarkList list;
  return list;
}

// Vertical lines over the waveform: blue voiced, green unvoiced.
void showMarks(MainWindow& main) {
  SignalView* view = main.signalPlane()->view();
  view->setOverlay([list = marks()](QPainter& p, const TimeAxis& axis, int height) {
    for (std::int64_t m : list) {
      const double x = axis.xOf(static_cast<double>(m < 0 ? -m : m));
      if (x < 0 || x > axis.width()) continue;
      p.setPen(m < 0 ? QColor(0, 255, 0) : QColor(0, 0, 255));
      p.drawLine(QPointF(x, 0), QPointF(x, height - 1));
    }
  });
  main.signalPlane()->refresh();
}

}  // namespace

const MarkList& lastMarks() { return marks(); }
void clearMarks() { marks().clear(); }

void showModificationHelp(MainWindow& main, const QString& anchor) {
  auto* help = new HelpWindow(&main);
  help->setAttribute(Qt::WA_DeleteOnClose);
  if (!help->showPage(program().dirs.helpFile, anchor)) message("Cannot use the html help!");
}

bool runModification(MainWindow& main, const std::function<bool(const SampleSink&)>& run) {
  const Program& prog = program();
  if (!prog.fileLoaded) return false;
  // The modification reads the file: unsaved edits are saved first, or dropped.
  if (askSaveModifications() == SaveOutcome::Abandon) return false;
  const std::filesystem::path out = prog.dirs.temp / "modif.wav";
  {
    BusyCursor busy;
    StreamingWav wav(out, prog.en_cours.frequence);
    if (!wav.open() || !run(wav.sink()) || !wav.commit()) return false;
  }
  if (!prog.settings.sndRecorder.empty())
    QProcess::startDetached(QString::fromStdString(prog.settings.sndRecorder), {QString::fromStdString(out.string())});
  main.player().playFile(out.string(), false);
  auto* box = new QMessageBox(QMessageBox::Information, QString::fromStdString(text(9013)),
                              QString::fromStdString(textf(9012, {out.string()})), QMessageBox::Ok, &main);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
  return true;
}

void MainWindow::bindModificationCommands() {
  auto& h = handlers_;
  // Pitch marker: F0 and marks of the shown stretch, listed and drawn.
  h[918] = [this] {
    const Program& prog = program();
    const auto& ct = prog.ct;
    {
      BusyCursor busy;
      if (!f0ForStretch(ct.d_es, ct.f_es)) return;
      const double fs = prog.en_cours.frequence;
      MarkerState state;
      marks().clear();
      pitchMark(marks(), prog.memory.data() + (ct.d_es - ct.d_e), ct.d_es, ct.f_es - ct.d_es + 1, lastPitchTrack(),
                ct.d_es, ct.f_es, {200.0f, static_cast<int>(msToSamples(10.0, fs))}, state);
      std::vector<int> f0;
      for (std::int64_t m : marks()) f0.push_back(pitchAt(m < 0 ? -m : m));
      const std::string listing =
          markListing(marks(), f0, fs, std::filesystem::path(prog.en_cours.nom).filename().string());
      ReplacingFile file(prog.dirs.temp / "resultsk.txt");
      if (!file.open() || !file.write(listing) || !file.commit())
        message((prog.dirs.temp / "resultsk.txt").string() + ": " + file.error());
      resultsOpen();
      resultsWriteLine(text(9014));
      for (std::int64_t m : marks()) resultsWriteLine(std::to_string(m));
      resultsClose();
    }
    traceLine(text(2101));
    showMarks(*this);
  };
  h[915] = [this] { showMarks(*this); };
  // Time scale modifications: the parameters dialog, modeless.
  h[914] = [this] {
    static QPointer<ModificationDialog> dialog;
    if (!dialog) {
      dialog = new ModificationDialog(this, [this](const ModificationChoice& c) {
        runModification(*this, [&](const SampleSink& sink) {
          const infoFile info = program().en_cours;
          if (c.vocoder)
            return phaseVocoder(signalFileReader(info), info.sampleCount(), info.frequence, c.alpha, c.phaseLocking, sink);
          ModifyOptions o;
          o.alpha = c.alpha, o.beta = 1.0 / c.k, o.speakerType = speakerType();
          return CMPitchScaleMod(signalFileReader(info), info.sampleCount(), info.frequence, o, sink);
        });
      });
    }
    dialog->show();
    dialog->raise();
  };
  h[605] = [this] {
    static QPointer<F0ContourWindow> window;
    if (!window) window = new F0ContourWindow(*this);
    window->show();
    window->raise();
  };
}

}  // namespace ardv::shell
