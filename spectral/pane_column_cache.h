// Spectrogram columns kept from one pane computation to the next, so that a
// scroll or a zoom computes only the frames it has not computed before. A
// column depends only on the settings and on the samples of its frame: the
// cache keeps a copy of the samples and of the settings it was filled from,
// and starts afresh when either differs (an edit, another file, another kind
// or setting). The display range (lowDb, highDb) is applied after the cache.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "spectral/spectrogram.h"
#include "spectral/spectrogram_params.h"

namespace ardv {

class PaneColumnCache {
 public:
  // Starts a computation of columns of `spec` over the samples of `x`:
  // forgets every column when the settings or the samples differ from those
  // of the columns held. False when out of memory (the cache is then empty).
  bool prepare(const CurrentSpectro& spec, const SampleSpan& x);
  // The column of the frame centred on `centre`, or null when not held.
  const std::vector<float>* find(std::int64_t centre);
  // The place for the column centred on `centre` (empty until filled). The
  // reference stays valid until the next prepare, trim or clear.
  std::vector<float>& add(std::int64_t centre);
  // Keeps the `most` columns used most recently.
  void trim(std::size_t most);
  void clear();
  std::size_t size() const { return columns_.size(); }
  // Work spaces prepared for the settings of the columns held (emptied with
  // them).
  std::vector<SpectroWork>& works() { return works_; }
  // Columns added since the cache was made (the frames computed).
  std::size_t added() const { return added_; }

 private:
  struct Entry {
    std::vector<float> values;
    std::uint64_t used = 0;  // the prepare() that last used it
  };
  std::unordered_map<std::int64_t, Entry> columns_;
  std::vector<SpectroWork> works_;
  std::vector<std::int16_t> samples_;  // the samples the columns come from
  std::int64_t first_ = 0;
  CurrentSpectro spec_;
  std::uint64_t generation_ = 0;
  std::size_t added_ = 0;
};

// Whether columns of `a` and `b` are the same numbers (all settings but the
// display range agree).
bool sameColumns(const CurrentSpectro& a, const CurrentSpectro& b);

}  // namespace ardv
