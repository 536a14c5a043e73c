// Vertical value scale over an edge of the spectrogram.
#include "shell/value_scale.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

#include "shell/scales.h"

namespace ardv::shell {

namespace {
constexpr int kScaleWidth = 46;
}

ValueScale::ValueScale(QWidget* view, Side side, QString caption, QColor colour,
                       std::function<std::pair<double, double>()> range)
    : QWidget(view), side_(side), caption_(std::move(caption)), colour_(colour), range_(std::move(range)) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  view->installEventFilter(this);
  follow();
  hide();
}

bool ValueScale::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parent() && event->type() == QEvent::Resize) follow();
  return QWidget::eventFilter(watched, event);
}

void ValueScale::follow() {
  const QWidget* view = parentWidget();
  const int w = std::min(kScaleWidth, view->width());
  setGeometry(side_ == Side::Left ? 0 : view->width() - w, 0, w, view->height());
}

void ValueScale::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // A light band so that the values stay readable over a dark spectrogram.
  p.fillRect(rect(), QColor(255, 255, 255, 190));
  p.setPen(colour_);
  const auto [lo, hi] = range_();
  const QFontMetrics fm(font());
  const bool left = side_ == Side::Left;
  const int edge = left ? 0 : width() - 1;
  p.drawLine(edge, 0, edge, height() - 1);
  for (const Tick& t : valueTicks(lo, hi, height(), 2 * fm.height())) {
    const int y = static_cast<int>(t.pos);
    p.drawLine(left ? 0 : width() - 5, y, left ? 4 : width() - 1, y);
    const int baseline = std::clamp(y + fm.ascent() / 2, fm.ascent(), height() - 1);
    const QRect box = left ? QRect(7, baseline - fm.ascent(), width() - 7, fm.height())
                           : QRect(0, baseline - fm.ascent(), width() - 7, fm.height());
    p.drawText(box, left ? Qt::AlignLeft : Qt::AlignRight, QString::fromStdString(t.label));
  }
  p.save();
  p.translate(left ? width() - fm.height() / 2 - 1 : fm.height() / 2 + 1, height() / 2);
  p.rotate(-90);
  p.drawText(QRect(-50, -fm.height() / 2, 100, fm.height()), Qt::AlignCenter, caption_);
  p.restore();
}

}  // namespace ardv::shell
