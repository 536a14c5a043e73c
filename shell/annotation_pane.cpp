// Boundaries and segment texts of one annotation list.
#include "shell/annotation_pane.h"

#include <QPainter>

#include "shell/geometry.h"
#include "signal/program.h"

namespace ardv::shell {

AnnotationPane::AnnotationPane(const notetiqs* list, QString name, QWidget* parent)
    : QWidget(parent), list_(list), name_(std::move(name)) {}

void AnnotationPane::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(250, 250, 240));
  p.setPen(QColor(160, 160, 160));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  const auto& prog = program();
  if (!list_ || list_->empty() || !prog.fileLoaded) {
    p.setPen(QColor(150, 150, 150));
    p.drawText(rect().adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, name_);
    return;
  }
  const TimeAxis axis(prog.ct.d_a, prog.ct.f_a, width());
  const auto& items = list_->items();
  p.setPen(palette().windowText().color());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const double x0 = axis.xOf(items[i].limite);
    const double x1 = i + 1 < items.size() ? axis.xOf(items[i + 1].limite) : x0;
    if (x0 >= 0 && x0 < width()) p.drawLine(int(x0), 0, int(x0), height());
    if (items[i].text.empty() || x1 <= 0 || x0 >= width()) continue;
    const QRectF box(std::max(0.0, x0) + 1, 0, std::min<double>(width(), x1) - std::max(0.0, x0) - 2, height());
    p.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(items[i].text));
  }
}

}  // namespace ardv::shell
