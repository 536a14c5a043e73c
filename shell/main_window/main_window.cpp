// Main window: panes, layout, menus, scroll bar and the current-signal
// notifications.
#include "shell/main_window/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QFileInfo>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "editing/edit_context.h"
#include "editing/edit_history.h"
#include "editing/edit_save.h"
#include "platform/report.h"
#include "prosody/energy.h"
#include "shell/annotation/phonetic_annotator_window.h"
#include "shell/formant_window/formant_window.h"
#include "shell/logic/command_table.h"
#include "shell/logic/readable_reports.h"
#include "shell/logic/readouts.h"
#include "shell/logic/view_ops.h"
#include "shell/main_window/editing_tools_window.h"
#include "shell/main_window/help_window.h"
#include "shell/main_window/options_dialog.h"
#include "shell/main_window/playback.h"
#include "shell/main_window/spectro_params_window.h"
#include "shell/measurement/measurement_panel.h"
#include "shell/panes/overview_strip.h"
#include "shell/panes/spectrogram_painter.h"
#include "shell/panes/tier_pane.h"
#include "shell/panes/value_scale.h"
#include "shell/shared/window_setup.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "spectral/critical_band_scale.h"
#include "spectral/spectrogram_params.h"
#include "texts/texts.h"

namespace ardv::shell {

// The client area: lays the panes out at every resize.
class MainWindow::ClientArea : public QWidget {
 public:
  ClientArea(MainWindow* owner) : QWidget(owner), owner_(owner) {}

 protected:
  void resizeEvent(QResizeEvent*) override { owner_->layoutPanes(); }
  // Names of the two annotation panes in the margin left of them.
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(palette().windowText().color());
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    p.setFont(small);
    for (const auto& [pane, name] : {std::pair{owner_->layout_.word, "Words"}, {owner_->layout_.phoneme, "Phonemes"}})
      if (pane.visible()) p.drawText(QRect(2, pane.y, pane.x - 6, pane.height), Qt::AlignRight | Qt::AlignVCenter, name);
  }

 private:
  MainWindow* owner_;
};

MainWindow::MainWindow(InfoLines& lines, std::function<void()> refreshLines, QWidget* parent)
    : QMainWindow(parent), lines_(lines), refreshLines_(std::move(refreshLines)) {
  setWindowFlag(Qt::Window);
  setWindowTitle(QString::fromStdString(text(105)));
  move(60, 40);
  resize(900, 550);
  lineHeight_ = fontMetrics().height();

  client_ = new ClientArea(this);
  setCentralWidget(client_);
  spectroPlane_ = new SpectroPlane(client_);
  signalPlane_ = new SignalPlane(client_);
  wordPane_ = new AnnotationPane(PaneKind::Words, "words", client_);
  phonemePane_ = new AnnotationPane(PaneKind::Phonemes, "phonemes", client_);
  scrollBar_ = new QScrollBar(Qt::Horizontal, client_);
  overview_ = new OverviewStrip(client_);
  tierPane_ = new TierPane(client_);
  // A click in the overview centres the view there.
  connect(overview_, &OverviewStrip::moveRequested, this, [this](std::int32_t sample) {
    const auto& ct = program().ct;
    showFromSample(std::max(0, sample - (ct.f_a - ct.d_a) / 2));
  });
  scrollBar_->setRange(scrollMapping_.pmin, scrollMapping_.pmax);
  spectroPlane_->view()->setPainter(paintSpectrogram);
  signalPlane_->view()->setPartner(spectroPlane_->view());
  spectroPlane_->view()->setPartner(signalPlane_->view());
  for (PlaneView* view : {static_cast<PlaneView*>(signalPlane_->view()), static_cast<PlaneView*>(spectroPlane_->view())})
  {
    connect(view, &PlaneView::selectionFinished, this, &MainWindow::onSelectionFinished);
    connect(view, &PlaneView::hovered, this, [this](std::int32_t sample) {
      // Line 12: the F0 shown, under the pointer.
      const int f0 = f0UnderPointer(sample);
      if (f0 < 0) return;
      char line[32];
      std::snprintf(line, sizeof line, "f0: %u Hz", static_cast<unsigned>(f0));
      lines_.set(kLineF0, line);
      if (refreshLines_) refreshLines_();
    });
  }
  connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int p) {
    if (!syncingScroll_) scrollTo(p);
  });
  // The status bar is there from the start, so that the panes keep their size.
  pointerLabel_ = new QLabel(this);
  selectionLabel_ = new QLabel(this);
  pointerLabel_->setObjectName("pointerReadout");
  selectionLabel_->setObjectName("selectionReadout");
  statusBar()->addWidget(pointerLabel_, 1);
  statusBar()->addPermanentWidget(selectionLabel_);
  statusBar()->setSizeGripEnabled(true);
  for (PlaneView* view : {static_cast<PlaneView*>(signalPlane_->view()), static_cast<PlaneView*>(spectroPlane_->view())}) {
    const bool spectro = view == spectroPlane_->view();
    connect(view, &PlaneView::pointerAt, this, [this, spectro](std::int32_t sample, int y) {
      pointerAt(sample, spectro ? y : -1);
    });
    connect(view, &PlaneView::wheelTurned, this, [this](double steps, bool zoom, int) {
      if (zoom)
        navigate(steps > 0 ? Step::ZoomIn : Step::ZoomOut, std::abs(steps));
      else
        navigate(Step::Right, -steps);
    });
  }
  for (AnnotationPane* pane : {wordPane_, phonemePane_}) {
    connect(pane, &AnnotationPane::hovered, this, [this](std::int32_t sample) { pointerAt(sample, -1); });
    connect(pane, &AnnotationPane::segmentClicked, this, &MainWindow::selectSamples);
    connect(pane, &AnnotationPane::boundaryMoving, this, [this] {
      signalPlane_->view()->update();
      spectroPlane_->view()->update();
    });
  }
  setMinimumSize(420, 260);  // below it the panes would overlap
  loadDisplayOptions();

  buildMenus();
  buildNavigation();
  bindCommands();
  setCurrentSignalListener(this);
  setAcceptDrops(true);
  updateCommandStates();
  traceLine("GetFreeSpace(0)=1048576");
}

MainWindow::~MainWindow() {
  setSpectroRedrawHook({});
  if (&currentSignalListener() == this) setCurrentSignalListener(nullptr);
}

void MainWindow::buildMenus() {
  std::map<std::string, QMenu*> menus;
  auto menuFor = [&](const std::string& path) {
    QMenu*& menu = menus[path];
    if (menu) return menu;
    const auto slash = path.rfind('/');
    QString title = QString::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1));
    // Alt+letter opens a top menu; the letters avoid the items' own.
    static const std::map<QString, QString> mnemonics = {
        {"Files", "&Files"},     {"Edit", "&Edit"},     {"Spectro", "&Spectro"},
        {"Phonemes", "&Phonemes"}, {"Words", "&Words"},   {"Formants", "F&ormants"},
        {"Prosody", "P&rosody"}, {"Miscellaneous", "&Miscellaneous"}, {"?", "&?"}};
    if (slash == std::string::npos && mnemonics.count(title)) title = mnemonics.at(title);
    menu = slash == std::string::npos ? menuBar()->addMenu(title) : menus.at(path.substr(0, slash))->addMenu(title);
    menu->setToolTipsVisible(true);
    return menu;
  };
  for (const CommandSpec& c : mainCommands()) {
    if (!*c.menu) continue;
    const std::string path = c.menu;
    // Parents first, so that submenus come in table order.
    for (std::size_t at = path.find('/'); at != std::string::npos; at = path.find('/', at + 1)) menuFor(path.substr(0, at));
    QMenu* menu = menuFor(path);
    QAction* a = menu->addAction(QString::fromStdString(menuLabel(c)));
    if (*c.accelerator) a->setShortcut(QKeySequence(QString::fromLatin1(c.accelerator)));
    const int id = c.id;
    connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    actions_[id] = a;
    if (c.id == kCmdOpen) {
      recentMenu_ = menus.at("Files")->addMenu("Recent files");
      rebuildRecentMenu();
      resultsMenu_ = menus.at("Files")->addMenu("Modification results");
      resultsMenu_->setObjectName("modificationResults");
      resultsMenu_->setToolTipsVisible(true);
      rebuildResultsMenu();
    }
  }
  for (const auto& extra : extraAccelerators()) {
    if (QAction* a = action(extra.id)) {
      auto keys = a->shortcuts();
      keys << QKeySequence(QString::fromLatin1(extra.keys));
      a->setShortcuts(keys);
    }
  }
  for (QAction* top : menuBar()->actions())
    if (top->menu()) spreadMnemonics(top->menu());
  for (int id : {kCmdZoomIn, kCmdZoomOut, kCmdWideBand, kCmdNarrowBand, kCmdReassigned, kCmdLinearPrediction,
                 kCmdCepstral, kCmdCriticalBands})
    if (QAction* a = action(id)) a->setCheckable(true);
}

void MainWindow::buildNavigation() {
  // Keys that the menu accelerators leave free, and a toolbar.
  struct Key {
    const char* name;
    const char* tip;
    Step step;
    QList<QKeySequence> keys;
  };
  const Key keys[] = {
      {"Zoom in x2", "Zoom in by a factor of 2 (+)", Step::ZoomIn, {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)}},
      {"Zoom out x2", "Zoom out by a factor of 2 (-)", Step::ZoomOut, {QKeySequence(Qt::Key_Minus)}},
      {"Show all", "Show the whole signal (Ctrl+A)", Step::ShowAll, {QKeySequence("Ctrl+A")}},
      {"Scroll left", "", Step::Left, {QKeySequence(Qt::Key_Left)}},
      {"Scroll right", "", Step::Right, {QKeySequence(Qt::Key_Right)}},
      {"Page left", "", Step::PageLeft, {QKeySequence(Qt::Key_PageUp)}},
      {"Page right", "", Step::PageRight, {QKeySequence(Qt::Key_PageDown)}},
      {"Start", "", Step::Home, {QKeySequence(Qt::Key_Home)}},
      {"End", "", Step::End, {QKeySequence(Qt::Key_End)}},
  };
  QToolBar* bar = addToolBar("View");
  bar->setObjectName("viewToolBar");
  bar->setMovable(false);
  for (const Key& k : keys) {
    auto* a = new QAction(k.name, this);
    a->setShortcuts(k.keys);
    a->setShortcutContext(Qt::WindowShortcut);
    a->setObjectName(QString("nav:") + k.name);
    const Step step = k.step;
    connect(a, &QAction::triggered, this, [this, step] { navigate(step); });
    addAction(a);
    if (*k.tip) {
      a->setToolTip(k.tip);
      bar->addAction(a);
    }
  }
  // F10 opens the first menu, as in other desktop programs.
  auto* menuKey = new QAction(this);
  menuKey->setShortcut(QKeySequence(Qt::Key_F10));
  connect(menuKey, &QAction::triggered, this, [this] {
    if (!menuBar()->actions().isEmpty()) menuBar()->setActiveAction(menuBar()->actions().front());
  });
  addAction(menuKey);
  bar->addSeparator();
  for (int id : {int(kCmdZoomIn), int(kCmdPlay), 21, int(kCmdRedo)})
    if (QAction* a = action(id)) bar->addAction(a);
}

QAction* MainWindow::action(int id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::updateCommandStates() {
  const auto& prog = program();
  const bool selection = prog.fileLoaded && prog.ct.d_sel >= 0 && prog.ct.f_sel >= prog.ct.d_sel;
  for (const CommandSpec& c : mainCommands()) {
    QAction* a = action(c.id);
    if (!a) continue;
    if (!isWired(c.id)) {
      a->setEnabled(false);
      a->setToolTip("Not available yet");
      continue;
    }
    bool enabled = true;
    if (c.needs == Needs::File) enabled = prog.fileLoaded;
    if (c.needs == Needs::Selection) enabled = selection;
    a->setEnabled(enabled);
  }
}

bool MainWindow::runCommand(int id) {
  const auto it = handlers_.find(id);
  QAction* a = action(id);
  if (it == handlers_.end() || (a && !a->isEnabled())) return false;
  {
    const CommandSpec* spec = findCommand(id);
    ActionUnderWay named(spec ? menuLabel(*spec) : std::string());
    it->second();
  }
  if (fatalRequested()) close();
  updateCommandStates();
  refreshInfo();
  return true;
}

void MainWindow::layoutPanes() {
  // Shown value scales sit right of the spectrogram, nearest first.
  std::vector<ValueScale*> scales;
  for (ValueScale* s : {f0Scale_, energyScale_})
    if (s && !s->isHidden()) scales.push_back(s);
  layout_ = shell::layoutPanes(client_->width(), client_->height(), lineHeight_,
                               kValueScaleWidth * static_cast<int>(scales.size()), tierPane_->rows(),
                               displayOptions().overview ? kOverviewHeight : 0);
  for (std::size_t i = 0; i < scales.size(); ++i)
    scales[i]->setGeometry(layout_.valueScales.x + kValueScaleWidth * static_cast<int>(i), layout_.valueScales.y,
                           kValueScaleWidth, std::max(0, layout_.valueScales.height));
  auto place = [](QWidget* w, const PaneRect& r) {
    if (!r.visible()) {
      w->hide();
      return;
    }
    w->setGeometry(r.x, r.y, r.width, r.height);
    w->show();
  };
  place(wordPane_, layout_.word);
  place(spectroPlane_, layout_.spectro);
  place(phonemePane_, layout_.phoneme);
  place(signalPlane_, layout_.signal);
  place(scrollBar_, layout_.scroll);
  place(overview_, layout_.overview);
  // The tiers' names go in their own margin.
  place(tierPane_, {0, layout_.tiers.y, layout_.tiers.x + layout_.tiers.width, layout_.tiers.height});
  client_->update();
}


void MainWindow::refreshAll() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  signalPlane_->refresh();
  spectroPlane_->refresh();
  wordPane_->update();
  phonemePane_->update();
  overview_->update();
  tierPane_->update();
  followFormantWindow();
  QApplication::restoreOverrideCursor();
  refreshInfo();
}

void MainWindow::refreshInfo() {
  setSignalLines(lines_, program());
  const auto& ct = program().ct;
  if (selectionLabel_) {
    const double fs = program().en_cours.frequence;
    std::string said = program().fileLoaded ? selectionText(ct.d_sel, ct.f_sel > ct.d_sel ? ct.f_sel : -1, fs) : "";
    // A click leaves an empty selection: its time instead.
    if (said.empty() && program().fileLoaded && clickSample_ >= 0 && ct.d_sel == clickSample_) said = clickText(clickSample_, fs);
    selectionLabel_->setText(QString::fromStdString(said));
  }
  if (program().annotationsModified || editContext().samplesModified)
    lines_.set(kLineModified, text(214));
  else
    lines_.clear(kLineModified);
  if (refreshLines_) refreshLines_();
  emit selectionChanged();
}

void MainWindow::onSelectionFinished(const Selection& selection) {
  clickSample_ = selection.first == selection.last ? selection.first : -1;
  setDurationLines(lines_, selection.durationMs());
  updateCommandStates();
  refreshInfo();
}

void MainWindow::modeChanged(int mode) {
  const std::pair<int, int> kinds[] = {{kWideBand, kCmdWideBand},
                                       {kNarrowBand, kCmdNarrowBand},
                                       {kReassigned, kCmdReassigned},
                                       {kLinearPrediction, kCmdLinearPrediction},
                                       {kCepstralSmoothing, kCmdCepstral},
                                       {kCriticalBands, kCmdCriticalBands}};
  for (const auto& [kind, id] : kinds)
    if (QAction* a = action(id)) a->setChecked(kind == mode);
}

void MainWindow::memoryModeChanged(int modeMemoire) {
  if (QAction* a = action(kCmdZoomIn)) a->setChecked(modeMemoire == 3);
  if (QAction* a = action(kCmdZoomOut)) a->setChecked(modeMemoire != 3);
}

void MainWindow::signalOpened() {
  if (player_) player_->stop();  // its samples and cursor belong to the previous signal
  if (measurementPanel_) measurementPanel_->invalidate();
  const auto& prog = program();
  setWindowTitle(QString::fromStdString(prog.en_cours.nom));
  if (prog.en_cours.frequence > 0 && !fmaxKept_) {
    const double fmax = displayOptions().defaultFmaxHz;
    spectroSettings().fmaxHz = fmax > 0 ? std::min(fmax, prog.en_cours.frequence / 2) : prog.en_cours.frequence / 2;
  }
  spectroPlane_->view()->setShown(prog.options.autospectro);
  clearSelections();
  tierPane_->setTiers({});
  clickSample_ = -1;
  hideValueScales();  // lays the panes out again
  dropOverlays();
  clearEditHistory();
  modeChanged(prog.en_cours.mode);
  updateCommandStates();
  addRecentFile(prog.en_cours.nom);
  rebuildResultsMenu();
}

void MainWindow::setOtherTiers(std::vector<ShownTier> tiers) {
  tierPane_->setTiers(std::move(tiers));
  layoutPanes();
}

void MainWindow::redrawAll() {
  clearSelections();
  if (editContext().editSerial != overlaySerial_) dropOverlays();
  if (annotator_) annotator_->listChanged();
  refreshAll();
  syncScrollBar();
}

bool MainWindow::openPath(const std::string& path) {
  ActionUnderWay named(actionUnderWay().empty() ? "Open" : actionUnderWay());
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool ok = openFile(path);
  QApplication::restoreOverrideCursor();
  updateCommandStates();
  refreshInfo();
  return ok;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // Unsaved edits: the "Modifications" question; its Cancel keeps the window
  // (unless a fatal error ends the program).
  // The analysis windows ask about their own unsaved work first.
  if (!fatalRequested())
    for (QMainWindow* w : findChildren<QMainWindow*>(Qt::FindDirectChildrenOnly))
      if (w->isVisible() && !w->close()) {
        event->ignore();
        return;
      }
  if (askSaveModifications() == SaveOutcome::Abandon && !fatalRequested()) {
    event->ignore();
    refreshInfo();
    return;
  }
  if (help_) help_->close();
  if (annotator_) annotator_->close();
  if (editingTools_) editingTools_->close();
  if (formantWindow_) formantWindow_->close();
  event->accept();
  emit closed();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) {
      openPath(url.toLocalFile().toStdString());
      break;
    }
  }
}

void MainWindow::addRecentFile(const std::string& path) {
  if (!recentKept_) return;
  QSettings settings;
  QStringList files = settings.value("recentFiles").toStringList();
  const QString file = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
  files.removeAll(file);
  files.prepend(file);
  while (files.size() > 8) files.removeLast();
  settings.setValue("recentFiles", files);
  rebuildRecentMenu();
}

void MainWindow::rebuildRecentMenu() {
  if (!recentMenu_) return;
  recentMenu_->clear();
  const QStringList files = QSettings().value("recentFiles").toStringList();
  for (const QString& file : files) {
    QAction* a = recentMenu_->addAction(file);
    connect(a, &QAction::triggered, this, [this, file] { openPath(file.toStdString()); });
  }
  recentMenu_->setEnabled(!files.isEmpty());
}

}  // namespace ardv::shell
