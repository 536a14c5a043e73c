#include "platform/alsa/alsa_audio.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/audio_device.h"
#include "platform/environment.h"
#include "platform/report.h"

namespace ardv {
namespace {

// ALSA's "default" device unless ARDV_AUDIO_DEVICE names another ("hw:1,0", "null").
const std::string& deviceName() {
  static const std::string name = environmentValue("ARDV_AUDIO_DEVICE").value_or("default");
  return name;
}
constexpr snd_pcm_uframes_t kChunkFrames = 1024;
constexpr unsigned kBufferMicroseconds = 200000;  // short enough to stop at once

// The thread that installed the devices: the only one that may trace.
std::thread::id traceThread;

// ALSA prints its diagnostics on standard error; they go to the trace instead.
// A diagnostic raised on a worker thread is dropped: the trace is a window.
void quietAlsaErrors(const char* file, int line, const char* function, int err, const char* fmt, ...) {
  if (std::this_thread::get_id() != traceThread) return;
  char text[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(text, sizeof text, fmt, args);
  va_end(args);
  char where[640];
  std::snprintf(where, sizeof where, "ALSA %s:%d %s (%d): %s", file, line, function, err, text);
  traceLine(where);
}

// Opens the default device of `stream` in `format` (exact rate). 0 or a
// negative ALSA code; *pcm is null on failure.
int openPcm(snd_pcm_t** pcm, snd_pcm_stream_t stream, const AudioFormat& format) {
  *pcm = nullptr;
  int err = snd_pcm_open(pcm, deviceName().c_str(), stream, 0);
  if (err < 0) return err;
  snd_pcm_hw_params_t* hw = nullptr;
  snd_pcm_hw_params_alloca(&hw);
  unsigned bufferUs = kBufferMicroseconds;
  if ((err = snd_pcm_hw_params_any(*pcm, hw)) < 0 ||
      (err = snd_pcm_hw_params_set_access(*pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0 ||
      (err = snd_pcm_hw_params_set_format(*pcm, hw,
                                          format.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE)) < 0 ||
      (err = snd_pcm_hw_params_set_channels(*pcm, hw, static_cast<unsigned>(format.channels))) < 0 ||
      (err = snd_pcm_hw_params_set_rate(*pcm, hw, static_cast<unsigned>(format.rateHz), 0)) < 0 ||
      (err = snd_pcm_hw_params_set_buffer_time_near(*pcm, hw, &bufferUs, nullptr)) < 0 ||
      (err = snd_pcm_hw_params(*pcm, hw)) < 0) {
    snd_pcm_close(*pcm);
    *pcm = nullptr;
  }
  return err;
}

// Whether the default device of `stream` takes mono 16-bit at `rateHz`; the
// result code of the query (0 or negative) in *code.
bool probe(snd_pcm_stream_t stream, int rateHz, int* code) {
  snd_pcm_t* pcm = nullptr;
  *code = snd_pcm_open(&pcm, deviceName().c_str(), stream, SND_PCM_NONBLOCK);
  if (*code < 0) return false;
  snd_pcm_hw_params_t* hw = nullptr;
  snd_pcm_hw_params_alloca(&hw);
  bool ok = snd_pcm_hw_params_any(pcm, hw) >= 0 && snd_pcm_hw_params_test_format(pcm, hw, SND_PCM_FORMAT_S16_LE) == 0 &&
            snd_pcm_hw_params_test_channels(pcm, hw, 1) == 0 &&
            snd_pcm_hw_params_test_rate(pcm, hw, static_cast<unsigned>(rateHz), 0) == 0;
  snd_pcm_close(pcm);
  return ok;
}

void traceCaps(const char* query, int code) {
  char line[96];
  std::snprintf(line, sizeof line, "%s(id=%d,,)=0x%x", query, 0, static_cast<unsigned>(code));
  traceLine(line);
}

// An open PCM with the worker thread that plays or captures one block.
class PcmWorker {
 public:
  ~PcmWorker() { close(); }

  int open(snd_pcm_stream_t stream, const AudioFormat& format) {
    close();
    format_ = format;
    return openPcm(&pcm_, stream, format);
  }
  // Runs `body` on the worker thread; done() turns true when it returns.
  void launch(std::function<void()> body) {
    stop_ = false;
    done_ = false;
    worker_ = std::thread([this, body = std::move(body)] {
      body();
      done_ = true;
    });
  }
  // Asks the worker to stop and waits for it.
  void finish() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
    done_ = true;
  }
  void close() {
    finish();
    if (pcm_) snd_pcm_close(pcm_);
    pcm_ = nullptr;
  }

  snd_pcm_t* pcm() const { return pcm_; }
  const AudioFormat& format() const { return format_; }
  bool stopping() const { return stop_; }
  bool done() const { return done_; }

 private:
  snd_pcm_t* pcm_ = nullptr;
  AudioFormat format_;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> done_{true};
};

class AlsaOutput : public AudioOutput {
 public:
  explicit AlsaOutput(bool supports16) : supports16_(supports16) {}

  bool available() const override { return true; }
  bool supportsMono16At11025() const override { return supports16_; }
  int open(const AudioFormat& format) override { return pcm_.open(SND_PCM_STREAM_PLAYBACK, format); }

  int write(std::span<const std::uint8_t> bytes) override {
    if (!pcm_.pcm()) return -EBADFD;
    pcm_.finish();
    block_.assign(bytes.begin(), bytes.end());
    if (const int err = snd_pcm_prepare(pcm_.pcm()); err < 0) return err;
    played_ = 0;
    pcm_.launch([this] { run(); });
    return 0;
  }

  bool done() override { return pcm_.done(); }
  std::int64_t playedFrames() override { return played_; }
  int stop() override {
    pcm_.finish();
    return 0;
  }
  void close() override { pcm_.close(); }
  std::string errorText(int code) const override { return snd_strerror(code); }

 private:
  void run() {
    snd_pcm_t* pcm = pcm_.pcm();
    const auto frameBytes = static_cast<std::size_t>(std::max(pcm_.format().blockAlign(), 1));
    const auto total = static_cast<snd_pcm_sframes_t>(block_.size() / frameBytes);
    snd_pcm_sframes_t offset = 0;
    while (offset < total && !pcm_.stopping()) {
      const auto n = std::min<snd_pcm_sframes_t>(static_cast<snd_pcm_sframes_t>(kChunkFrames), total - offset);
      snd_pcm_sframes_t r = snd_pcm_writei(pcm, block_.data() + static_cast<std::size_t>(offset) * frameBytes,
                                           static_cast<snd_pcm_uframes_t>(n));
      if (r < 0) {
        if (snd_pcm_recover(pcm, static_cast<int>(r), 1) < 0) break;
        continue;
      }
      offset += r;
      updatePlayed(offset);
    }
    // Let the last frames leave the device, still answering stop().
    while (!pcm_.stopping() && snd_pcm_state(pcm) == SND_PCM_STATE_RUNNING && updatePlayed(offset))
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    snd_pcm_drop(pcm);
    played_ = offset;
  }

  // Frames heard so far; false when nothing is left in the device.
  bool updatePlayed(snd_pcm_sframes_t written) {
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm_.pcm(), &delay) < 0 || delay <= 0) {
      played_ = written;
      return false;
    }
    played_ = std::max<snd_pcm_sframes_t>(written - delay, 0);
    return true;
  }

  bool supports16_;
  std::vector<std::uint8_t> block_;
  std::atomic<std::int64_t> played_{0};
  PcmWorker pcm_;  // last: its thread ends before the members it uses go
};

class AlsaInput : public AudioInput {
 public:
  explicit AlsaInput(bool supports22050) : supports22050_(supports22050) {}

  bool available() const override { return true; }
  bool supportsMono16At22050() const override { return supports22050_; }
  int open(const AudioFormat& format) override { return pcm_.open(SND_PCM_STREAM_CAPTURE, format); }

  int addBuffer(std::int64_t frames) override {
    if (!pcm_.pcm()) return -EBADFD;
    pcm_.finish();
    buffer_.assign(static_cast<std::size_t>(std::max<std::int64_t>(frames, 0) * pcm_.format().channels), 0);
    filled_ = 0;
    taken_ = 0;
    return 0;
  }

  int start() override {
    if (!pcm_.pcm()) return -EBADFD;
    pcm_.finish();
    int err = snd_pcm_prepare(pcm_.pcm());
    if (err >= 0) err = snd_pcm_start(pcm_.pcm());
    if (err < 0) return err;
    pcm_.launch([this] { run(); });
    return 0;
  }

  bool done() override { return pcm_.done(); }
  int stop() override {
    pcm_.finish();
    return pcm_.pcm() ? snd_pcm_drop(pcm_.pcm()) : 0;
  }

  std::vector<std::int16_t> take() override {
    const std::size_t end = filled_;
    std::vector<std::int16_t> out(buffer_.begin() + static_cast<std::ptrdiff_t>(taken_),
                                  buffer_.begin() + static_cast<std::ptrdiff_t>(end));
    taken_ = end;
    return out;
  }

  void close() override { pcm_.close(); }
  std::string errorText(int code) const override { return snd_strerror(code); }

 private:
  // Fills the buffer; the samples below filled_ are complete.
  void run() {
    snd_pcm_t* pcm = pcm_.pcm();
    const auto channels = static_cast<std::size_t>(std::max(pcm_.format().channels, 1));
    std::size_t at = filled_;
    while (at < buffer_.size() && !pcm_.stopping()) {
      const auto n = std::min<std::size_t>(kChunkFrames, (buffer_.size() - at) / channels);
      if (n == 0) break;
      snd_pcm_sframes_t r = snd_pcm_readi(pcm, buffer_.data() + at, n);
      if (r < 0) {
        if (snd_pcm_recover(pcm, static_cast<int>(r), 1) < 0) break;
        continue;
      }
      at += static_cast<std::size_t>(r) * channels;
      filled_ = at;
    }
  }

  bool supports22050_;
  std::vector<std::int16_t> buffer_;
  std::atomic<std::size_t> filled_{0};
  std::size_t taken_ = 0;
  PcmWorker pcm_;  // last: its thread ends before the members it uses go
};

struct Installed {
  std::unique_ptr<AlsaOutput> output;
  std::unique_ptr<AlsaInput> input;
  bool probed = false;
};

Installed& installed() {
  static Installed i;
  return i;
}

}  // namespace

bool installAlsaDevices() {
  Installed& i = installed();
  if (!i.probed) {
    i.probed = true;
    traceThread = std::this_thread::get_id();
    snd_lib_error_set_handler(quietAlsaErrors);
    int code = 0;
    const bool out16 = probe(SND_PCM_STREAM_PLAYBACK, 11025, &code);
    traceCaps("waveOutGetDevCaps", code);
    if (code >= 0) i.output = std::make_unique<AlsaOutput>(out16);
    const bool in16 = probe(SND_PCM_STREAM_CAPTURE, 22050, &code);
    traceCaps("waveInGetDevCaps", code);
    if (code >= 0) i.input = std::make_unique<AlsaInput>(in16);
  }
  setAudioDevices(i.output.get(), i.input.get());
  return i.output != nullptr;
}

void uninstallAlsaDevices() {
  setAudioDevices(nullptr, nullptr);
  installed().output.reset();
  installed().input.reset();
  installed().probed = false;
  snd_config_update_free_global();
}

}  // namespace ardv
