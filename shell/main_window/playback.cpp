#include "shell/main_window/playback.h"

#include <QShortcut>
#include <QStatusBar>

#include "platform/audio_device.h"
#include "platform/progress.h"
#include "prosody/play_signal.h"
#include "shell/main_window/main_window.h"
#include "signal/program.h"

namespace ardv::shell {
namespace {

constexpr int kTickMs = 20;

Player* activePlayer = nullptr;

// "chng freq" and its percentage in the status bar while converting.
class StatusProgress : public ProgressSink {
 public:
  explicit StatusProgress(QStatusBar* bar) : bar_(bar) { setProgressSink(this); }
  ~StatusProgress() override { setProgressSink(nullptr); }
  void progress(const std::string& status, double fraction) override {
    if (fraction < 0.0)
      bar_->clearMessage();
    else
      bar_->showMessage(QString("%1 %2%").arg(QString::fromStdString(status)).arg(static_cast<int>(100 * fraction)));
  }

 private:
  QStatusBar* bar_;
};

}  // namespace

Player::Player(MainWindow& window) : QObject(&window), window_(window) {
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &Player::tick);
  escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
  escape_->setContext(Qt::ApplicationShortcut);
  escape_->setEnabled(false);
  connect(escape_, &QShortcut::activated, this, &Player::stop);
  activePlayer = this;
}

Player::~Player() {
  if (activePlayer == this) activePlayer = nullptr;
  timer_.stop();
}

bool Player::playStretch(std::int32_t a, std::int32_t b, int repeat) {
  stop();
  if (!checkAudioDevice(audioOutput())) return false;
  if (!currentStretchSamples(a, b, samples_)) return false;
  return begin(static_cast<int>(program().en_cours.frequence + 0.5), repeat, std::max(a, 0));
}

bool Player::playFile(const std::string& name, bool isCurrentSignal) {
  stop();
  if (!checkAudioDevice(audioOutput())) return false;
  int rateHz = 0;
  if (!readWavSamples(name, samples_, rateHz)) return false;
  return begin(rateHz, 1, isCurrentSignal ? 0 : -1);
}

bool Player::begin(int rateHz, int repeat, std::int32_t cursorOrigin) {
  {
    StatusProgress progress(window_.statusBar());
    playback_ = std::make_unique<Playback>(audioOutput());
    if (!playback_->start(samples_, rateHz, repeat)) {
      playback_.reset();
      return false;
    }
  }
  cursorOrigin_ = cursorOrigin;
  escape_->setEnabled(true);
  tick();
  if (playing()) timer_.start();
  return true;
}

void Player::tick() {
  if (playback_ && playback_->poll()) {
    if (cursorOrigin_ >= 0) showCursor(cursorOrigin_ + static_cast<std::int32_t>(playback_->position()));
    return;
  }
  stop();
}

void Player::stop() {
  const bool wasPlaying = timer_.isActive() || playing();
  timer_.stop();
  playback_.reset();
  escape_->setEnabled(false);
  showCursor(-1);
  if (wasPlaying) emit finished();
}

void Player::showCursor(std::int32_t sample) {
  window_.follow(sample);  // the view follows the cursor off screen
  if (auto* v = window_.signalPlane()) v->view()->setPlayCursor(sample);
  if (auto* v = window_.spectroPlane()) v->view()->setPlayCursor(sample);
}

bool playCurrentSamples(std::int32_t a, std::int32_t b) { return activePlayer && activePlayer->playStretch(a, b); }

}  // namespace ardv::shell
