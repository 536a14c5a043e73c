// Vertical value scale beside the spectrogram.
#include "shell/panes/value_scale.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "shell/logic/scales.h"

namespace ardv::shell {

ValueScale::ValueScale(QWidget* parent, QString caption, QColor colour,
                       std::function<std::pair<double, double>()> range)
    : QWidget(parent), caption_(std::move(caption)), colour_(colour), range_(std::move(range)) {
  hide();
}

void ValueScale::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit clicked();
}

void ValueScale::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  p.setPen(colour_);
  const auto [lo, hi] = range_();
  const QFontMetrics fm(font());
  p.drawLine(0, 0, 0, height() - 1);
  for (const Tick& t : valueTicks(lo, hi, height(), 2 * fm.height())) {
    const int y = static_cast<int>(t.pos);
    p.drawLine(0, y, 4, y);
    const int baseline = std::clamp(y + fm.ascent() / 2, fm.ascent(), height() - 1);
    p.drawText(QRect(7, baseline - fm.ascent(), width() - 7, fm.height()), Qt::AlignLeft,
               QString::fromStdString(t.label));
  }
  p.save();
  p.translate(width() - fm.height() / 2 - 1, height() / 2);
  p.rotate(-90);
  p.drawText(QRect(-50, -fm.height() / 2, 100, fm.height()), Qt::AlignCenter, caption_);
  p.restore();
}

}  // namespace ardv::shell
