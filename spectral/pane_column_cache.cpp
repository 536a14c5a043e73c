// Columns kept between pane computations.
#include "spectral/pane_column_cache.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/report.h"

namespace ardv {

bool sameColumns(const CurrentSpectro& a, const CurrentSpectro& b) {
  const BandSettings &p = a.bands, &q = b.bands;
  return a.kind == b.kind && a.preemphasis == b.preemphasis && a.step == b.step &&
         a.columnsPerFrame == b.columnsPerFrame && a.trueEnvelope == b.trueEnvelope &&
         a.displayedBins == b.displayedBins && a.fen_fft == b.fen_fft && a.fftSize == b.fftSize &&
         a.cepstralFftSize == b.cepstralFftSize && p.distribution == q.distribution && p.scale == q.scale &&
         p.priorSmoothing == q.priorSmoothing && p.axis == q.axis && p.bandCount == q.bandCount && a.fs == b.fs &&
         a.lifter1 == b.lifter1 && a.lifter2 == b.lifter2 && a.lpcOrder == b.lpcOrder;
}

bool PaneColumnCache::prepare(const CurrentSpectro& spec, const SampleSpan& x) {
  ++generation_;
  const auto count = static_cast<std::size_t>(std::max<std::int64_t>(0, x.count));
  const bool sameSamples = x.data && first_ == x.first && samples_.size() == count &&
                           (count == 0 || std::memcmp(samples_.data(), x.data, count * sizeof(std::int16_t)) == 0);
  if (sameSamples && sameColumns(spec, spec_)) return true;
  clear();
  try {
    if (x.data) samples_.assign(x.data, x.data + count);
  } catch (const std::bad_alloc&) {
    clear();
    debugMessage("PaneColumnCache: out of memory");
    return false;
  }
  first_ = x.first;
  spec_ = spec;
  return true;
}

const std::vector<float>* PaneColumnCache::find(std::int64_t centre) {
  const auto it = columns_.find(centre);
  if (it == columns_.end() || it->second.values.empty()) return nullptr;
  it->second.used = generation_;
  return &it->second.values;
}

std::vector<float>& PaneColumnCache::add(std::int64_t centre) {
  Entry& e = columns_[centre];
  e.used = generation_;
  ++added_;
  return e.values;
}

void PaneColumnCache::trim(std::size_t most) {
  if (columns_.size() <= most) return;
  std::vector<std::uint64_t> used;
  used.reserve(columns_.size());
  for (const auto& [centre, e] : columns_) used.push_back(e.used);
  // Drop entries used no later than the (most+1)-th latest use until `most`
  // are left.
  std::nth_element(used.begin(), used.begin() + static_cast<std::ptrdiff_t>(most), used.end(), std::greater<>());
  const std::uint64_t limit = used[most];
  std::size_t left = columns_.size();
  for (auto it = columns_.begin(); it != columns_.end() && left > most;) {
    if (it->second.used <= limit) {
      it = columns_.erase(it);
      --left;
    } else {
      ++it;
    }
  }
}

void PaneColumnCache::clear() {
  columns_.clear();
  works_.clear();
  samples_.clear();
  samples_.shrink_to_fit();
  first_ = 0;
  spec_ = CurrentSpectro{};
}

}  // namespace ardv
