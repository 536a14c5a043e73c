// Overlap-add accumulators flushed chunk by chunk, and the streamed WAV file.
#include "prosody/modif_output.h"

#include <algorithm>
#include <cmath>

#include "platform/report.h"
#include "signal/wav_layout.h"

namespace ardv {

std::int16_t toSample(double v) {
  if (!(v == v)) return 0;
  return static_cast<std::int16_t>(std::clamp(std::trunc(v), -32768.0, 32767.0));
}

void OverlapAddOutput::grow(std::int64_t endIndex) {
  const auto need = static_cast<std::size_t>(endIndex - base_);
  if (need > out_.size()) {
    out_.resize(need, 0.0f);
    wsum_.resize(need, 0.0f);
    asum_.resize(need, 0.0f);
    peak_ = std::max(peak_, need);
  }
}

float* OverlapAddOutput::out(std::int64_t from, std::int64_t count) {
  grow(from + count);
  return out_.data() + (from - base_);
}

float* OverlapAddOutput::wsum(std::int64_t from, std::int64_t count) {
  grow(from + count);
  return wsum_.data() + (from - base_);
}

float* OverlapAddOutput::asum(std::int64_t from, std::int64_t count) {
  grow(from + count);
  return asum_.data() + (from - base_);
}

bool OverlapAddOutput::send(std::int64_t count) {
  count = std::min<std::int64_t>(count, static_cast<std::int64_t>(out_.size()));
  if (count <= 0) return true;
  pcm_.resize(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const float norm = std::max(wsum_[k], std::min(asum_[k], 1.0f));
    pcm_[k] = norm > 0.0f ? toSample(static_cast<double>(out_[k]) / norm) : 0;
  }
  const bool ok = sink_(pcm_.data(), pcm_.size());
  out_.erase(out_.begin(), out_.begin() + count);
  wsum_.erase(wsum_.begin(), wsum_.begin() + count);
  asum_.erase(asum_.begin(), asum_.begin() + count);
  base_ += count;
  sent_ += count;
  return ok;
}

bool OverlapAddOutput::flushBelow(std::int64_t index) {
  if (!flushing_ || index <= base_) return true;
  grow(index);
  return send(index - base_);
}

bool OverlapAddOutput::finish(std::int64_t length) {
  if (length > end()) grow(length);
  return send(length - base_);
}

bool StreamingWav::fail() {
  if (!failed_) message("Unable to open files\n" + file_.target().string() + ": " + file_.error());
  failed_ = true;
  return false;
}

bool StreamingWav::open() {
  std::array<std::uint8_t, kWavHeaderBytes> header{};
  if (!file_.open() || !file_.write(header.data(), header.size())) return fail();
  return true;
}

bool StreamingWav::append(const std::int16_t* samples, std::size_t count) {
  if (failed_) return false;
  std::vector<std::uint8_t> bytes(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    const auto u = static_cast<std::uint16_t>(samples[i]);
    bytes[2 * i] = static_cast<std::uint8_t>(u & 0xff);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(u >> 8);
  }
  if (!file_.write(bytes.data(), bytes.size())) return fail();
  count_ += static_cast<std::int64_t>(count);
  return true;
}

bool StreamingWav::commit() {
  if (failed_) return false;
  std::array<std::uint8_t, kWavHeaderBytes> header{};
  if (!wavHeaderBytes(2 * count_, 0, 0, fs_, header)) {
    message("Unable to open files\n" + file_.target().string() + ": the output is too long for a WAV file");
    failed_ = true;
    return false;
  }
  if (!file_.seek(0) || !file_.write(header.data(), header.size()) || !file_.commit()) return fail();
  return true;
}

}  // namespace ardv
