// Main window: panes, layout, menus, scroll bar and the current-signal
// notifications.
#include "shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QSettings>
#include <algorithm>
#include <cstdio>

#include "annotation/texts.h"
#include "platform/report.h"
#include "shell/command_table.h"
#include "shell/editing_tools_window.h"
#include "shell/formant_window.h"
#include "shell/help_window.h"
#include "shell/phonetic_annotator_window.h"
#include "shell/playback.h"
#include "shell/spectro_params_window.h"
#include "shell/spectrogram_painter.h"
#include "shell/view_ops.h"
#include "signal/current_signal.h"
#include "signal/edit_context.h"
#include "signal/edit_save.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "spectral/spectrogram_params.h"

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

  buildMenus();
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
    const QString title = QString::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1));
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
    }
  }
  for (const auto& extra : extraAccelerators()) {
    if (QAction* a = action(extra.id)) {
      auto keys = a->shortcuts();
      keys << QKeySequence(QString::fromLatin1(extra.keys));
      a->setShortcuts(keys);
    }
  }
  for (int id : {kCmdZoomIn, kCmdZoomOut, kCmdWideBand, kCmdNarrowBand, kCmdReassigned, kCmdLinearPrediction,
                 kCmdCepstral, kCmdCriticalBands})
    if (QAction* a = action(id)) a->setCheckable(true);
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
  it->second();
  if (fatalRequested()) close();
  updateCommandStates();
  refreshInfo();
  return true;
}

void MainWindow::layoutPanes() {
  layout_ = shell::layoutPanes(client_->width(), client_->height(), lineHeight_);
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
  client_->update();
}

void MainWindow::syncScrollBar() {
  const auto& ct = program().ct;
  syncingScroll_ = true;
  const int range = scrollMapping_.pmax - scrollMapping_.pmin;
  const double share = ct.tf > 0 ? double(ct.f_a - ct.d_a + 1) / ct.tf : 1.0;
  if (!program().fileLoaded || share >= 1.0) {
    // The whole signal is shown: nothing to scroll.
    scrollBar_->setRange(scrollMapping_.pmin, scrollMapping_.pmin);
    scrollBar_->setEnabled(false);
  } else {
    scrollBar_->setEnabled(true);
    scrollBar_->setRange(scrollMapping_.pmin, scrollMapping_.pmax);
    // Thumb length in proportion to the share of the signal shown.
    scrollBar_->setPageStep(std::clamp(static_cast<int>(range * share / (1.0 - share)), 1, 1000000));
    scrollBar_->setSingleStep(std::max(1, static_cast<int>(range * share / 10)));
    scrollBar_->setValue(scrollMapping_.position(ct.d_a, ct.tf));
  }
  syncingScroll_ = false;
}

void MainWindow::scrollTo(int position) {
  auto& prog = program();
  if (!prog.fileLoaded) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool moved = showFrom(scrollMapping_.startSample(position, prog.ct.tf));
  QApplication::restoreOverrideCursor();
  if (!moved) return;
  clearSelections();
  refreshAll();
  if (scrollBar_->value() != position) syncScrollBar();
}

bool MainWindow::goToMs(double ms) {
  auto& prog = program();
  if (!prog.fileLoaded) return false;
  const auto start = msToSamples(ms, prog.en_cours.frequence);
  return showFromSample(static_cast<std::int32_t>(std::clamp<std::int64_t>(start, 0, std::max(0, prog.ct.tf - 1))));
}

bool MainWindow::showFromSample(std::int32_t start) {
  if (!program().fileLoaded || !showFrom(start)) return false;
  clearSelections();
  refreshAll();
  syncScrollBar();
  return true;
}

void MainWindow::clearSelections() {
  signalPlane_->view()->clearSelectionRecord();
  spectroPlane_->view()->clearSelectionRecord();
}

void MainWindow::refreshAll() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  signalPlane_->refresh();
  spectroPlane_->refresh();
  wordPane_->update();
  phonemePane_->update();
  followFormantWindow();
  QApplication::restoreOverrideCursor();
  refreshInfo();
}

void MainWindow::refreshInfo() {
  setSignalLines(lines_, program());
  if (program().annotationsModified || editContext().samplesModified)
    lines_.set(kLineModified, text(214));
  else
    lines_.clear(kLineModified);
  if (refreshLines_) refreshLines_();
}

void MainWindow::onSelectionFinished(const Selection& selection) {
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
  const auto& prog = program();
  setWindowTitle(QString::fromStdString(prog.en_cours.nom));
  if (prog.en_cours.frequence > 0 && !fmaxKept_) spectroSettings().fmaxHz = prog.en_cours.frequence / 2;
  spectroPlane_->view()->setShown(prog.options.autospectro);
  clearSelections();
  f0Shown_ = F0Shown::None;
  modeChanged(prog.en_cours.mode);
  updateCommandStates();
  addRecentFile(prog.en_cours.nom);
}

void MainWindow::redrawAll() {
  clearSelections();
  refreshAll();
  syncScrollBar();
}

bool MainWindow::openPath(const std::string& path) {
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
  QSettings settings;
  QStringList files = settings.value("recentFiles").toStringList();
  const QString file = QString::fromStdString(path);
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
