// Reading pitch files: the current pitch file of the current signal, its
// 6-s window of records (the cache) and the lookup pitchFromFile; opening a
// pitch file and computing "current.pit" for the current signal.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ardv {

// A window of records of one pitch file around the positions asked for.
class PitchFileCache {
 public:
  // F0 in Hz at sample t (fs Hz) from the file `path`: the nearer record of
  // the window (reloaded when t lies outside it) when it is less than five
  // record spacings away, else 0. 0 too, quietly, when the file cannot be
  // read or its first word does not begin with ".pit". A window further on
  // in the same file is read from where the last one stopped, so a pass
  // over the whole file reads it once. The file must not change between
  // lookups without clear().
  int lookup(const std::filesystem::path& path, double fs, std::int64_t t);
  void clear();

  std::int64_t windowStart() const { return wStart_; }
  std::int64_t windowEnd() const { return wEnd_; }
  std::size_t records() const { return instants_.size(); }

 private:
  bool reload(const std::filesystem::path& path, double fs, std::int64_t t);
  void clearWindow();

  // Where the last reload stopped keeping records: the offset after the
  // last one kept, that record, the largest instant up to it, the count of
  // records up to it and the file's step (once two are read). A later t
  // past that largest instant reads on from there.
  struct Resume {
    std::filesystem::path path;
    double fs = 0;
    long offset = -1;
    std::int64_t instant = 0, largest = 0, step = 0;
    int f0 = 0, records = 0;
  };
  Resume resume_;

  std::vector<int> tabPitchLu_;          // F0 values, Hz
  std::vector<std::int64_t> instants_;   // record times, samples
  std::int64_t wStart_ = 0, wEnd_ = 0;
  std::size_t last_ = 0;
  std::int64_t D_ = 0;
  bool valid_ = false;
};

struct CurrentPitchFile {
  std::filesystem::path path;  // empty when none
  std::string signal;          // the signal file it was made for
  PitchFileCache cache;
};
CurrentPitchFile& currentPitchFile();

// F0 at an absolute sample of the current signal from the current pitch file;
// 0 when there is none, it belongs to another signal, or no record applies.
int pitchFromFile(std::int64_t t);

// "&Open a pitch file" without the dialog: checks `path` (7901, 7902, and then
// 6930) and makes it the current pitch file of the current signal.
bool openPitchFile(const std::filesystem::path& path);

// Computes "current.pit" in the temporary directory for the current signal
// unless the current pitch file already belongs to it, and makes it current.
// The cache is emptied in any case. False when no pitch file is current then.
bool ensureCurrentPit();

}  // namespace ardv
