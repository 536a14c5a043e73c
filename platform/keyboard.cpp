#include "platform/keyboard.h"

namespace ardv {
namespace {

class NoKeyboard : public KeyboardPoller {
 public:
  bool escapePressed() override { return false; }
  bool shiftHeld() override { return false; }
};

NoKeyboard noKeyboard;
KeyboardPoller* current = &noKeyboard;

}  // namespace

void setKeyboardPoller(KeyboardPoller* poller) { current = poller ? poller : &noKeyboard; }

bool escapePressed() { return current->escapePressed(); }
bool shiftHeld() { return current->shiftHeld(); }

bool ScriptedKeyboard::escapePressed() {
  ++polls_;
  return callsBeforeEscape_ >= 0 && polls_ > callsBeforeEscape_;
}

}  // namespace ardv
