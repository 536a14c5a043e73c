// Pitch-file cache, lookup and the current pitch file.
#include "prosody/pitch_file_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/report.h"
#include "prosody/file_closer.h"
#include "prosody/pitch_file.h"
#include "prosody/pitch_types.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "texts/texts.h"

namespace ardv {
namespace {

void skipSpace(std::FILE* f) {
  int c;
  while ((c = std::getc(f)) != EOF && (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f')) {
  }
  if (c != EOF) std::ungetc(c, f);
}

// One decimal integer as "%d" reads it; false at the end, on anything else,
// or on a value that does not fit an int.
bool readInt(std::FILE* f, int& out) {
  skipSpace(f);
  int c = std::getc(f);
  bool negative = false;
  if (c == '-' || c == '+') {
    negative = c == '-';
    c = std::getc(f);
  }
  if (c == EOF || c < '0' || c > '9') return false;
  long long v = 0;
  while (c != EOF && c >= '0' && c <= '9') {
    v = v * 10 + (c - '0');
    if (v > 2147483648LL) return false;
    c = std::getc(f);
  }
  if (c != EOF) std::ungetc(c, f);
  v = negative ? -v : v;
  if (v > 2147483647LL || v < -2147483648LL) return false;
  out = static_cast<int>(v);
  return true;
}

bool readRecord(std::FILE* f, double fs, std::int64_t& instant, int& f0) {
  int ms = 0, hz = 0;
  if (!readInt(f, ms) || !readInt(f, hz)) return false;
  instant = msToSamples(ms, fs);
  f0 = hz;
  return true;
}

}  // namespace

void PitchFileCache::clearWindow() {
  tabPitchLu_.clear();
  instants_.clear();
  wStart_ = wEnd_ = 0;
  last_ = 0;
  D_ = 0;
  valid_ = false;
}

void PitchFileCache::clear() {
  clearWindow();
  resume_ = Resume{};
}

bool PitchFileCache::reload(const std::filesystem::path& path, double fs, std::int64_t t) {
  clearWindow();
  FileCloser in{std::fopen(path.string().c_str(), "rb")};
  if (!in.f) return false;
  std::int64_t instant = 0;
  int f0 = 0;
  // Every record before the resume point lies before t: reading on from
  // there finds what reading from the start would.
  const bool resumes = resume_.offset >= 0 && resume_.path == path && resume_.fs == fs && t > resume_.largest;
  if (resumes) {
    if (std::fseek(in.f, resume_.offset, SEEK_SET) != 0) return false;
  } else {
    resume_ = Resume{};
    resume_.path = path;
    resume_.fs = fs;
    skipSpace(in.f);
    char head[4];
    int got = 0;
    for (int c; got < 4 && (c = std::getc(in.f)) != EOF && !std::isspace(c); ++got) head[got] = static_cast<char>(c);
    if (got < 4 || std::string(head, 4) != ".pit") return false;
    while (true) {
      int c = std::getc(in.f);
      if (c == EOF || std::isspace(c)) break;
    }
  }
  Resume& r = resume_;
  // The record just read becomes the last one before the resume point.
  auto consumed = [&] {
    r.offset = std::ftell(in.f);
    r.instant = instant;
    r.f0 = f0;
    r.largest = r.records == 0 ? instant : std::max(r.largest, instant);
    // The file's own step, from its first two records, whatever window is
    // loaded: the same position always gets the same answer.
    if (r.records == 0) r.step = -instant;
    else if (r.records == 1) r.step += instant;
    ++r.records;
  };
  bool hasBefore = resumes && r.records > 0;
  std::int64_t before = r.instant;
  int f0Before = r.f0;
  bool more = true;
  while (true) {
    if (!readRecord(in.f, fs, instant, f0)) {
      more = false;
      break;
    }
    if (instant >= t) break;
    consumed();
    before = instant;
    f0Before = f0;
    hasBefore = true;
  }
  wStart_ = t;
  wEnd_ = t + memorySpanSamples(fs);
  // The record just before t stays too, so that t can be given the nearer one.
  if (hasBefore) {
    instants_.push_back(before);
    tabPitchLu_.push_back(f0Before);
  }
  // Past the end: only the last record, which a t just after it is nearest.
  while (more) {
    consumed();
    instants_.push_back(instant);
    tabPitchLu_.push_back(f0);
    if (!(more = readRecord(in.f, fs, instant, f0)) || instant >= wEnd_) break;
  }
  // The first record at or past the window's end too: a t up to the end may
  // lie nearer to it than to the last record inside.
  if (more) {
    instants_.push_back(instant);
    tabPitchLu_.push_back(f0);
  }
  // The record that ends the window still counts towards the step.
  const bool stepKnown = r.records >= 2 || (more && r.records == 1);
  const std::int64_t step = r.records >= 2 ? r.step : r.step + instant;
  instants_.shrink_to_fit();
  tabPitchLu_.shrink_to_fit();
  last_ = 0;
  D_ = stepKnown ? 5 * step : 5 * msToSamples(8.0, fs);
  valid_ = true;
  return true;
}

int PitchFileCache::lookup(const std::filesystem::path& path, double fs, std::int64_t t) {
  if (!valid_ || t < wStart_ || t > wEnd_) reload(path, fs, t);
  if (instants_.empty()) return 0;
  std::size_t k = std::min(last_, instants_.size() - 1);
  auto dist = [&](std::size_t i) { return std::llabs(t - instants_[i]); };
  while (k + 1 < instants_.size() && dist(k + 1) < dist(k)) ++k;
  while (k > 0 && dist(k - 1) < dist(k)) --k;
  last_ = k;
  return dist(k) < D_ ? tabPitchLu_[k] : 0;
}

CurrentPitchFile& currentPitchFile() {
  static CurrentPitchFile current;
  return current;
}

int pitchFromFile(std::int64_t t) {
  CurrentPitchFile& cur = currentPitchFile();
  const Program& prog = program();
  if (cur.path.empty() || !prog.fileLoaded || cur.signal != prog.en_cours.nom) return 0;
  return cur.cache.lookup(cur.path, prog.en_cours.frequence, t);
}

bool openPitchFile(const std::filesystem::path& path) {
  if (!checkPitchFilePath(path)) {
    message(text(6930));
    return false;
  }
  CurrentPitchFile& cur = currentPitchFile();
  cur.path = path;
  cur.signal = program().en_cours.nom;
  cur.cache.clear();
  return true;
}

bool ensureCurrentPit() {
  CurrentPitchFile& cur = currentPitchFile();
  const Program& prog = program();
  cur.cache.clear();
  if (!prog.fileLoaded) return false;
  if (!cur.path.empty() && cur.signal == prog.en_cours.nom) return true;
  std::error_code ec;
  if (!std::filesystem::is_directory(prog.dirs.temp, ec)) return false;
  const std::filesystem::path out = prog.dirs.temp / "current.pit";
  if (!pitchFileFromSignal(prog.en_cours, out, speakerF0Params(speakerType()), PitchOptions{})) return false;
  if (!checkPitchFilePath(out)) return false;
  cur.path = out;
  cur.signal = prog.en_cours.nom;
  return true;
}

}  // namespace ardv
