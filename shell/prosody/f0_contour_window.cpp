// The F0 contour window.
#include "shell/prosody/f0_contour_window.h"

#include "shell/prosody/f0_contour_model.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QInputDialog>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QStatusBar>
#include <algorithm>
#include <cmath>

#include "editing/edit_save.h"
#include "platform/dialogs.h"
#include "platform/report.h"
#include "prosody/pitch_file.h"
#include "prosody/pitch_types.h"
#include "prosody/pitch_types.h"
#include "prosody/psola.h"
#include "shell/logic/readouts.h"
#include "shell/logic/scales.h"
#include "shell/main_window/main_window.h"
#include "shell/main_window/playback.h"
#include "shell/panes/spectro_plane.h"
#include "shell/prosody/f0_axis.h"
#include "shell/prosody/modification_commands.h"
#include "shell/prosody/modification_results.h"
#include "shell/shared/busy_cursor.h"
#include "shell/shared/file_chooser.h"
#include "shell/shared/window_setup.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

constexpr int kTopMargin = 8, kRightMargin = 12;
const QColor kSelectionTint(60, 140, 255, 50);

}  // namespace

ContourView::ContourView(F0Contour& contour, QWidget* parent) : QWidget(parent), contour_(contour) {
  setMinimumSize(320, 180);
  setMouseTracking(true);
}

void ContourView::fitAxis() {
  std::vector<int> values;
  for (const auto* track : {&contour_.reference, &contour_.modifiable})
    for (const Point2P& p : track->tab().points)
      if (p.values[0] > 0) values.push_back(static_cast<int>(std::lround(p.values[0])));
  const SpeakerF0Params speaker = speakerF0Params(speakerType());
  axis_ = values.empty() ? f0SpeechAxis(values, speaker.f0Min, speaker.f0Max) : f0SpeechAxis(values, 1, 1000);
  update();
}

void ContourView::setSelection(std::optional<std::pair<double, double>> msRange) {
  if (msRange && msRange->first > msRange->second) std::swap(msRange->first, msRange->second);
  selection_ = msRange;
  update();
}

QRect ContourView::plotRect() const {
  const QFontMetrics fm(font());
  const int left = fm.horizontalAdvance("1000") + fm.height() + 14;
  const int bottom = 2 * fm.height() + 6;
  return QRect(left, kTopMargin, std::max(1, width() - left - kRightMargin), std::max(1, height() - kTopMargin - bottom));
}

QPointF ContourView::pointAt(double sample, double hz) const {
  const auto& ct = program().ct;
  const QRect r = plotRect();
  const TimeAxis time(ct.d_a, ct.f_a, r.width());
  const auto [lo, hi] = axis_;
  return {r.left() + time.xOf(sample), r.top() + r.height() - (hz - lo) / std::max(hi - lo, 1.0) * r.height()};
}

double ContourView::sampleAtX(double x) const {
  const auto& ct = program().ct;
  const QRect r = plotRect();
  return ct.d_a + (x - r.left()) / r.width() * (double(ct.f_a) - ct.d_a + 1);
}

double ContourView::hzAtY(double y) const {
  const QRect r = plotRect();
  const auto [lo, hi] = axis_;
  return lo + (r.top() + r.height() - y) / r.height() * (hi - lo);
}

double ContourView::msAt(QPointF p) const { return sampleAtX(p.x()) * 1000.0 / contour_.fs; }

void ContourView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  const QRect r = plotRect();
  p.fillRect(r, Qt::white);
  const QFontMetrics fm(font());
  const auto& prog = program();
  const auto [lo, hi] = axis_;
  // F0 ticks on the left, light lines across.
  for (const Tick& t : valueTicks(lo, hi, r.height(), fm.height() + 6)) {
    const double y = r.top() + t.pos;
    p.setPen(QColor(225, 225, 225));
    p.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    p.setPen(palette().windowText().color());
    p.drawLine(QPointF(r.left() - 4, y), QPointF(r.left(), y));
    p.drawText(QRectF(0, y - fm.height() / 2.0, r.left() - 6, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
               QString::fromStdString(t.label));
  }
  p.save();
  p.translate(2, r.center().y());
  p.rotate(-90);
  p.drawText(QRect(-r.height() / 2, 0, r.height(), fm.height()), Qt::AlignHCenter, "F0 (Hz)");
  p.restore();
  // Time ticks in seconds under the plot.
  if (prog.fileLoaded && prog.en_cours.frequence > 0) {
    const TimeAxis time(prog.ct.d_a, prog.ct.f_a, r.width());
    const double start = time.msAt(0, prog.en_cours.frequence), end = time.msAt(r.width(), prog.en_cours.frequence);
    for (const Tick& t : secondTicks(start, end, r.width(), fm.horizontalAdvance("00.000") + 16)) {
      const int x = r.left() + static_cast<int>(t.pos);
      p.drawLine(x, r.bottom() + 1, x, r.bottom() + 5);
      const QString label = QString::fromStdString(t.label);
      const int w = fm.horizontalAdvance(label);
      p.drawText(std::clamp(x - w / 2, r.left(), std::max(r.left(), width() - w - 1)), r.bottom() + 6 + fm.ascent(), label);
    }
    p.drawText(QRect(r.left(), r.bottom() + 6 + fm.height(), r.width(), fm.height()), Qt::AlignHCenter, "Time (s)");
  }
  p.setClipRect(r);
  const auto& ct = prog.ct;
  auto band = [&](double firstMs, double lastMs) {
    const double a = pointAt(msToSamples(firstMs, contour_.fs), 0).x(), b = pointAt(msToSamples(lastMs, contour_.fs), 0).x();
    const double x0 = std::min(a, b), x1 = std::max(a, b);
    p.fillRect(QRectF(x0, r.top(), std::max(1.0, x1 - x0), r.height()), kSelectionTint);
  };
  if (selection_ && contour_.fs > 0) band(selection_->first, selection_->second);
  else if (prog.fileLoaded && ct.d_sel >= 0 && ct.f_sel > ct.d_sel && contour_.fs > 0)
    band(samplesToMs(ct.d_sel, contour_.fs), samplesToMs(ct.f_sel, contour_.fs));
  auto draw = [&](const PolyPointsF0& track, QColor pen) {
    p.setPen(QPen(pen, 1));
    QPolygonF line;
    for (const Point2P& pt : track.tab().points) {
      if (pt.values[0] <= 0) {
        if (line.size() > 1) p.drawPolyline(line);
        line.clear();
        continue;
      }
      const QPointF q = pointAt(pt.sampleDate, pt.values[0]);
      line << q;
      p.fillRect(QRectF(q.x() - 1.5, q.y() - 1.5, 3, 3), pen);
    }
    if (line.size() > 1) p.drawPolyline(line);
  };
  if (editing_) draw(contour_.reference, QColor(255, 0, 0));
  draw(contour_.modifiable, QColor(0, 0, 255));
  p.setClipping(false);
  p.setPen(palette().windowText().color());
  p.drawRect(r.adjusted(0, 0, -1, -1));
}

void ContourView::mousePressEvent(QMouseEvent* event) {
  if (!editing_ || contour_.fs <= 0 || event->button() != Qt::LeftButton) return;
  const QPointF at = event->position();
  const double ms = msAt(at), hz = hzAtY(at.y());
  if (event->modifiers() & Qt::ShiftModifier) {
    selecting_ = true;
    setSelection(std::pair(ms, ms));
    return;
  }
  const QRect r = plotRect();
  const auto& ct = program().ct;
  const double msPerPx = (double(ct.f_a) - ct.d_a + 1) * 1000.0 / contour_.fs / r.width();
  const double hzPerPx = (axis_.second - axis_.first) / r.height();
  dragged_ = pickPoint(contour_, ms, hz, hzPerPx / msPerPx, 6 * msPerPx);
  // A point is under the pointer within 6 pixels; further off, the drag draws.
  if (dragged_ >= 0) {
    const Point2P& pt = contour_.modifiable.tab().points[static_cast<std::size_t>(dragged_)];
    if (std::fabs(pointAt(pt.sampleDate, pt.values[0]).y() - at.y()) > 6) dragged_ = -1;
  }
  if (editStarts) editStarts();
  if (dragged_ < 0) {
    drawing_ = true;
    last_ = QPointF(ms, hz);
    drawStroke(contour_, ms, hz, ms, hz);
    update();
  }
}

void ContourView::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  if (pointerMoved) pointerMoved(sampleAtX(at.x()), hzAtY(at.y()));
  if (selecting_) {
    selection_ = std::pair(selection_->first, msAt(at));  // the press end stays first until the release
    update();
  } else if (dragged_ >= 0) {
    movePoint(contour_, dragged_, hzAtY(at.y()));
    update();
  } else if (drawing_) {
    const QPointF now(msAt(at), hzAtY(at.y()));
    drawStroke(contour_, last_.x(), last_.y(), now.x(), now.y());
    last_ = now;
    update();
  }
}

void ContourView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  mouseMoveEvent(event);
  if (selecting_) {
    selecting_ = false;
    setSelection(selection_);  // ordered
    return;
  }
  if ((dragged_ >= 0 || drawing_) && editEnds) editEnds();
  dragged_ = -1;
  drawing_ = false;
}

void ContourView::leaveEvent(QEvent*) {
  if (pointerMoved) pointerMoved(-1, 0);
}

F0ContourWindow::~F0ContourWindow() = default;

F0ContourWindow::F0ContourWindow(MainWindow& main)
    : QMainWindow(&main), main_(main), contour_(std::make_unique<F0Contour>()), view_(new ContourView(*contour_, this)) {
  setWindowTitle("F0 contour modifications");
  setAttribute(Qt::WA_DeleteOnClose);
  setCentralWidget(view_);
  QMenu* menu = menuBar()->addMenu("F0 contour");
  menu->addAction("&From the current signal", this, [this] { fromCurrentSignal(); });
  menu->addAction("&From a pitch file", this, [this] {
    if (!settleModifications()) return;
    const QString name = chooseFile(this, FileQuestion::Open, "From a pitch file");
    if (!name.isEmpty()) fromPitchFile(name.toStdString());
  });
  menu->addAction("&To see it", this, [this] { toSee(); });
  menu->addAction("&To modify it", this, [this] { toModify(); });
  menu->addAction("&Save contour", this, [this] {
    const QString name = chooseFile(this, FileQuestion::Save, "Save contour");
    if (!name.isEmpty()) save(name.toStdString());
  });
  menu->addAction("&Resynthetise", this, [this] { resynthesise(); });
  selectionOnly_ = menu->addAction("Resynthetise only the selection (when there is one)");
  selectionOnly_->setCheckable(true);
  selectionOnly_->setChecked(true);
  menu->addAction("&Play", this, [this] {
    const auto& prog = program();
    if (prog.fileLoaded) main_.player().playFile(prog.en_cours.nom, true);
  });
  menu->addAction("Mouse Help", this, [this] { showModificationHelp(main_, "mouseF0"); });
  QMenu* edit = menuBar()->addMenu("&Edit");
  undoAction_ = edit->addAction("&Undo", this, [this] { undo(); });
  redoAction_ = edit->addAction("&Redo", this, [this] { redo(); });
  undoAction_->setShortcut(QKeySequence("Ctrl+Z"));
  redoAction_->setShortcut(QKeySequence("Ctrl+Y"));
  undoAction_->setEnabled(false);
  redoAction_->setEnabled(false);
  edit->addSeparator();
  const struct { const char* text; const char* key; double semitones; } shifts[] = {
      {"Stretch &up a semitone", "Up", 1},      {"Stretch &down a semitone", "Down", -1},
      {"Stretch up an &octave", "PgUp", 12},    {"Stretch down an o&ctave", "PgDown", -12}};
  for (const auto& s : shifts)
    edit->addAction(s.text, this, [this, n = s.semitones] { shiftStretch(n); })->setShortcut(QKeySequence(s.key));
  edit->addAction("Stretch &by semitones...", this, [this] {
    bool ok = false;
    const double n = QInputDialog::getDouble(this, "Shift the stretch", "Semitones (negative: down)", 2, -48, 48, 2, &ok);
    if (ok) shiftStretch(n);
  });
  spreadMnemonics(menuBar());
  view_->editStarts = [this] { beginEdit(); };
  view_->editEnds = [this] { endEdit(); };
  view_->pointerMoved = [this](double sample, double hz) {
    const auto& prog = program();
    PointerReadout r;
    r.sample = sample < 0 ? -1 : static_cast<std::int32_t>(sample);
    r.tf = prog.ct.tf;
    r.frequence = prog.fileLoaded ? prog.en_cours.frequence : 0;
    r.hz = hz;
    // The modifiable contour's value at the nearest point within 20 ms.
    const double ms = sample * 1000.0 / std::max(contour_->fs, 1.0);
    double best = 20.5;
    for (const Point2P& p : contour_->modifiable.tab().points)
      if (std::fabs(p.date - ms) < best) best = std::fabs(p.date - ms), r.f0Hz = static_cast<int>(p.values[0]);
    statusBar()->showMessage(QString::fromStdString(pointerText(r)));
  };
  connect(&main_, &MainWindow::selectionChanged, view_, qOverload<>(&QWidget::update));
  statusBar()->showMessage("To modify it: drag a point, drag elsewhere to draw, Shift+drag selects a stretch "
                           "(Up/Down shift it a semitone)");
  fitOnScreen(this, QSize(960, 520));
}

void F0ContourWindow::beginEdit() { before_ = contour_->modifiable.tab().points; }

void F0ContourWindow::endEdit() {
  const auto& now = contour_->modifiable.tab().points;
  if (std::equal(now.begin(), now.end(), before_.begin(), before_.end(),
                 [](const Point2P& a, const Point2P& b) { return a.date == b.date && a.values == b.values; }))
    return;
  undo_.push_back(std::move(before_));
  redo_.clear();
  modified_ = true;
  updateUndo();
  view_->fitAxis();
}

std::optional<std::pair<double, double>> F0ContourWindow::stretch() const {
  if (const auto own = view_->selection(); own && own->second > own->first) return own;
  const auto& prog = program();
  const auto& ct = prog.ct;
  if (prog.fileLoaded && ct.d_sel >= 0 && ct.f_sel > ct.d_sel && prog.en_cours.frequence > 0)
    return std::pair(samplesToMs(ct.d_sel, prog.en_cours.frequence), samplesToMs(ct.f_sel, prog.en_cours.frequence));
  return std::nullopt;
}

bool F0ContourWindow::shiftStretch(double semitones) {
  const auto range = stretch();
  if (!range || contour_->empty()) {
    statusBar()->showMessage("Select a stretch first: Shift+drag over the contour, or a selection in the main window");
    return false;
  }
  beginEdit();
  const int changed = ardv::shiftStretch(*contour_, range->first, range->second, semitones);
  endEdit();
  view_->update();
  statusBar()->showMessage(QString("%1 points shifted by %2 semitones").arg(changed).arg(semitones));
  return true;
}

void F0ContourWindow::updateUndo() {
  undoAction_->setEnabled(!undo_.empty());
  redoAction_->setEnabled(!redo_.empty());
}

void F0ContourWindow::step(std::vector<std::vector<Point2P>>& from, std::vector<std::vector<Point2P>>& to) {
  auto& points = contour_->modifiable.tab().points;
  to.push_back(points);
  points = std::move(from.back());
  from.pop_back();
  contour_->modifiable.sync(true);
  modified_ = true;
  updateUndo();
  view_->fitAxis();
}

bool F0ContourWindow::undo() {
  if (undo_.empty()) return false;
  step(undo_, redo_);
  return true;
}

bool F0ContourWindow::redo() {
  if (redo_.empty()) return false;
  step(redo_, undo_);
  return true;
}

bool F0ContourWindow::settleModifications() {
  if (!modified_ || contour_->empty()) return true;
  switch (dialogs().askSaveModifications("F0 contour (" + contour_->signal + ")")) {
    case SaveAnswer::Save: {
      const QString name = chooseFile(this, FileQuestion::Save, "Save contour");
      return !name.isEmpty() && save(name.toStdString());
    }
    case SaveAnswer::DontSave:
      return true;
    default:
      return false;
  }
}

void F0ContourWindow::closeEvent(QCloseEvent* event) {
  if (settleModifications()) event->accept();
  else event->ignore();
}

bool F0ContourWindow::fromCurrentSignal() {
  const auto& prog = program();
  if (!prog.fileLoaded || !settleModifications()) return false;
  // The pitch file is computed from the file: its unsaved edits first.
  if (askSaveModifications() == SaveOutcome::Abandon) return false;
  const std::filesystem::path out = prog.dirs.temp / "currenF0.pit";
  {
    BusyCursor busy;
    if (!pitchFileFromSignal(prog.en_cours, out, speakerF0Params(speakerType()), PitchOptions{})) return false;
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(out, ec)) {
    message(text(6930));
    return false;
  }
  return fromPitchFile(out);
}

bool F0ContourWindow::fromPitchFile(const std::filesystem::path& path) {
  const auto& prog = program();
  if (!importContour(path, prog.en_cours.nom, prog.en_cours.frequence, *contour_)) return false;
  undo_.clear();
  redo_.clear();
  modified_ = false;
  updateUndo();
  view_->setEditing(false);
  view_->setSelection(std::nullopt);
  view_->fitAxis();
  return true;
}

// Apart from the energy curve's blue.
const QColor kContourPen(255, 105, 180);

bool F0ContourWindow::toSee() {
  if (!contourBelongsTo(*contour_, program().en_cours.nom)) return false;
  std::vector<std::pair<std::int64_t, int>> points;
  for (const Point2P& p : contour_->modifiable.tab().points) points.emplace_back(p.sampleDate, static_cast<int>(p.values[0]));
  std::vector<int> values;
  for (const auto& point : points) values.push_back(point.second);
  noteShownF0(values);
  main_.spectroPlane()->view()->addDecoration([points](QPainter& p, const TimeAxis& axis, const FrequencyAxis& f) {
    for (const auto& [sample, hz] : points) {
      const double u = f0AxisU(hz, f.fmax());
      if (hz <= 0 || u < 0 || u > FrequencyAxis::kTop) continue;
      const double x = axis.xOf(static_cast<double>(sample));
      p.fillRect(QRectF(x - 1, f.rowOfU(u) - 1, 3, 3), kContourPen);
    }
  }, "F0 contour", kContourPen);
  main_.spectroPlane()->view()->update();
  view_->setEditing(false);
  return true;
}

bool F0ContourWindow::toModify() {
  if (!contourBelongsTo(*contour_, program().en_cours.nom)) return false;
  view_->setEditing(true);
  return true;
}

bool F0ContourWindow::save(const std::filesystem::path& path) {
  if (!saveContour(*contour_, path)) return false;
  modified_ = false;
  return true;
}

bool F0ContourWindow::resynthesise() {
  const auto& prog = program();
  // On a result made from the contour's signal, that signal is opened again.
  if (!contour_->empty() && prog.fileLoaded && prog.en_cours.nom != contour_->signal &&
      madeFrom(prog.en_cours.nom, contour_->signal) && !main_.openPath(contour_->signal))
    return false;
  if (!contourBelongsTo(*contour_, prog.en_cours.nom)) return false;
  const auto resynthesis = [&](const SampleReader& read, std::int64_t from, std::int64_t n, const SampleSink& sink) {
    const infoFile& info = prog.en_cours;  // as saved, when the question saved it
    std::vector<int> frames = contourFrames(contour_->points(), info.frequence, info.sampleCount());
    // A stretch's frames start at its first sample.
    PitchGeometry geo;
    if (from > 0 && pitchGeometry(info.frequence, 0, geo) && geo.S > 0)
      frames.erase(frames.begin(), frames.begin() + std::min<std::int64_t>(std::llround(static_cast<double>(from) / geo.S),
                                                                         static_cast<std::int64_t>(frames.size())));
    ModifyOptions o;
    o.alpha = 1.0, o.beta = 1.0, o.speakerType = speakerType(), o.contour = &frames;
    return CMPitchScaleMod(read, n, info.frequence, o, sink);
  };
  return runModification(main_, "resynth", 1.0, selectionOnly_->isChecked(), resynthesis);
}

}  // namespace ardv::shell
