// Hamming cache, frame bounds and frame making of the envelope analyses.
#include "spectral/envelope_frame.h"

#include <new>
#include <string>

#include "platform/report.h"
#include "spectral/window.h"

namespace ardv {

const float* HammingCache::table(int length) {
  if (length == length_ && !table_.empty()) return table_.data();
  try {
    std::vector<float> t(static_cast<std::size_t>(length > 0 ? length : 1));
    if (!initham(t.data(), length)) return nullptr;
    table_ = std::move(t);
    length_ = length;
  } catch (const std::bad_alloc&) {
    debugMessage("HammingCache : out of memory");
    return nullptr;
  }
  return table_.data();
}

bool frameInside(std::span<const std::int16_t> samples, std::int64_t first, int length, bool preemphasis,
                 const char* who) {
  const std::int64_t needed = static_cast<std::int64_t>(length) + (preemphasis ? 1 : 0);
  if (length >= 1 && first >= 0 && first <= static_cast<std::int64_t>(samples.size()) - needed) return true;
  debugMessage(std::string(who) + " : frame outside the samples (first " + std::to_string(first) + ", length " +
               std::to_string(length) + ")");
  return false;
}

void envelopeFrame(std::span<const std::int16_t> samples, std::int64_t first, int length, bool preemphasis,
                   const float* window, double* out) {
  const std::int16_t* x = samples.data() + first;
  if (preemphasis) {
    for (int j = 0; j < length; ++j) out[j] = static_cast<double>(window[j]) * (x[j + 1] - x[j]);
  } else {
    for (int j = 0; j < length; ++j) out[j] = static_cast<double>(window[j]) * x[j];
  }
}

}  // namespace ardv
