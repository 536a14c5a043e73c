// Praat TextGrid files: the phoneme and word lists as one TextGrid with the
// interval tiers "phonemes" and "words". Written in Praat's long text format
// (UTF-8); read in the long or the short text format, UTF-8 with or without
// a byte-order mark, or UTF-16 with its mark.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "labels/notetiqs.h"

namespace ardv {

// Name of the interval tier of each list.
inline constexpr const char* kPhonemeTierName = "phonemes";
inline constexpr const char* kWordTierName = "words";

// The TextGrid text of the two lists of a signal of `tf` samples at
// `frequence` Hz (times in seconds = samples / frequence; the grid runs from
// 0 to tf / frequence). The lists are fitted to tf first (fitToSignal), so a
// segment ending at tf is kept. Unlabelled stretches, before the first
// boundary and after the last, become empty intervals. Empty when
// frequence < 1e-10.
std::string formatTextGrid(const notetiqs& phonemes, const notetiqs& words, double frequence, std::int64_t tf);

// Parses a TextGrid into the two lists: the interval tier named "phonemes"
// (or else the first interval tier) and the tier named "words" (or else the
// next interval tier). Times become samples rounded to the nearest, fitted
// to a signal of tf samples (fitToSignal; tf <= 0: length unknown) with a
// warning when a time lay outside it. Each labelled interval gives its two
// boundaries and its label; an empty interval keeps its boundaries except the
// grid's own start and end. Point tiers are skipped. Returns false after one
// message naming `path` when the text is not a readable TextGrid or has no
// interval tier; the lists are then unchanged. A list whose tier is missing
// stays as it was.
bool parseTextGrid(const std::string& content, double frequence, std::int64_t tf, const std::string& path,
                   notetiqs& phonemes, notetiqs& words);

// The tiers of a TextGrid text by name: every tier (point tiers too), and
// the tiers parseTextGrid reads into the phoneme and word lists ("" for
// none). Nothing when the text is not a readable TextGrid.
struct TextGridTiers {
  std::vector<std::string> all;
  std::string phonemes, words;
};
std::optional<TextGridTiers> textGridTiers(const std::string& content);

// A tier shown read-only beside the two lists: its name and its intervals
// (for a point tier, points: start == end), times as samples rounded to the
// nearest, in the order of the file.
struct ShownTier {
  struct Item {
    std::int64_t start = 0, end = 0;
    std::string text;
  };
  std::string name;
  bool points = false;
  std::vector<Item> items;
};
// The tiers of a TextGrid text other than the two parseTextGrid reads into
// the lists, in file order, at `frequence` Hz. Nothing when the text is not a
// readable TextGrid or frequence < 1e-10.
std::optional<std::vector<ShownTier>> otherTextGridTiers(const std::string& content, double frequence);

// The TextGrid text of the two lists written over the TextGrid text
// `previous`: the interval tiers parseTextGrid would read into the lists hold
// the lists instead (with their names, in their places; a missing one comes
// first, named as formatTextGrid names it), and every other tier, point tiers
// too, is written again with its times as they were written and its texts, in
// the long format (byte for byte the same when `previous` is in the long
// format). The grid spans every tier. Nothing when `previous` is not a
// readable TextGrid.
std::optional<std::string> mergeTextGrid(const std::string& previous, const notetiqs& phonemes,
                                         const notetiqs& words, double frequence, std::int64_t tf);

// Writes formatTextGrid to `path` (beside it first, then renamed over it: a
// failure leaves a previous file as it was), then warns when a boundary lay
// outside 0..tf. With `keepOtherTiers`, a readable TextGrid at `path` keeps
// its other tiers (mergeTextGrid). False after one message.
bool exportTextGrid(const std::string& path, const notetiqs& phonemes, const notetiqs& words, double frequence,
                    std::int64_t tf, bool keepOtherTiers = false);

// Reads `path` with parseTextGrid. False after one message; lists unchanged.
bool importTextGrid(const std::string& path, double frequence, std::int64_t tf, notetiqs& phonemes,
                    notetiqs& words);

}  // namespace ardv
