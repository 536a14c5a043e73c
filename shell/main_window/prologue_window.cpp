// Information window.
#include "shell/main_window/prologue_window.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTimer>

namespace ardv::shell {

PrologueWindow::PrologueWindow(QWidget* parent) : QWidget(parent) {
  setWindowTitle("Ardelovox");
  resize(400, 350);
}

int PrologueWindow::lineTop(int n) const { return (shifted_ ? n + 3 : n) * fontMetrics().height(); }

void PrologueWindow::paintEvent(QPaintEvent*) {
  if (!painted_) {
    painted_ = true;
    shifted_ = QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
    // The rest of the start-up runs after this paint has finished.
    QTimer::singleShot(0, this, [this] { emit firstPainted(shifted_); });
  }
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  p.setPen(palette().text().color());
  const QFontMetrics fm(font());
  for (const auto& [n, text] : lines_.all())
    p.drawText(2, lineTop(n) + fm.ascent(), QString::fromStdString(text));
}

}  // namespace ardv::shell
