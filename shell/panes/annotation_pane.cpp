// Boundaries and segment texts of one annotation list, and their editing with
// the mouse.
#include "shell/panes/annotation_pane.h"

#include <QMenu>
#include <QMessageBox>
#include <cstdlib>
#include <QMouseEvent>
#include <QPainter>

#include "labels/phonetic_description.h"
#include "labels/phonetic_menu.h"
#include "platform/qt/input_dialog.h"
#include "platform/report.h"
#include "shell/logic/geometry.h"
#include "signal/program.h"
#include "texts/texts.h"

namespace ardv::shell {
namespace {

// Longest word text the input box takes.
constexpr int kMaxWordLength = 50;

void trace(const char* what, std::int32_t p) {
  if (debugLevel() == 6) traceLine(std::string("annotation pane: ") + what + " at sample " + std::to_string(p));
}

// A message with its own caption.
void messageWithCaption(const std::string& caption, const std::string& body, ReportKind kind = ReportKind::Message) {
  reportHandler().show({kind, caption, body});
}

}  // namespace

void fillPhoneticMenu(QMenu& menu, const MenuNode& node) {
  for (const MenuNode& child : node.children) {
    if (child.submenu) {
      fillPhoneticMenu(*menu.addMenu(QString::fromStdString(child.caption)), child);
    } else {
      QAction* a = menu.addAction(QString::fromStdString(child.displayed.empty() ? child.caption : child.displayed));
      a->setData(child.command);
    }
  }
}

AnnotationPane::AnnotationPane(PaneKind kind, QString name, QWidget* parent)
    : QWidget(parent), kind_(kind), name_(std::move(name)) {}

std::int32_t AnnotationPane::sampleAt(int x) const {
  const auto& ct = program().ct;
  return TimeAxis(ct.d_a, ct.f_a, width()).sampleAt(x);
}

int AnnotationPane::columnOf(std::int32_t sample) const {
  const auto& ct = program().ct;
  return static_cast<int>(TimeAxis(ct.d_a, ct.f_a, width()).xOf(sample));
}

void AnnotationPane::setHighlight(int segment) {
  if (segment == highlight_) return;
  highlight_ = segment;
  update();
}

void AnnotationPane::setPointerLine(std::int32_t sample) {
  if (sample == pointerLine_) return;
  pointerLine_ = sample;
  update();
}

void AnnotationPane::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(250, 250, 240));
  p.setPen(QColor(160, 160, 160));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  const auto& prog = program();
  const notetiqs& list = paneList(kind_);
  if (list.empty() || !prog.fileLoaded) {
    p.setPen(QColor(150, 150, 150));
    p.drawText(rect().adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, name_);
    return;
  }
  const TimeAxis axis(prog.ct.d_a, prog.ct.f_a, width());
  const auto& items = list.items();
  if (highlight_ >= 0 && highlight_ + 1 < static_cast<int>(items.size())) {
    const double x0 = std::max(0.0, axis.xOf(items[static_cast<std::size_t>(highlight_)].limite));
    const double x1 = std::min<double>(width(), axis.xOf(items[static_cast<std::size_t>(highlight_) + 1].limite));
    if (x1 > x0) p.fillRect(QRectF(x0, 1, x1 - x0, height() - 2), QColor(255, 225, 120));
  }
  p.setPen(palette().windowText().color());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const double x0 = axis.xOf(items[i].limite);
    const double x1 = i + 1 < items.size() ? axis.xOf(items[i + 1].limite) : x0;
    if (x0 >= 0 && x0 < width()) p.drawLine(int(x0), 0, int(x0), height());
    if (items[i].text.empty() || x1 <= 0 || x0 >= width()) continue;
    const QRectF box(std::max(0.0, x0) + 1, 0, std::min<double>(width(), x1) - std::max(0.0, x0) - 2, height());
    p.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(items[i].text));
  }
  if (pointerLine_ >= 0) {
    const int x = static_cast<int>(axis.xOf(pointerLine_));
    p.setPen(QPen(QColor(200, 0, 200), 1, Qt::DashLine));
    if (x >= 0 && x < width()) p.drawLine(x, 0, x, height() - 1);
  }
}

void AnnotationPane::changed() {
  update();
  emit edited();
}

void AnnotationPane::mousePressEvent(QMouseEvent* event) {
  mode_ = MouseEditMode::None;
  pressX_ = -1;
  if (event->button() != Qt::LeftButton) return;
  const auto keys = event->modifiers();
  const MouseEditMode mode = mouseEditModeFor(keys & Qt::ControlModifier, keys & Qt::ShiftModifier);
  if (mode == MouseEditMode::None && !(keys & (Qt::ControlModifier | Qt::ShiftModifier)))
    pressX_ = static_cast<int>(event->position().x());
  if (mode == MouseEditMode::None || !paneEditable(kind_)) return;
  mode_ = mode;
  trace("press", sampleAt(static_cast<int>(event->position().x())));
}

void AnnotationPane::mouseMoveEvent(QMouseEvent* event) {
  const int x = static_cast<int>(event->position().x());
  if (program().fileLoaded) emit hovered(sampleAt(x));
  if (mode_ != MouseEditMode::Move || !(event->buttons() & Qt::LeftButton)) return;
  if (applyMouseEdit(kind_, MouseEditMode::Move, sampleAt(x))) {
    update();
    emit boundaryMoving();
  }
}

void AnnotationPane::leaveEvent(QEvent*) { emit hovered(-1); }

void AnnotationPane::mouseReleaseEvent(QMouseEvent* event) {
  const std::int32_t p = sampleAt(static_cast<int>(event->position().x()));
  if (event->button() == Qt::RightButton && rightDoubleClick_) {
    rightDoubleClick_ = false;
    if (segmentAt(paneList(kind_), p) < 0) {
      messageWithCaption("Warning", "Il faut d'abord placer des limites de sons", ReportKind::Warning);
      return;
    }
    emit annotatorRequested(p);
    return;
  }
  if (event->button() == Qt::LeftButton && pressX_ >= 0) {
    // A plain click selects the segment under it.
    const bool still = std::abs(static_cast<int>(event->position().x()) - pressX_) <= 2;
    pressX_ = -1;
    const notetiqs& list = paneList(kind_);
    const int segment = segmentAt(list, p);
    if (still && segment >= 0 && program().fileLoaded)
      emit segmentClicked(list.position(segment), list.position(segment + 1) - 1);
    return;
  }
  if (event->button() != Qt::LeftButton || mode_ == MouseEditMode::None) return;
  const MouseEditMode mode = mode_;
  mode_ = MouseEditMode::None;
  trace("release", p);
  if (applyMouseEdit(kind_, mode, p)) changed();
}

void AnnotationPane::mouseDoubleClickEvent(QMouseEvent* event) {
  const std::int32_t p = sampleAt(static_cast<int>(event->position().x()));
  if (event->button() == Qt::RightButton) {
    if (kind_ == PaneKind::Phonemes && program().fileLoaded) rightDoubleClick_ = true;
    return;
  }
  if (event->button() != Qt::LeftButton || event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) {
    mousePressEvent(event);  // a fast second click of an edit
    return;
  }
  pressX_ = -1;
  if (!paneEditable(kind_)) return;
  if (offerMerge(static_cast<int>(event->position().x()))) return;
  if (kind_ == PaneKind::Words)
    changeWordText(p);
  else
    pickPhoneme(p, event->globalPosition().toPoint());
}

bool AnnotationPane::offerMerge(int x) {
  notetiqs& list = paneList(kind_);
  const int i = list.nearest(sampleAt(x));
  if (i <= 0 || i + 1 >= list.count() || std::abs(columnOf(list.position(i)) - x) > 2) return false;
  const std::string left = list.Text(i - 1), right = list.Text(i);
  if (left.empty() || right.empty()) return false;
  // Words are joined; a phoneme segment keeps the left label.
  const std::string merged = kind_ == PaneKind::Words ? left + " " + right : left;
  const auto answer = QMessageBox::question(
      this, "Merge segments",
      QString::fromStdString("Remove the boundary between \"" + left + "\" and \"" + right + "\"? The segment becomes \"" +
                             merged + "\"."));
  if (answer != QMessageBox::Yes) return true;
  list.SetText(i, "");
  list.SetText(i - 1, merged);
  if (list.remove(list.position(i))) {
    program().annotationsModified = true;
    changed();
  }
  return true;
}

void AnnotationPane::changeWordText(std::int32_t p) {
  const notetiqs& list = paneList(kind_);
  const int segment = segmentAt(list, p);
  if (segment < 0) {
    messageWithCaption(text(2505), text(2504));
    return;
  }
  const auto typed = qt::askText(this, text(2503), text(2502), list.Text(segment), kMaxWordLength);
  if (typed && setWordTextAt(p, *typed)) changed();
}

void AnnotationPane::pickPhoneme(std::int32_t p, const QPoint& globalPos) {
  if (segmentAt(paneList(kind_), p) < 0) {
    messageWithCaption(text(3802), text(3801));
    return;
  }
  const PhoneticMenu& inventory = phoneticDescription().phonemeMenu();
  QMenu menu(this);
  menu.setTitle(QString::fromStdString(inventory.root.caption));
  fillPhoneticMenu(menu, inventory.root);
  menu.addSeparator();
  menu.addAction("(no label)")->setData(kMenuCommandBase);
  const QAction* chosen = menu.exec(globalPos);
  if (!chosen) return;
  const int index = menuCommandIndex(chosen->data().toInt());
  if (index < 0) return;  // a class: not a label
  if (setPhonemeLabelAt(p, phoneticDescription().label(index))) changed();
}

}  // namespace ardv::shell
