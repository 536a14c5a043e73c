// Formant listings ("*.for"): no type word, one line per frame,
//   "date %ld (%ld ms) " then for k = 1..6 "F%1d=%.5g %.5g %.5g "
// with the frequency, the parallel amplitude and the parallel bandwidth of
// formant k, then "\n". The first number is the frame date in ms, and so is
// the parenthesised one (it is not read back). Lines hold at most 300
// characters.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ardv {

inline constexpr int kListedFormants = 6;
inline constexpr std::size_t kMaxListingLine = 300;

struct ListedFormant {
  double frequency = 0;  // Hz; 0 where the formant is absent
  double amplitude = 0;  // Ak, dB
  double bandwidth = 0;  // Bkp, Hz
};

struct FormantListingFrame {
  std::int32_t dateMs = 0;
  std::array<ListedFormant, kListedFormants> formants{};
};

// One line of the listing, appended to `out`.
void appendFormantListingLine(std::string& out, const FormantListingFrame& frame);

// Writes the frames through ReplacingFile; false after text 6403 with the
// file's name and the reason.
bool writeFormantListing(const std::filesystem::path& file, const std::vector<FormantListingFrame>& frames);

// Reads every line (blank lines are skipped). False, `frames` empty, after
// text 6406 with the file's name, the line number and what is wrong: a file
// that cannot be opened or is not regular, a line over 300 characters, a
// line not of the form above, a number that is not finite, dates that go
// backwards or lie beyond ±1e9 ms.
bool readFormantListing(const std::filesystem::path& file, std::vector<FormantListingFrame>& frames);

}  // namespace ardv
