#include "platform/qt/keyboard_watch.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace ardv::qt {
namespace {

bool isUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

}  // namespace

KeyboardWatch::KeyboardWatch() {
  QCoreApplication::instance()->installEventFilter(this);
  setKeyboardPoller(this);
}

KeyboardWatch::~KeyboardWatch() {
  setKeyboardPoller(nullptr);
  if (auto* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool KeyboardWatch::escapePressed() {
  if (!polling_) {
    polling_ = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    polling_ = false;
  }
  const bool pressed = escape_;
  escape_ = false;
  return pressed;
}

bool KeyboardWatch::shiftHeld() { return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier); }

bool KeyboardWatch::eventFilter(QObject* watched, QEvent* event) {
  // Only an Escape that arrives while a command polls stops it: one that
  // closed a menu or a dialog before is not kept for the next command.
  if (polling_ && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
    escape_ = true;
  if (polling_ && isUserInput(event->type())) return true;
  return QObject::eventFilter(watched, event);
}

}  // namespace ardv::qt
