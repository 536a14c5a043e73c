// The desktop program's keyboard poller: an application-wide event filter
// that notes the Escape presses that arrive while a long loop polls. While
// it polls, pending events are dispatched so the windows repaint, but other
// mouse and keyboard input is dropped: no command can start inside a
// running one.
#pragma once

#include <QObject>

#include "platform/keyboard.h"

namespace ardv::qt {

class KeyboardWatch : public QObject, public KeyboardPoller {
 public:
  // Installs itself on the application and as the core's poller.
  KeyboardWatch();
  ~KeyboardWatch() override;

  bool escapePressed() override;
  bool shiftHeld() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool escape_ = false;
  bool polling_ = false;
};

}  // namespace ardv::qt
