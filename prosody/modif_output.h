// The chunked output of the prosody modifications: overlap-add accumulators
// whose finished part is handed on chunk by chunk, and a WAV file written as
// the samples arrive (header patched at the end, through ReplacingFile).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "signal/replacing_file.h"

namespace ardv {

// Receives finished 16-bit output samples in order; false after its report.
using SampleSink = std::function<bool(const std::int16_t* samples, std::size_t count)>;

// Accumulators `out` (overlap-added signal), `wsum` (sum of synthesis
// windows) and `asum` (sum of the analysis windows as placed) over output
// samples base()..; each output sample is trunc(out / max(wsum, min(asum,
// 1))), 0 where that is 0, limited to the 16-bit range. Where the synthesis
// windows thin out under wider segments (the ends, F0 raised) the second
// term keeps the sample within the input samples it is made of; elsewhere
// wsum rules.
class OverlapAddOutput {
 public:
  // `flushing` false keeps everything until finish() (the one-piece
  // computation the chunked one must equal).
  OverlapAddOutput(SampleSink sink, bool flushing) : sink_(std::move(sink)), flushing_(flushing) {}

  // Pointers to out / wsum for output samples from..from+count-1 (from >=
  // base()), grown as needed; valid until the next call.
  float* out(std::int64_t from, std::int64_t count);
  float* wsum(std::int64_t from, std::int64_t count);
  float* asum(std::int64_t from, std::int64_t count);
  // Output samples below `index` are final: when flushing, they are sent
  // to the sink and dropped. False when the sink fails.
  bool flushBelow(std::int64_t index);
  // Sends the output up to `length` samples: silence where nothing was
  // written, nothing beyond. False when the sink fails.
  bool finish(std::int64_t length);

  std::int64_t base() const { return base_; }
  std::int64_t end() const { return base_ + static_cast<std::int64_t>(out_.size()); }
  std::int64_t sent() const { return sent_; }
  std::size_t peakHeld() const { return peak_; }

 private:
  void grow(std::int64_t endIndex);
  bool send(std::int64_t count);
  SampleSink sink_;
  bool flushing_;
  std::int64_t base_ = 0, sent_ = 0;
  std::size_t peak_ = 0;
  std::vector<float> out_, wsum_, asum_;
  std::vector<std::int16_t> pcm_;
};

// A mono 16-bit WAV file written piece by piece: open(), append() samples,
// commit() writes the header and renames the file over its target.
class StreamingWav {
 public:
  StreamingWav(std::filesystem::path target, double fs) : file_(std::move(target)), fs_(fs) {}
  // False after "Unable to open files\n" with the path and the reason.
  bool open();
  bool append(const std::int16_t* samples, std::size_t count);
  bool commit();
  std::int64_t samples() const { return count_; }
  SampleSink sink() {
    return [this](const std::int16_t* s, std::size_t n) { return append(s, n); };
  }

 private:
  bool fail();
  ReplacingFile file_;
  double fs_;
  std::int64_t count_ = 0;
  bool failed_ = false;
};

// The 16-bit sample of an output value: truncated toward zero, limited to
// -32768..32767, 0 for a value that is not a number.
std::int16_t toSample(double v);

}  // namespace ardv
