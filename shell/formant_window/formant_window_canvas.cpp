// The formant window's canvas: painting and mouse gestures.
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

}  // namespace ardv::shell
