// Keyboard state polled by the core: Escape during long loops (playback,
// rate conversion, peak analysis) and Shift at start-up. The desktop program
// installs a poller that watches the keyboard; the command line and the tests
// have none, or a scripted one.
#pragma once

namespace ardv {

class KeyboardPoller {
 public:
  virtual ~KeyboardPoller() = default;
  // True once Escape has been pressed since the last call (the press is
  // consumed). May dispatch pending window events.
  virtual bool escapePressed() = 0;
  virtual bool shiftHeld() = 0;
};

// Installs a poller (not owned); nullptr restores the one that never sees a key.
void setKeyboardPoller(KeyboardPoller* poller);

// Long loops call this between steps and stop early when it is true.
bool escapePressed();
bool shiftHeld();

// For tests: reports Escape after `callsBeforeEscape` polls (never when
// negative); counts the polls.
class ScriptedKeyboard : public KeyboardPoller {
 public:
  explicit ScriptedKeyboard(int callsBeforeEscape = -1, bool shift = false)
      : callsBeforeEscape_(callsBeforeEscape), shift_(shift) {}
  bool escapePressed() override;
  bool shiftHeld() override { return shift_; }
  int polls() const { return polls_; }

 private:
  int callsBeforeEscape_;
  bool shift_;
  int polls_ = 0;
};

// Installs a poller for the lifetime of the scope.
class ScopedKeyboard {
 public:
  explicit ScopedKeyboard(KeyboardPoller& poller) { setKeyboardPoller(&poller); }
  ~ScopedKeyboard() { setKeyboardPoller(nullptr); }
  ScopedKeyboard(const ScopedKeyboard&) = delete;
  ScopedKeyboard& operator=(const ScopedKeyboard&) = delete;
};

}  // namespace ardv
