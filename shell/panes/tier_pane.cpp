// Read-only tiers under the word pane.
#include "shell/panes/tier_pane.h"

#include <QPainter>
#include <algorithm>

#include "shell/logic/geometry.h"
#include "signal/program.h"

namespace ardv::shell {

TierPane::TierPane(QWidget* parent) : QWidget(parent) {}

void TierPane::setTiers(std::vector<ShownTier> tiers) {
  tiers_ = std::move(tiers);
  update();
}

void TierPane::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  if (tiers_.empty()) return;
  const int rowHeight = height() / static_cast<int>(tiers_.size());
  const int inner = width() - kScaleMargin;
  const auto& prog = program();
  const TimeAxis axis(prog.ct.d_a, prog.ct.f_a, inner);
  const QFontMetrics fm(font());
  QFont small = font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  for (std::size_t r = 0; r < tiers_.size(); ++r) {
    const ShownTier& tier = tiers_[r];
    const int top = static_cast<int>(r) * rowHeight;
    p.setFont(small);
    p.setPen(palette().windowText().color());
    p.drawText(QRect(2, top, kScaleMargin - 6, rowHeight), Qt::AlignRight | Qt::AlignVCenter,
               QFontMetrics(small).elidedText(QString::fromStdString(tier.name), Qt::ElideRight, kScaleMargin - 8));
    p.setFont(font());
    const QRect band(kScaleMargin, top, inner, rowHeight);
    p.fillRect(band, r % 2 ? QColor(246, 246, 240) : QColor(252, 252, 246));
    p.setPen(QColor(200, 200, 190));
    p.drawLine(band.left(), band.bottom(), band.right(), band.bottom());
    if (!prog.fileLoaded || inner <= 0) continue;
    p.save();
    p.setClipRect(band);
    // Items ending before the view are passed over by a search (they come in time order).
    auto it = std::lower_bound(tier.items.begin(), tier.items.end(), static_cast<std::int64_t>(axis.first()),
                               [](const ShownTier::Item& item, std::int64_t s) { return item.end < s; });
    for (; it != tier.items.end() && it->start <= axis.last(); ++it) {
      const double x0 = kScaleMargin + axis.xOf(static_cast<double>(it->start));
      const QString text = QString::fromStdString(it->text);
      p.setPen(QColor(120, 80, 20));
      if (tier.points) {
        // A tick at each edge, the text centred on the point between them.
        p.drawLine(QPointF(x0, top), QPointF(x0, top + 3));
        p.drawLine(QPointF(x0, top + rowHeight - 4), QPointF(x0, top + rowHeight - 1));
        p.setPen(palette().windowText().color());
        const double w = fm.horizontalAdvance(text) + 4;
        p.drawText(QRectF(x0 - w / 2, top, w, rowHeight), Qt::AlignCenter, text);
        continue;
      }
      const double x1 = kScaleMargin + axis.xOf(static_cast<double>(it->end));
      p.drawLine(QPointF(x0, top), QPointF(x0, top + rowHeight - 1));
      p.drawLine(QPointF(x1, top), QPointF(x1, top + rowHeight - 1));
      if (text.isEmpty()) continue;
      const double l = std::max<double>(x0, kScaleMargin), rr = std::min<double>(x1, width());
      p.setPen(palette().windowText().color());
      p.drawText(QRectF(l + 1, top, std::max(0.0, rr - l - 2), rowHeight), Qt::AlignCenter,
                 fm.elidedText(text, Qt::ElideRight, static_cast<int>(std::max(0.0, rr - l - 2))));
    }
    p.restore();
  }
}

}  // namespace ardv::shell
