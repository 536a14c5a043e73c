// The formant window: menu, painting of the tracks and of the synthesized
// signal's narrow-band spectrogram, mouse gestures, synthesis.
#include "shell/formant_window.h"

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

#include "annotation/texts.h"
#include "formants/copy_synthesis_window.h"
#include "formants/track_ops.h"
#include "platform/report.h"
#include "prosody/pitch_file_reader.h"
#include "prosody/play_signal.h"
#include "shell/busy_cursor.h"
#include "shell/f1f2_plane.h"
#include "shell/file_chooser.h"
#include "shell/klatt_dialogs.h"
#include "shell/scales.h"
#include "shell/window_setup.h"
#include "shell/spectrogram_painter.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"
#include "shell/klatt_spectrogram.h"
#include "spectral/spectrogram_params.h"

namespace ardv::shell {
namespace fs = std::filesystem;

namespace {

constexpr int kMargin = 62;       // left margin for the value ticks and the axis caption
constexpr int kRightMargin = 8;
constexpr double kTrackShare = 0.66;  // of the canvas height, the rest shows the synthesis
constexpr int kPickPx = 6;        // a point is under the pointer within this distance

const int kStepIds[] = {11859, 1017, 1016, 1015};
const int kStepMs[] = {2, 4, 8, 16};
const int kGroupIds[] = {1011, 1010, 1009, 1008, 1007, 1006, 11854, 11857, 11858};  // groups 1..9

QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

QColor groupColour(int g) {
  const Rgb c = klattGroups()[static_cast<std::size_t>(g)].colour;
  return {c.r, c.g, c.b};
}

QString groupName(int g) {
  const int key = klattGroups()[static_cast<std::size_t>(g)].params[0];
  QString name = text(klattParams()[static_cast<std::size_t>(key)].name);
  if (name.endsWith("hz10")) name.chop(4);
  else if (name.endsWith("hz")) name.chop(2);
  return name;
}

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

// The track pane (tracks over the signal's spectrogram) above the synthesis
// pane (the synthesized signal's narrow-band spectrogram).
class FormantWindow::Canvas : public QWidget {
 public:
  explicit Canvas(FormantWindow& w) : QWidget(&w), w_(w) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(360, 240);
  }
  // The time axis (ticks in seconds) lies between the two panes.
  int timeBand() const { return fontMetrics().height() + 8; }
  int trackHeight() const { return std::max(1, static_cast<int>((height() - timeBand()) * kTrackShare)); }
  // Room above the pane for half of its top tick's label.
  int topBand() const { return fontMetrics().height() / 2 + 2; }
  QRect trackRect() const {
    return {kMargin, topBand(), std::max(1, width() - kMargin - kRightMargin), std::max(1, trackHeight() - topBand())};
  }
  QRect synthRect() const {
    const int top = trackHeight() + timeBand();
    return {kMargin, top, std::max(1, width() - kMargin - kRightMargin), std::max(1, height() - top)};
  }

  struct Hit {
    int group = -1;
    PolyPointsKla* piece = nullptr;
    int index = -1;
  };
  // The point of a group on the scale nearest to p, within kPickPx.
  Hit pick(QPoint p) const {
    Hit best;
    const TrackView v = w_.trackView();
    const QPoint local = p - trackRect().topLeft();
    int bestD = kPickPx * kPickPx + 1;
    for (int g = 0; g < kKlattGroups; ++g) {
      const int column = klattScaleColumn(w_.tracks_.scale, g);
      if (column < 0) continue;
      for (const auto& piece : w_.tracks_.groups[static_cast<std::size_t>(g)]) {
        for (int i = 0; i < piece->nbPoints; ++i) {
          const float value = piece->y(i, column);
          if (isUnset(value)) continue;
          const int x = xOfSample(v, static_cast<double>(msToSamples(piece->date(i), v.frequence)));
          const int y = yOfScaled(v, value);
          const int d = (x - local.x()) * (x - local.x()) + (y - local.y()) * (y - local.y());
          if (d < bestD) {
            bestD = d;
            best = {g, piece.get(), i};
          }
        }
      }
    }
    return best;
  }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void paintTracks(QPainter& p);
  void paintSynthesis(QPainter& p);
  void deletePoint(const Hit& hit);

  FormantWindow& w_;
  Hit dragging_;
  bool drawing_ = false;
  int drawGroup_ = -1;
};

void FormantWindow::Canvas::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  paintTracks(p);
  paintSynthesis(p);
}

void FormantWindow::Canvas::paintTracks(QPainter& p) {
  const QRect r = trackRect();
  const TrackView v = w_.trackView();
  const Program& prog = program();
  if (w_.realSignal()) {
    QImage image(r.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    paintSpectrogram(image, TimeAxis(prog.ct.d_a, prog.ct.f_a, r.width()));
    p.drawImage(r.topLeft(), image);
  }
  p.setPen(Qt::black);
  p.drawRect(r.adjusted(0, 0, -1, -1));
  const KlattScale& scale = klattScales()[static_cast<std::size_t>(w_.tracks_.scale)];
  const QFontMetrics fm(font());
  // Value ticks at the left, the scale's unit written upwards beside them.
  for (const Tick& t : valueTicks(v.bottom, v.top, r.height(), fm.height() + 6)) {
    const int y = r.top() + static_cast<int>(t.pos);
    p.drawLine(kMargin - 4, y, kMargin, y);
    p.drawText(QRect(0, y - fm.height() / 2, kMargin - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
               QString::fromStdString(t.label));
  }
  p.save();
  p.translate(2, r.center().y());
  p.rotate(-90);
  p.drawText(QRect(-r.height() / 2, 0, r.height(), fm.height()), Qt::AlignHCenter, text(scale.axisLabel));
  p.restore();
  // Time ticks in seconds under the track pane, for both panes.
  const double startMs = v.firstSample * 1000.0 / v.frequence, endMs = (v.lastSample + 1.0) * 1000.0 / v.frequence;
  for (const Tick& t : secondTicks(startMs, endMs, r.width(), fm.horizontalAdvance("00.000") + 16)) {
    const int x = r.left() + static_cast<int>(t.pos);
    p.drawLine(x, r.bottom() + 1, x, r.bottom() + 4);
    const QString label = QString::fromStdString(t.label);
    const int w = fm.horizontalAdvance(label);
    p.drawText(std::clamp(x - w / 2, r.left(), std::max(r.left(), width() - w - 1)), r.bottom() + 4 + fm.ascent(), label);
  }
  p.drawText(QRect(0, r.bottom() + 4, kMargin - 6, fm.height()), Qt::AlignRight, "t (s)");

  p.save();
  p.translate(r.topLeft());
  p.setClipRect(0, 0, r.width(), r.height());
  const TrackScale identity = [](double x) { return x; };
  const bool lines = w_.tracks_.displayMode == kLinesMode;
  for (int g = 0; g < kKlattGroups; ++g) {
    const int column = klattScaleColumn(w_.tracks_.scale, g);
    if (column < 0) continue;
    for (const auto& piece : w_.tracks_.groups[static_cast<std::size_t>(g)]) {
      TrackPicture picture;
      if (!piece->aff(column, identity, v, lines, picture)) continue;
      p.setPen(QPen(groupColour(g), piece->selected ? 3 : 1));
      for (const auto& [a, b] : picture.lines) p.drawLine(a.x, a.y, b.x, b.y);
      const int half = piece->selected ? 3 : 2;
      for (const PixelPoint& m : picture.markers)
        p.fillRect(m.x - half, m.y - half, 2 * half + 1, 2 * half + 1, groupColour(g));
    }
  }
  w_.paintIntermediate(p, v);
  // The curve being drawn.
  const auto& drawn = w_.tracks_.working.drawPoints;
  if (drawn.size() > 1 && drawGroup_ >= 0) {
    p.setPen(QPen(groupColour(drawGroup_), w_.tracks_.working.penWidth));
    for (std::size_t i = 1; i < drawn.size(); ++i) {
      auto at = [&](const Point2P& q) {
        return QPoint(xOfSample(v, static_cast<double>(msToSamples(q.date, v.frequence))), yOfScaled(v, q.values[0]));
      };
      p.drawLine(at(drawn[i - 1]), at(drawn[i]));
    }
  }
  p.restore();
}

void FormantWindow::Canvas::paintSynthesis(QPainter& p) {
  const QRect r = synthRect();
  p.setPen(Qt::black);
  p.drawText(QRect(0, r.top(), kMargin - 2, 28), Qt::AlignRight | Qt::TextWordWrap, "synth.");
  const auto& synth = w_.synth_;
  if (!synth.empty() && w_.synthRate_ > 0) {
    const TrackView v = w_.trackView();
    const double k = w_.synthRate_ / v.frequence;
    QImage image(r.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    paintNarrowBand(image, synth, w_.synthRate_, std::llround(v.firstSample * k),
                    std::llround((v.lastSample - v.firstSample + 1) * k));
    p.drawImage(r.topLeft(), image);
  } else {
    p.drawText(r, Qt::AlignCenter, "No synthesis yet: FILE > Synthesize");
  }
  p.drawRect(r.adjusted(0, 0, -1, -1));
}

void FormantWindow::Canvas::deletePoint(const Hit& hit) {
  auto& list = w_.tracks_.groups[static_cast<std::size_t>(hit.group)];
  const auto it = std::find_if(list.begin(), list.end(), [&](const auto& q) { return q.get() == hit.piece; });
  if (it == list.end()) return;
  const int n = hit.piece->nbPoints;
  if (n <= 1) {
    list.erase(it);
  } else if (hit.index == 0) {
    hit.piece->removeFirstPoint();
  } else if (hit.index == n - 1) {
    hit.piece->removeLastPoint();
  } else {  // split: the points before and after become two pieces
    auto before = hit.piece->subPPKla(0, hit.index - 1);
    auto after = hit.piece->subPPKla(hit.index + 1, n - 1);
    list.erase(it);
    if (before) insertByStart(list, std::move(before));
    if (after) insertByStart(list, std::move(after));
  }
}

void FormantWindow::Canvas::mousePressEvent(QMouseEvent* e) {
  setFocus();
  const QPoint pos = e->position().toPoint();
  if (!trackRect().contains(pos)) return;
  const TrackView v = w_.trackView();
  const QPoint local = pos - trackRect().topLeft();
  const KlattGesture gesture = w_.gestureAt(pos, e->modifiers());
  if (e->button() == Qt::RightButton) {
    if (const Hit hit = pick(pos); hit.piece) {
      w_.recordEdit([&] { deletePoint(hit); });
      w_.changed();
    }
    return;
  }
  if (e->button() != Qt::LeftButton) return;
  if (gesture == KlattGesture::Draw) {
    drawGroup_ = w_.drawGroup();
    const double value = scaledAtY(v, local.y());
    Point2P at;
    at.date = static_cast<std::int32_t>(std::lround(msAtX(v, local.x())));
    at.values[0] = static_cast<float>(value);
    startDrawing(w_.tracks_.working, at, local.x(), 3);
    drawing_ = true;
    return;
  }
  const Hit hit = pick(pos);
  if (!hit.piece) {
    w_.tracks_.selectAll(false);
    update();
    return;
  }
  if (e->modifiers() & Qt::ControlModifier) {
    hit.piece->selected = !hit.piece->selected;
  } else {
    hit.piece->selected = true;
    dragging_ = hit;
    w_.beginEdit();
  }
  update();
}

void FormantWindow::Canvas::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  const TrackView v = w_.trackView();
  const QPoint local = pos - trackRect().topLeft();
  if (drawing_) {
    Point2P at;
    at.date = static_cast<std::int32_t>(std::lround(msAtX(v, local.x())));
    at.values[0] = static_cast<float>(scaledAtY(v, std::clamp(local.y(), 0, v.height - 1)));
    if (extendDrawing(w_.tracks_.working, at, local.x())) update();
    return;
  }
  if (dragging_.piece) {
    const KlattScale& s = klattScales()[static_cast<std::size_t>(w_.tracks_.scale)];
    const int column = klattScaleColumn(w_.tracks_.scale, dragging_.group);
    const double value = std::clamp(scaledAtY(v, local.y()), double(s.minimum), double(s.maximum));
    *dragging_.piece->py(dragging_.index, column) = static_cast<float>(std::round(value));
    w_.statusBar()->showMessage(QString("%1 at %2 ms: %3 %4")
                                    .arg(groupName(dragging_.group))
                                    .arg(dragging_.piece->date(dragging_.index))
                                    .arg(std::round(value))
                                    .arg(text(s.axisLabel)));
    update();
    return;
  }
  QString status;
  w_.gestureAt(pos, e->modifiers(), &status);
  w_.statusBar()->showMessage(status);
}

void FormantWindow::Canvas::mouseReleaseEvent(QMouseEvent* e) {
  (void)e;
  if (drawing_) {
    drawing_ = false;
    const bool kept = endDrawing(w_.tracks_.working);
    const int group = drawGroup_;
    drawGroup_ = -1;
    bool committed = true;
    if (kept) w_.recordEdit([&] { committed = w_.tracks_.commitWorking(group); });
    if (kept && !committed)
      message(("The drawn curve cannot go to " + groupName(group) +
               ": that group is not shown on this scale (choose the scale or the group).").toStdString());
    w_.tracks_.working.points.clear();
    w_.changed();
    return;
  }
  if (dragging_.piece) {
    dragging_ = {};
    w_.endEdit();
    w_.changed();
  }
}

void FormantWindow::Canvas::keyPressEvent(QKeyEvent* e) {
  double delta = 0;
  switch (e->key()) {
    case Qt::Key_Up: delta = 1; break;
    case Qt::Key_Down: delta = -1; break;
    case Qt::Key_PageUp: delta = 10; break;
    case Qt::Key_PageDown: delta = -10; break;
    default: QWidget::keyPressEvent(e); return;
  }
  w_.recordEdit([&] { w_.tracks_.translateSelected(delta); });
  w_.changed();
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
