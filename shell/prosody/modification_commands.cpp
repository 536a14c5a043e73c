// Commands 918 (pitch marker), 915 (display marks), 914 (time scale
// modifications) and 605 (F0 contour modifications); the results menu.
#include "shell/prosody/modification_commands.h"

#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QProcess>
#include <algorithm>
#include <filesystem>

#include "editing/edit_save.h"
#include "platform/report.h"
#include "prosody/phase_vocoder.h"
#include "prosody/pitch_track.h"
#include "prosody/psola.h"
#include "shell/main_window/help_window.h"
#include "shell/main_window/main_window.h"
#include "shell/main_window/playback.h"
#include "shell/panes/signal_plane.h"
#include "shell/prosody/f0_contour_window.h"
#include "shell/prosody/modification_dialog.h"
#include "shell/prosody/modification_results.h"
#include "shell/shared/busy_cursor.h"
#include "signal/program.h"
#include "signal/replacing_file.h"
#include "signal/results.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

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

bool currentSelection(std::int64_t& first, std::int64_t& last) {
  const Program& prog = program();
  if (!prog.fileLoaded || prog.ct.d_sel < 0 || prog.ct.f_sel <= prog.ct.d_sel) return false;
  first = prog.ct.d_sel, last = prog.ct.f_sel;
  return true;
}

bool runModification(MainWindow& main, const std::string& tag, double alpha, bool selectionOnly,
                     const StretchModifier& modify) {
  const Program& prog = program();
  if (!prog.fileLoaded) return false;
  std::int64_t first = 0, last = -1;
  const bool stretch = selectionOnly && currentSelection(first, last);
  // The modification reads the file: unsaved edits are saved first, or dropped.
  if (askSaveModifications() == SaveOutcome::Abandon) return false;
  const infoFile info = prog.en_cours;  // as saved, when the question saved it
  const std::int64_t n = info.sampleCount();
  const std::filesystem::path modif = prog.dirs.temp / "modif.wav";
  const std::filesystem::path out = resultPath(prog.dirs.temp, info.nom, tag);
  {
    BusyCursor busy;
    StreamingWav result(out, info.frequence), fixed(modif, info.frequence);
    const SampleSink both = [&](const std::int16_t* x, std::size_t count) {
      return result.append(x, count) && fixed.append(x, count);
    };
    const SampleReader read = signalFileReader(info);
    if (!result.open() || !fixed.open()) return false;
    const bool made = stretch ? modifyStretch(read, n, first, std::min(last, n - 1), stretchMarginSamples(info.frequence),
                                              alpha, modify, both)
                              : modify(read, 0, n, both);
    if (!made || !result.commit()) return false;
    if (!fixed.commit()) {
      std::error_code ignored;
      std::filesystem::remove(out, ignored);
      return false;
    }
  }
  modificationResults().push_back({out, info.nom, resultFor(info.nom) ? resultFor(info.nom)->original : info.nom});
  if (!main.openPath(out.string())) {
    modificationResults().pop_back();
    std::error_code ignored;
    std::filesystem::remove(out, ignored);
    return false;
  }
  if (!prog.settings.sndRecorder.empty())
    QProcess::startDetached(QString::fromStdString(prog.settings.sndRecorder), {QString::fromStdString(modif.string())});
  main.player().playFile(modif.string(), false);
  auto* box = new QMessageBox(QMessageBox::Information, QString::fromStdString(text(9013)),
                              QString::fromStdString(textf(9012, {out.string()})), QMessageBox::Ok, &main);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
  return true;
}

bool MainWindow::backToOriginal() {
  const ModificationResult* r = resultFor(program().en_cours.nom);
  return r && openPath(r->original);
}

bool MainWindow::discardResult() {
  const ModificationResult* r = resultFor(program().en_cours.nom);
  if (!r) return false;
  const ModificationResult kept = *r;
  // A result saved here stays, as its own file; one dropped goes.
  const SaveOutcome outcome = askSaveModifications();
  if (outcome == SaveOutcome::Abandon) return false;
  std::error_code error;
  const std::string back = std::filesystem::is_regular_file(kept.source, error) ? kept.source : kept.original;
  if (!openPath(back)) return false;
  if (outcome == SaveOutcome::Saved) return true;
  auto& results = modificationResults();
  results.erase(std::remove_if(results.begin(), results.end(), [&](const ModificationResult& x) { return x.path == kept.path; }),
                results.end());
  if (!std::filesystem::remove(kept.path, error) && error) message(kept.path.string() + ": " + error.message());
  rebuildResultsMenu();
  return true;
}

void MainWindow::rebuildResultsMenu() {
  if (!resultsMenu_) return;
  resultsMenu_->clear();
  const std::string current = program().fileLoaded ? program().en_cours.nom : std::string();
  for (const ModificationResult& r : modificationResults()) {
    QAction* a = resultsMenu_->addAction(QString::fromStdString(r.path.filename().string()));
    a->setToolTip(QString::fromStdString(r.path.string() + "\nfrom " + r.source));
    a->setCheckable(true);
    a->setChecked(r.path.string() == current);
    const std::string path = r.path.string();
    connect(a, &QAction::triggered, this, [this, path] { openPath(path); });
  }
  resultsMenu_->addSeparator();
  const bool isResult = resultFor(current) != nullptr;
  QAction* back = resultsMenu_->addAction("Back to the original", this, [this] { backToOriginal(); });
  QAction* discard = resultsMenu_->addAction("Discard this result", this, [this] { discardResult(); });
  back->setObjectName("backToOriginal");
  discard->setObjectName("discardResult");
  back->setEnabled(isResult);
  discard->setEnabled(isResult);
  resultsMenu_->setEnabled(!modificationResults().empty());
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
        runModification(*this, modificationTag(c), c.alpha, c.selectionOnly,
                        [c](const SampleReader& read, std::int64_t, std::int64_t n, const SampleSink& sink) {
                          const double fs = program().en_cours.frequence;
                          if (c.vocoder) return phaseVocoder(read, n, fs, c.alpha, c.phaseLocking, sink);
                          ModifyOptions o;
                          o.alpha = c.alpha, o.beta = 1.0 / c.k, o.speakerType = speakerType();
                          return CMPitchScaleMod(read, n, fs, o, sink);
                        });
      });
      connect(this, &MainWindow::selectionChanged, dialog.data(), [] {
        std::int64_t first = 0, last = 0;
        if (dialog) dialog->setSelectionMade(currentSelection(first, last));
      });
    }
    std::int64_t first = 0, last = 0;
    dialog->setSelectionMade(currentSelection(first, last));
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
