// The desktop program's player: plays a stretch of the current signal or a
// file while the window stays responsive (a timer polls the device), moves
// the play cursor across the signal and spectrogram planes, and stops at once
// on Escape or when asked.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "prosody/playback.h"

class QShortcut;

namespace ardv::shell {

class MainWindow;

class Player : public QObject {
  Q_OBJECT
 public:
  explicit Player(MainWindow& window);
  ~Player() override;

  // Plays samples a..b (inclusive) of the current signal max(repeat, 1)
  // times; a playback in progress stops first. False when nothing plays
  // (reported, or nothing to play).
  bool playStretch(std::int32_t a, std::int32_t b, int repeat = 1);
  // Plays the WAV file `name`; when it is the current signal the cursor
  // follows it.
  bool playFile(const std::string& name, bool isCurrentSignal);
  // Ends the playback at once.
  void stop();
  bool playing() const { return playback_ && playback_->playing(); }

 signals:
  void finished();

 private:
  bool begin(int rateHz, int repeat, std::int32_t cursorOrigin);
  void tick();
  void showCursor(std::int32_t sample);

  MainWindow& window_;
  std::vector<std::int16_t> samples_;
  std::unique_ptr<Playback> playback_;  // on the device installed when it started
  QTimer timer_;
  QShortcut* escape_ = nullptr;
  std::int32_t cursorOrigin_ = -1;  // signal sample of samples_[0]; -1: no cursor
};

// Plays samples a..b of the current signal in the main window's player (the
// annotator's "play each segment"). False when there is no main window or
// nothing plays.
bool playCurrentSamples(std::int32_t a, std::int32_t b);

}  // namespace ardv::shell
