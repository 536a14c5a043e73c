// The F0 contour window.
#include "shell/f0_contour_window.h"

#include "shell/f0_contour_model.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "annotation/texts.h"
#include "platform/dialogs.h"
#include "platform/report.h"
#include "prosody/pitch_file.h"
#include "prosody/pitch_types.h"
#include "prosody/psola.h"
#include "shell/busy_cursor.h"
#include "shell/file_chooser.h"
#include "shell/f0_axis.h"
#include "shell/main_window.h"
#include "shell/modification_commands.h"
#include "shell/modification_results.h"
#include "shell/playback.h"
#include "shell/scales.h"
#include "shell/spectro_plane.h"
#include "signal/edit_save.h"
#include "signal/program.h"

namespace ardv::shell {
namespace {

constexpr int kMargin = 6;

}  // namespace

ContourView::ContourView(F0Contour& contour, QWidget* parent) : QWidget(parent), contour_(contour) {
  setMinimumSize(480, 220);
  setMouseTracking(false);
}

double ContourView::topHz() const {
  double top = 300;
  for (const auto* track : {&contour_.reference, &contour_.modifiable})
    for (const Point2P& p : track->tab().points) top = std::max<double>(top, p.values[0] * 1.2);
  return std::min(top, 1000.0);
}

QPointF ContourView::pointAt(double sample, double hz) const {
  const auto& ct = program().ct;
  const double span = std::max<double>(ct.f_a - ct.d_a, 1);
  const double w = width() - 2 * kMargin, h = height() - 2 * kMargin;
  return {kMargin + (sample - ct.d_a) / span * w, kMargin + h - hz / topHz() * h};
}

double ContourView::sampleAtX(double x) const {
  const auto& ct = program().ct;
  return ct.d_a + (x - kMargin) / std::max(width() - 2 * kMargin, 1) * std::max<double>(ct.f_a - ct.d_a, 1);
}

double ContourView::hzAtY(double y) const {
  const double h = std::max(height() - 2 * kMargin, 1);
  return (kMargin + h - y) / h * topHz();
}

void ContourView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  p.setPen(QColor(210, 210, 210));
  for (int hz = 100; hz < topHz(); hz += 100) {
    const double y = pointAt(0, hz).y();
    p.drawLine(QPointF(kMargin, y), QPointF(width() - kMargin, y));
    p.drawText(QPointF(kMargin + 2, y - 2), QString::number(hz) + " Hz");
  }
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
}

void ContourView::mousePressEvent(QMouseEvent* event) {
  if (!editing_ || contour_.fs <= 0) return;
  const double sample = sampleAtX(event->position().x());
  const double ms = sample * 1000.0 / contour_.fs;
  const auto& ct = program().ct;
  const double msPerPx = (ct.f_a - ct.d_a + 1) * 1000.0 / contour_.fs / std::max(width(), 1);
  const double hzPerPx = topHz() / std::max(height(), 1);
  dragged_ = pickPoint(contour_, ms, hzAtY(event->position().y()), hzPerPx / msPerPx, 6 * msPerPx);
  if (dragged_ >= 0 && editStarts) editStarts();
}

void ContourView::mouseMoveEvent(QMouseEvent* event) {
  if (dragged_ < 0) return;
  movePoint(contour_, dragged_, hzAtY(event->position().y()));
  update();
}

void ContourView::mouseReleaseEvent(QMouseEvent* event) {
  mouseMoveEvent(event);
  if (dragged_ >= 0 && editEnds) editEnds();
  dragged_ = -1;
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
  view_->editStarts = [this] { before_ = contour_->modifiable.tab().points; };
  view_->editEnds = [this] {
    const auto& now = contour_->modifiable.tab().points;
    if (std::equal(now.begin(), now.end(), before_.begin(), before_.end(),
                   [](const Point2P& a, const Point2P& b) { return a.date == b.date && a.values == b.values; }))
      return;
    undo_.push_back(std::move(before_));
    redo_.clear();
    modified_ = true;
    updateUndo();
  };
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
  view_->update();
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
  view_->update();
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
