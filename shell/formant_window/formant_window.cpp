// The formant window: its menus, commands and view.
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

namespace {

const int kStepIds[] = {11859, 1017, 1016, 1015};
const int kStepMs[] = {2, 4, 8, 16};
const int kGroupIds[] = {1011, 1010, 1009, 1008, 1007, 1006, 11854, 11857, 11858};  // groups 1..9

}  // namespace

const std::vector<KlattCommand>& klattCommands() {
  static const std::vector<KlattCommand> commands = [] {
    std::vector<KlattCommand> c = {
        {kKlattOpen, "&File", "&Open", "", nullptr},
        {kKlattPaste, "&File", "&Paste from file", "", nullptr},
        {kKlattSaveAs, "&File", "&Save as", "", nullptr},
        {kKlattSave41, "&File", "&Save as (Klatt with 41 param)", "", nullptr},
        {kKlattSaveFormants, "&File", "&Save formants", "", nullptr},
        {kKlattOpenFormants, "&File", "&Open formants", "", nullptr},
        {kKlattSynthesize, "&File", "&Synthesize", "", nullptr},
        {kKlattSaveSpeech, "&File", "Save s&ynthesized speech", "", nullptr},
        {1011, "&Select", "F&1", "", nullptr},
        {1010, "&Select", "F&2", "", nullptr},
        {1009, "&Select", "F&3", "", nullptr},
        {1008, "&Select", "F&4", "", nullptr},
        {1007, "&Select", "F&5", "", nullptr},
        {1006, "&Select", "F&6", "", nullptr},
        {11854, "&Select", "F1N", "", nullptr},
        {11857, "&Select", "F2N", "", nullptr},
        {11858, "&Select", "F3N", "", nullptr},
        {kKlattAll, "&Select", "&All", "", nullptr},
        {kKlattNone, "&Select", "&None", "", nullptr},
        {kKlattUndo, "&Edit", "&Undo", "Ctrl+Z", nullptr},
        {kKlattRedo, "&Edit", "&Redo", "Ctrl+Y", nullptr},
        {kKlattDelete, "&Edit", "&Delete \t Ctrl K", "Ctrl+K", nullptr},
        {kKlattRemoveFirst, "&Edit", "Remove &first point", "Ctrl+D", nullptr},
        {kKlattRemoveLast, "&Edit", "Remove &last point", "Ctrl+Shift+E", nullptr},
        {kKlattSmooth, "&Edit", "&Smooth", "", nullptr},
        {11859, "S&tep", "&2 ms", "", nullptr},
        {1017, "S&tep", "&4 ms", "", nullptr},
        {1016, "S&tep", "&8 ms", "", nullptr},
        {1015, "S&tep", "&16 ms", "", nullptr},
        {kKlattSquares, "&Display", "&Squares", "", nullptr},
        {kKlattLines, "&Display", "&Lines", "", nullptr},
        {kKlattRegisterLpc, "&Formants/&Register", "with &LPC", "", nullptr},
        {kKlattRegisterCepstral, "&Formants/&Register", "with &cepstral smoothing", "", nullptr},
        {kKlattMerge, "&Formants", "Merge", "", nullptr},
        {kKlattF1F2Plane, "&Formants", "Display in F1-F2 plane", "", nullptr},
        {kKlattAnalysisParams, "&Formants", "&Spectral analysis parameters", "", nullptr},
        {kKlattGetF0, "&Copy synthesis", "&Get F0", "", nullptr},
        {kKlattCopySynthesis, "&Copy synthesis", "Copy &synthesis", "", nullptr},
        {kKlattSnakeScratch, "&Copy synthesis/&Formant tracking/&Tracking", "From scratch", "", nullptr},
        {kKlattSnakeExisting, "&Copy synthesis/&Formant tracking/&Tracking", "From existing formants", "", nullptr},
        {kKlattSnakeSelected, "&Copy synthesis/&Formant tracking/&Tracking", "From existing selected formants", "", nullptr},
        {kKlattImageCepstral, "&Copy synthesis/&Formant tracking/Support image", "&Cepstral smoothing", "", nullptr},
        {kKlattImageTrueEnvelope, "&Copy synthesis/&Formant tracking/Support image", "&True envelope", "", nullptr},
        {kKlattImageLpc, "&Copy synthesis/&Formant tracking/Support image", "&LPC", "", nullptr},
        {kKlattSaveImage, "&Copy synthesis/&Formant tracking/Support image", "&Save image (PGM)", "", nullptr},
        {kKlattCurvesLpc, "&Copy synthesis/&Formant tracking/Initial curves", "LPC roots", "", nullptr},
        {kKlattCurvesTrueEnvelope, "&Copy synthesis/&Formant tracking/Initial curves", "True envelope peaks", "", nullptr},
        {kKlattSnakeParams, "&Copy synthesis/&Formant tracking", "Snake parameters", "", nullptr},
        {kKlattDefaults, "Se&tup", "Default parameters", "", nullptr},
        {kKlattSettings, "Se&tup", "&Synthesizer command options", "", nullptr},
        {kKlattMouseHelp, "&?", "&Mouse help", "", nullptr},
    };
    const auto steps = std::find_if(c.begin(), c.end(), [](const KlattCommand& k) { return k.id == kStepIds[0]; });
    const auto at = steps - c.begin();
    for (int s = 0; s < kKlattScales; ++s)
      c.insert(c.begin() + at + s, {kKlattFirstScale + s, "S&cale", klattScales()[static_cast<std::size_t>(s)].menuEntry.data(), "", nullptr});
    return c;
  }();
  return commands;
}

FormantWindow::FormantWindow(std::function<void(const std::string&)> play, std::function<void(const QString&)> help,
                             QWidget* parent)
    : QMainWindow(parent), play_(std::move(play)), help_(std::move(help)) {
  setWindowTitle("Formants and Klatt synthesis");
  setAttribute(Qt::WA_DeleteOnClose);
  canvas_ = new Canvas(*this);
  setCentralWidget(canvas_);
  auto* bar = addToolBar("Drawing");
  bar->addWidget(new QLabel(" Shift+drag draws into: ", bar));
  drawInto_ = new QComboBox(bar);
  drawInto_->setObjectName("drawInto");
  for (int g = 0; g < kKlattGroups; ++g) drawInto_->addItem(groupName(g), g);
  drawInto_->setCurrentIndex(2);
  bar->addWidget(drawInto_);
  statusBar()->showMessage("Point: drag moves it, right-click deletes it, Ctrl+click selects its piece; "
                           "Shift+drag draws a new track");
  const Program& prog = program();
  tracks_.frequence = realSignal() ? prog.en_cours.frequence : settings_.rateHz;
  settings_ = initialKlattSettings(realSignal(), prog.en_cours.frequence, tracks_.stepMs);
  if (!realSignal()) tracks_.frequence = settings_.rateHz;
  buildMenus();
  bindCommands();
  updateChecks();
  fitOnScreen(this, QSize(1000, 680));
}

FormantWindow::~FormantWindow() {
  if (plane_) plane_->close();
}

bool FormantWindow::realSignal() const {
  const Program& prog = program();
  return prog.fileLoaded && prog.en_cours.frequence > 0;
}

QWidget* FormantWindow::canvas() const { return canvas_; }
int FormantWindow::drawGroup() const { return drawInto_->currentData().toInt(); }
void FormantWindow::setDrawGroup(int group) { drawInto_->setCurrentIndex(std::clamp(group, 0, kKlattGroups - 1)); }

QAction* FormantWindow::action(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void FormantWindow::buildMenus() {
  std::map<QString, QMenu*> menus;
  auto menuOf = [&](const QString& path) {
    QMenu* parent = nullptr;
    QString sofar;
    for (const QString& part : path.split('/')) {
      sofar += "/" + part;
      auto& m = menus[sofar];
      if (!m) {
        m = parent ? parent->addMenu(part) : menuBar()->addMenu(part);
        m->setToolTipsVisible(true);
      }
      parent = m;
    }
    return parent;
  };
  for (const KlattCommand& c : klattCommands()) {
    QString label = c.text;
    if (const auto tab = label.indexOf('\t'); tab >= 0) label.truncate(tab);
    QAction* a = menuOf(c.menu)->addAction(label.trimmed());
    if (*c.accelerator) a->setShortcut(QKeySequence(c.accelerator));
    if (c.notYet) {
      a->setEnabled(false);
      a->setToolTip(c.notYet);
    }
    actions_[c.id] = a;
    connect(a, &QAction::triggered, this, [this, id = c.id] { runCommand(id); });
  }
  spreadMnemonics(menuBar());
}

bool FormantWindow::runCommand(int id) {
  QAction* a = action(id);
  const auto it = handlers_.find(id);
  if (!a || !a->isEnabled() || it == handlers_.end()) return false;
  // The commands that change the tracks can be undone.
  static const std::set<int> edits = {kKlattPaste,        kKlattOpenFormants,     kKlattDelete,       kKlattRemoveFirst,
                                      kKlattRemoveLast,   kKlattSmooth,           kKlattMerge,        kKlattGetF0,
                                      kKlattCopySynthesis, kKlattRegisterLpc,     kKlattRegisterCepstral,
                                      kKlattSnakeScratch, kKlattSnakeExisting,    kKlattSnakeSelected,
                                      kStepIds[0],        kStepIds[1],            kStepIds[2],        kStepIds[3]};
  if (edits.count(id)) recordEdit(it->second);
  else it->second();
  return true;
}

std::int32_t FormantWindow::signalEndMs() const {
  const Program& prog = program();
  if (realSignal()) return static_cast<std::int32_t>(samplesToMs(prog.ct.tf, prog.en_cours.frequence));
  return rangeMs_;
}

void FormantWindow::extendRange() {
  if (realSignal()) return;
  if (const auto last = tracks_.lastDate()) rangeMs_ = std::max(rangeMs_, *last + 1000);
}

void FormantWindow::changed(bool resynthesize) {
  if (resynthesize) synthesize();
  canvas_->update();
  if (plane_) plane_->update();
}

void FormantWindow::updateChecks() {
  for (int s = 0; s < kKlattScales; ++s) action(kKlattFirstScale + s)->setChecked(tracks_.scale == s);
  for (int i = 0; i < 4; ++i) action(kStepIds[i])->setChecked(tracks_.stepMs == kStepMs[i]);
  action(kKlattSquares)->setChecked(tracks_.displayMode == 0);
  action(kKlattLines)->setChecked(tracks_.displayMode == kLinesMode);
  updateTrackingChecks();
}

void FormantWindow::followView() {
  if (realSignal()) {
    const double f = program().en_cours.frequence;
    if (tracks_.frequence != f) tracks_.recomputeSampleDates(f);
  }
  canvas_->update();
  if (plane_) plane_->update();
}

TrackView FormantWindow::trackView() const {
  const Program& prog = program();
  TrackView v;
  const QRect r = canvas_->trackRect();
  v.width = r.width();
  v.height = r.height();
  const KlattScale& s = klattScales()[static_cast<std::size_t>(tracks_.scale)];
  v.bottom = s.minimum;
  v.top = s.maximum;
  if (realSignal()) {
    v.frequence = prog.en_cours.frequence;
    v.firstSample = prog.ct.d_a;
    v.lastSample = std::max(prog.ct.f_a, prog.ct.d_a + 1);
  } else {
    v.frequence = tracks_.frequence;
    v.firstSample = 0;
    v.lastSample = msToSamples(rangeMs_, v.frequence);
  }
  if (tracks_.scale == 0) {  // on the spectrogram's frequency axis
    v.bottom = 0;
    v.top = realSignal() ? spectroSettings().fmaxHz : tracks_.frequence / 2;
  }
  return v;
}

QPoint FormantWindow::pixelOf(double ms, double value) const {
  const TrackView v = trackView();
  return canvas_->trackRect().topLeft() +
         QPoint(xOfSample(v, static_cast<double>(msToSamples(ms, v.frequence))), yOfScaled(v, value));
}

KlattGesture FormantWindow::gestureAt(QPoint p, Qt::KeyboardModifiers modifiers, QString* status) const {
  if (!canvas_->trackRect().contains(p)) {
    if (status) *status = canvas_->synthRect().contains(p) ? "Synthesized signal (narrow band)" : "";
    return KlattGesture::None;
  }
  const TrackView v = trackView();
  const QPoint local = p - canvas_->trackRect().topLeft();
  const QString where = QString("t = %1 s  |  %2 %3")
                            .arg(msAtX(v, local.x()) / 1000.0, 0, 'f', 4)
                            .arg(std::lround(scaledAtY(v, local.y())))
                            .arg(text(klattScales()[static_cast<std::size_t>(tracks_.scale)].axisLabel));
  if (modifiers & Qt::ShiftModifier) {
    if (status) *status = where + " - Shift+drag draws a new " + groupName(drawGroup()) + " track";
    return KlattGesture::Draw;
  }
  if (const Canvas::Hit hit = canvas_->pick(p); hit.piece) {
    if (status)
      *status = where + " - point of " + groupName(hit.group) +
                ": drag moves it, right-click deletes it, Ctrl+click (un)selects its piece";
    return KlattGesture::MovePoint;
  }
  if (status) *status = where + " - click clears the selection; Shift+drag draws a new " + groupName(drawGroup()) + " track";
  return KlattGesture::None;
}

void FormantWindow::bindCommands() {
  auto& h = handlers_;
  auto save = [this](const QString& title, const QString& filter, const char* extension,
                     const std::function<bool(const fs::path&)>& write) {
    const QString name = chooseFile(this, FileQuestion::Save, title, {}, filter);
    if (name.isEmpty()) return;
    fs::path file = name.toStdString();
    if (!file.has_extension()) file.replace_extension(extension);
    write(file);
  };
  h[kKlattOpen] = [this] {
    fs::path file;
    std::optional<std::int32_t> offset;
    if (!askWhere("Open", "Klatt files (*.kl?);;All Files (*)", file, offset) || !settleModifications()) return;
    bool opened = false;
    recordEdit([&] { opened = openParams(file, offset); });
    if (opened) modified_ = false;  // as read, though it can be undone
  };
  h[kKlattPaste] = [this] {
    fs::path file;
    std::optional<std::int32_t> offset;
    if (askWhere("Paste from file", "Kla files (*.kle *.bmp);;All Files (*)", file, offset))
      pasteParams(file, offset.value_or(0));
  };
  h[kKlattSaveAs] = [this] { saveTracksAs(); };
  h[kKlattSave41] = [this, save] {
    save("Save as (Klatt with 41 param)", "Klatt files (*.kla);;All Files (*)", "kla", [this](const fs::path& f) {
      if (!saveParams(f, 41)) return false;
      modified_ = false;
      file_ = f;
      return true;
    });
  };
  h[kKlattUndo] = [this] { undo(); };
  h[kKlattRedo] = [this] { redo(); };
  h[kKlattSaveFormants] = [this, save] {
    save("Save formants", "Formant files (*.for);;All Files (*)", "for",
         [this](const fs::path& f) { return saveParams(f, 0); });
  };
  h[kKlattOpenFormants] = [this] {
    const QString name =
        chooseFile(this, FileQuestion::Open, "Open formants", {}, "Formant files (*.for *.bmp);;All Files (*)");
    if (!name.isEmpty() && tracks_.openFormants(name.toStdString())) changed();
  };
  h[kKlattSynthesize] = [this] {
    if (synthesize()) tracks_.warnPastEnd(signalEndMs(), "they are synthesized whole.");
  };
  h[kKlattSaveSpeech] = [this, save] {
    save("Save synthesized speech", "*.*", "wav", [this](const fs::path& f) {
      return synthesize(f, false) && (tracks_.warnPastEnd(signalEndMs(), "they are synthesized whole."), true);
    });
  };
  for (int g = 1; g <= 9; ++g)
    h[kGroupIds[g - 1]] = [this, g] {
      tracks_.selectGroup(g);
      changed();
    };
  h[kKlattAll] = [this] {
    tracks_.selectAll(true);
    changed();
  };
  h[kKlattNone] = [this] {
    tracks_.selectAll(false);
    changed();
  };
  h[kKlattDelete] = [this] {
    tracks_.deleteSelected();
    changed();
  };
  h[kKlattRemoveFirst] = [this] {
    tracks_.removeFirstPointOfSelected();
    changed();
  };
  h[kKlattRemoveLast] = [this] {
    tracks_.removeLastPointOfSelected();
    changed();
  };
  h[kKlattSmooth] = [this] {
    tracks_.smoothSelected();
    changed();
  };
  for (int s = 0; s < kKlattScales; ++s) {
    action(kKlattFirstScale + s)->setCheckable(true);
    h[kKlattFirstScale + s] = [this, s] {
      tracks_.scale = s;
      updateChecks();
      changed();
    };
  }
  for (int i = 0; i < 4; ++i) {
    action(kStepIds[i])->setCheckable(true);
    h[kStepIds[i]] = [this, ms = kStepMs[i]] {
      if (!tracks_.setStep(ms)) return;
      settings_.frameMs = ms;
      updateChecks();
      changed();
    };
  }
  for (int id : {kKlattSquares, kKlattLines}) {
    action(id)->setCheckable(true);
    h[id] = [this, id] {
      tracks_.displayMode = id == kKlattLines ? kLinesMode : 0;
      updateChecks();
      changed();
    };
  }
  h[kKlattMerge] = [this] {
    tracks_.mergeSelected();
    changed();
  };
  h[kKlattGetF0] = [this] { getF0(); };
  h[kKlattCopySynthesis] = [this] { copySynthesis(); };
  h[kKlattDefaults] = [this] { askDefaultParams(this, tracks_.defaults); };
  h[kKlattSettings] = [this] {
    settings_.frameMs = tracks_.stepMs;
    if (!askSynthSettings(this, settings_, realSignal())) return;
    if (!realSignal() && tracks_.frequence != settings_.rateHz) tracks_.recomputeSampleDates(settings_.rateHz);
    changed();
  };
  h[kKlattF1F2Plane] = [this] {
    if (!plane_) plane_ = new F1F2Plane(tracks_, this);
    plane_->show();
    plane_->raise();
  };
  h[kKlattMouseHelp] = [this] {
    if (help_) help_("mouse-klatt");
  };
  bindTrackingCommands();
  action(kKlattUndo)->setEnabled(false);
  action(kKlattRedo)->setEnabled(false);
}


}  // namespace ardv::shell
