// Overview strip of the whole signal.
#include "shell/panes/overview_strip.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "editing/edit_context.h"
#include "shell/logic/geometry.h"
#include "shell/logic/waveform.h"
#include "signal/program.h"
#include "signal/signal_envelope.h"

namespace ardv::shell {

OverviewStrip::OverviewStrip(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::PointingHandCursor);
  setToolTip("The whole file: click or drag to move the view there");
}

std::int32_t OverviewStrip::sampleAt(int x) const {
  const auto& prog = program();
  if (!prog.fileLoaded || prog.ct.tf <= 0) return -1;
  return TimeAxis(0, prog.ct.tf - 1, width()).sampleAt(x);
}

void OverviewStrip::updateStrip() {
  const auto& prog = program();
  const qreal ratio = devicePixelRatioF();
  const int w = qRound(width() * ratio), h = qRound(height() * ratio);
  Key key{prog.en_cours.nom, prog.ct.tf, prog.ct.d_e, static_cast<std::int32_t>(prog.memory.size()), w, h,
          editContext().editSerial};
  if (!prog.fileLoaded) key = Key{};
  if (key == key_ && !strip_.isNull()) return;
  key_ = key;
  QImage image(std::max(1, w), std::max(1, h), QImage::Format_RGB32);
  image.fill(QColor(236, 236, 236));
  if (prog.fileLoaded && prog.ct.tf > 0 && w > 0 && h > 2) {
    const MemorySamples memory{prog.memory.data(), static_cast<std::int32_t>(prog.memory.size()), prog.ct.d_e};
    const TimeAxis axis(0, prog.ct.tf - 1, w);
    const SignalEnvelope& envelope = currentEnvelope();
    const auto columns = waveformColumns(axis, memory, envelope);
    // Scaled to the loudest block, so that a quiet file still shows its
    // shape; the extremes light, the level (RMS) of each column dark, so
    // that a long file's loud and quiet stretches stand apart.
    const int peak = columnsPeak(columns);
    QPainter p(&image);
    for (int x = 0; x < static_cast<int>(columns.size()); ++x) {
      const ColumnExtent& c = columns[static_cast<std::size_t>(x)];
      if (!c.valid) continue;
      p.setPen(QColor(150, 150, 175));
      p.drawLine(x, sampleRow(c.max, h, peak), x, sampleRow(c.min, h, peak));
      const auto level = static_cast<int>(envelope.rms(axis.sampleAt(x), std::max(axis.sampleAt(x), axis.sampleAt(x + 1) - 1)));
      p.setPen(QColor(60, 60, 90));
      p.drawLine(x, sampleRow(level, h, peak), x, sampleRow(-level, h, peak));
    }
  }
  image.setDevicePixelRatio(ratio);
  strip_ = std::move(image);
}

void OverviewStrip::paintEvent(QPaintEvent*) {
  updateStrip();
  QPainter p(this);
  p.drawImage(0, 0, strip_);
  const auto& prog = program();
  if (prog.fileLoaded && prog.ct.tf > 0) {
    const TimeAxis axis(0, prog.ct.tf - 1, width());
    const double x0 = axis.xOf(prog.ct.d_a);
    const double x1 = std::max(x0 + 2.0, axis.xOf(std::min(prog.ct.f_a, prog.ct.tf - 1) + 1.0));
    const QRectF shown(x0, 0.5, std::min<double>(x1, width()) - x0 - 0.5, height() - 1.0);
    p.fillRect(shown, QColor(40, 110, 255, 60));
    p.setPen(QPen(QColor(20, 80, 230), 1));
    p.drawRect(shown);
  }
  p.setPen(palette().mid().color());
  p.drawLine(0, 0, width() - 1, 0);
}

void OverviewStrip::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || sampleAt(0) < 0) return;
  dragging_ = true;
  emit moveRequested(sampleAt(static_cast<int>(event->position().x())));
}

void OverviewStrip::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) emit moveRequested(sampleAt(static_cast<int>(event->position().x())));
}

void OverviewStrip::mouseReleaseEvent(QMouseEvent*) { dragging_ = false; }

}  // namespace ardv::shell
