// Bitmap, selection and drag handling shared by the two planes.
#include "shell/panes/plane_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "signal/program.h"

namespace ardv::shell {
namespace {

bool boundaryLines = true;
bool selectionTint = false;

// Light lines at the boundaries of `list` inside the shown stretch.
void drawBoundaries(QPainter& painter, const notetiqs& list, const TimeAxis& axis, int height, const QPen& pen) {
  if (list.empty()) return;
  painter.setPen(pen);
  const auto& items = list.items();
  for (std::size_t i = static_cast<std::size_t>(std::max(0, list.findLE(axis.first()))); i < items.size(); ++i) {
    if (items[i].limite > axis.last()) break;
    const int x = static_cast<int>(axis.xOf(items[i].limite));
    painter.drawLine(x, 0, x, height - 1);
  }
}

}  // namespace

void PlaneView::setBoundariesShown(bool shown) { boundaryLines = shown; }
bool PlaneView::boundariesShown() { return boundaryLines; }
void PlaneView::setSelectionTinted(bool tinted) { selectionTint = tinted; }
bool PlaneView::selectionTinted() { return selectionTint; }

PlaneView::PlaneView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

TimeAxis PlaneView::axis() const {
  const auto& ct = program().ct;
  return TimeAxis(ct.d_a, ct.f_a, width());
}

void PlaneView::rebuild() {
  if (width() <= 0 || height() <= 0) {
    bitmap_ = QImage();
    return;
  }
  // One bitmap pixel per device pixel, so that high-density screens draw sharp.
  const qreal ratio = devicePixelRatioF();
  QImage image(qRound(width() * ratio), qRound(height() * ratio), QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::white);
  render(image);
  bitmap_ = std::move(image);
  update();
}

void PlaneView::clearSelectionRecord() {
  dragging_ = false;
  haveColumns_ = false;
  update();
}

void PlaneView::setHighlight(std::int32_t first, std::int32_t last) {
  if (first == highlightFirst_ && last == highlightLast_) return;
  highlightFirst_ = first;
  highlightLast_ = last;
  update();
}

void PlaneView::beginDrag(int column) {
  dragging_ = true;
  haveColumns_ = true;
  startColumn_ = endColumn_ = column;
  repaint();
}

void PlaneView::extendDrag(int column) {
  if (!dragging_ || column == endColumn_) return;
  endColumn_ = column;
  update();
}

void PlaneView::endDrag(int column) {
  endColumn_ = column;
  dragging_ = false;
  if (startColumn_ > endColumn_) std::swap(startColumn_, endColumn_);
  update();
}

int PlaneView::columnOf(const QMouseEvent* event) const { return static_cast<int>(event->position().x()); }

void PlaneView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !program().fileLoaded) return;
  const int column = columnOf(event);
  beginDrag(column);
  if (partner_) partner_->beginDrag(column);
}

void PlaneView::mouseMoveEvent(QMouseEvent* event) {
  const int column = columnOf(event);
  if (program().fileLoaded) emit pointerAt(axis().sampleAt(column), static_cast<int>(event->position().y()));
  if (!dragging_) {
    if (program().fileLoaded) emit hovered(axis().sampleAt(column));
    return;
  }
  extendDrag(column);
  if (partner_) partner_->extendDrag(column);
}

void PlaneView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return;
  const int column = columnOf(event);
  endDrag(column);
  auto& prog = program();
  const Selection selection =
      selectionFromColumns(startColumn_, endColumn_, axis(), prog.ct.f_es, prog.en_cours.frequence);
  prog.ct.d_sel = selection.first;
  prog.ct.f_sel = selection.last;
  if (partner_) partner_->endDrag(column);
  emit selectionFinished(selection);
}

void PlaneView::resizeEvent(QResizeEvent*) { rebuild(); }

void PlaneView::leaveEvent(QEvent*) { emit pointerAt(-1, -1); }

void PlaneView::wheelEvent(QWheelEvent* event) {
  const QPoint degrees = event->angleDelta() / 8;
  const int turned = degrees.y() != 0 ? degrees.y() : degrees.x();
  if (turned == 0 || !program().fileLoaded) return;
  emit wheelTurned(turned / 15.0, event->modifiers() & Qt::ControlModifier, static_cast<int>(event->position().x()));
  event->accept();
}

void PlaneView::setPointerLine(std::int32_t sample) {
  if (sample == pointerLine_) return;
  pointerLine_ = sample;
  update();
}

void PlaneView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (bitmap_.isNull())
    painter.fillRect(rect(), Qt::white);
  else
    painter.drawImage(0, 0, bitmap_);
  if (highlightLast_ >= highlightFirst_ && program().fileLoaded) {
    const TimeAxis ax = axis();
    const double x0 = std::max(0.0, ax.xOf(highlightFirst_));
    const double x1 = std::min<double>(width(), ax.xOf(highlightLast_ + 1.0));
    if (x1 > x0) painter.fillRect(QRectF(x0, 0, x1 - x0, height()), QColor(255, 190, 0, 60));
  }
  if (boundaryLines && program().fileLoaded) {
    const TimeAxis ax = axis();
    drawBoundaries(painter, program().note, ax, height(), QPen(QColor(0, 150, 60, 110), 1, Qt::DashLine));
    drawBoundaries(painter, program().etiq, ax, height(), QPen(QColor(0, 90, 255, 120), 1));
  }
  // The selection: the columns of a drag, else the stored selection.
  int a = 0, b = -1;
  const auto& ct = program().ct;
  if (haveColumns_) {
    a = std::min(startColumn_, endColumn_);
    b = std::max(startColumn_, endColumn_);
  } else if (program().fileLoaded && ct.d_sel >= 0 && ct.f_sel >= ct.d_sel) {
    const TimeAxis ax = axis();
    a = static_cast<int>(ax.xOf(ct.d_sel));
    b = static_cast<int>(ax.xOf(ct.f_sel));
  }
  if (b >= a) {
    a = std::max(a, 0);
    b = std::min(b, width() - 1);
    if (b >= a) {
      if (selectionTint) {
        painter.fillRect(QRect(a, 0, b - a + 1, height()), QColor(60, 140, 255, 70));
      } else {
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillRect(QRect(a, 0, b - a + 1, height()), Qt::white);
      }
    }
  }
  if (pointerLine_ >= 0 && program().fileLoaded) {
    const int x = static_cast<int>(axis().xOf(pointerLine_));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(QPen(QColor(200, 0, 200), 1, Qt::DashLine));
    if (x >= 0 && x < width()) painter.drawLine(x, 0, x, height() - 1);
  }
  if (playCursor_ >= 0 && program().fileLoaded) {
    const int x = static_cast<int>(axis().xOf(playCursor_));
    if (x >= 0 && x < width()) {
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
      painter.setPen(QPen(Qt::red, 1));
      painter.drawLine(x, 0, x, height() - 1);
    }
  }
}

void PlaneView::setPlayCursor(std::int32_t sample) {
  if (sample == playCursor_) return;
  playCursor_ = sample;
  update();
}

}  // namespace ardv::shell
