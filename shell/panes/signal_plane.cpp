// Waveform and time scale.
#include "shell/panes/signal_plane.h"

#include <QPainter>

#include "shell/logic/scales.h"
#include "shell/logic/waveform.h"
#include "shell/panes/display_options.h"
#include "signal/program.h"
#include "signal/signal_envelope.h"

namespace ardv::shell {

void SignalView::render(QImage& image) {
  QPainter p(&image);
  // Work in device pixels: one stroke per pixel column of the bitmap.
  p.scale(1.0 / image.devicePixelRatio(), 1.0 / image.devicePixelRatio());
  const int h = image.height();
  p.setPen(QColor(200, 200, 200));
  p.drawLine(0, h / 2, image.width() - 1, h / 2);
  const auto& prog = program();
  if (!prog.fileLoaded) return;
  MemorySamples memory{prog.memory.data(), prog.memory.size(), prog.ct.d_e};
  const TimeAxis axis(prog.ct.d_a, prog.ct.f_a, image.width());
  // Past memory (a wide view) the columns come from the whole file's envelope.
  const bool wide = prog.ct.d_a < prog.ct.d_e || std::min(prog.ct.f_a, prog.ct.tf - 1) > prog.ct.f_e;
  const auto columns = wide ? waveformColumns(axis, memory, currentEnvelope()) : waveformColumns(axis, memory);
  fullScale_ = displayOptions().autoscaleWaveform ? columnsPeak(columns) : 32768;
  p.setPen(QColor(0, 0, 128));
  for (int x = 0; x < static_cast<int>(columns.size()); ++x) {
    const auto& c = columns[static_cast<std::size_t>(x)];
    if (!c.valid) continue;
    p.drawLine(x, sampleRow(c.max, h, fullScale_), x, sampleRow(c.min, h, fullScale_));
  }
  if (overlay_) overlay_(p, TimeAxis(prog.ct.d_a, prog.ct.f_a, image.width()), h);
}

void TimeScale::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  p.setPen(palette().windowText().color());
  p.drawLine(0, 0, width() - 1, 0);
  const auto& prog = program();
  if (!prog.fileLoaded || width() <= 0) return;
  const TimeAxis axis(prog.ct.d_a, prog.ct.f_a, width());
  const double start = axis.msAt(0, prog.en_cours.frequence);
  const double end = axis.msAt(width(), prog.en_cours.frequence);
  const QFontMetrics fm(font());
  const int spacing = fm.horizontalAdvance("00000.0 ms") + 8;
  for (const Tick& t : timeTicks(start, end, width(), spacing)) {
    const int x = static_cast<int>(t.pos);
    p.drawLine(x, 0, x, 4);
    const QString label = QString::fromStdString(t.label);
    const int w = fm.horizontalAdvance(label);
    const int lx = std::clamp(x - w / 2, 0, std::max(0, width() - w));
    p.drawText(lx, 5 + fm.ascent(), label);
  }
}

SignalPlane::SignalPlane(QWidget* parent) : QWidget(parent), view_(new SignalView(this)), scale_(new TimeScale(this)) {}

QString TimeScale::unit() const {
  const auto& prog = program();
  if (!prog.fileLoaded || width() <= 0) return "ms";
  const TimeAxis axis(prog.ct.d_a, prog.ct.f_a, width());
  const int spacing = QFontMetrics(font()).horizontalAdvance("00000.0 ms") + 8;
  return QString::fromLatin1(timeTicksUnit(axis.msAt(0, prog.en_cours.frequence),
                                           axis.msAt(width(), prog.en_cours.frequence), width(), spacing));
}

void SignalPlane::refresh() {
  view_->rebuild();
  scale_->update();
  update();
}

void SignalPlane::resizeEvent(QResizeEvent*) {
  const int scaleHeight = fontMetrics().height() + 6;
  const int w = std::max(0, width() - kScaleMargin);
  view_->setGeometry(kScaleMargin, 0, w, std::max(0, height() - scaleHeight));
  scale_->setGeometry(kScaleMargin, height() - scaleHeight, w, scaleHeight);
}

void SignalPlane::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(QRect(0, 0, kScaleMargin, height()), palette().window());
  const auto& prog = program();
  if (!prog.fileLoaded) return;
  const int h = view_->height();
  const QFontMetrics fm(font());
  p.setPen(palette().windowText().color());
  const int top = view_->fullScale();
  p.drawText(QRect(0, 0, kScaleMargin - 6, fm.height()), Qt::AlignRight, QString::number(std::min(top, 32767)));
  p.drawText(QRect(0, h / 2 - fm.height() / 2, kScaleMargin - 6, fm.height()), Qt::AlignRight, "0");
  p.drawText(QRect(0, h - fm.height(), kScaleMargin - 6, fm.height()), Qt::AlignRight, QString::number(-top));
  // The unit of the time scale, beside it.
  p.drawText(QRect(0, scale_->y(), kScaleMargin - 6, scale_->height()), Qt::AlignRight | Qt::AlignVCenter,
             "t (" + scale_->unit() + ")");
}

}  // namespace ardv::shell
