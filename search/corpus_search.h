// Phoneme-sequence and word search, in one boundary list and over a corpus of
// annotated recordings. A corpus search lists every occurrence and gathers
// them into one WAV file: each occurrence with up to 640 samples of faded
// context on each side, 1280 samples of silence before the first and after
// each, and a "phon" or "word" chunk carrying the matching labels.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "labels/notetiqs.h"

namespace ardv {

constexpr std::int32_t kSearchContextSamples = 640;
constexpr std::int32_t kSearchSilenceSamples = 1280;
constexpr int kSearchSequences = 5;
constexpr int kSearchSlots = 5;
constexpr int kSearchDefaultMax = 100;

// A sequence of phoneme labels and bracketed class names.
using SearchSequence = std::vector<std::string>;

// The sequences that remain once empty slots are dropped (the sequence
// closes up) and sequences without a filled slot are dropped.
std::vector<SearchSequence> compileSequences(const std::vector<SearchSequence>& slots);

// Parses "a,[nasal];i" into sequences: ';' separates sequences and ','
// items; blanks around items are dropped. Unknown phonemes or classes are
// named in `unknown` (the language description decides), and the result is
// then empty.
std::vector<SearchSequence> parseSequences(const std::string& text, std::string& unknown);

// One match in a list: labels first..last (segment indices).
struct LabelSpan {
  int first = 0;
  int last = 0;
};

// Calls `found` for every match of each sequence in turn, starting positions
// from 1 - L to n - 2 (labels outside the list are empty), until it returns
// false. Matching uses the language description's matches().
void findSequences(const notetiqs& list, const std::vector<SearchSequence>& sequences,
                   const std::function<bool(const LabelSpan&)>& found);
// Every segment whose label equals `word` exactly.
void findWord(const notetiqs& list, const std::string& word, const std::function<bool(const LabelSpan&)>& found);

// "Start\tEnd\tlabels" lines for the matches of the current signal's list
// (times in ms, halves away from zero), as the results file shows them.
std::vector<std::string> listMatches(const notetiqs& list, const std::vector<SearchSequence>& sequences,
                                     const std::string& word, double frequence);

struct CorpusSearch {
  // The word `word` when `words`, else the (compiled) `sequences`.
  bool words = false;
  std::vector<SearchSequence> sequences;
  std::string word;
  // Recordings to search, in order: WAV files are read with their chunks;
  // others through the profile `formatIndex` with the label file
  // labelDir / stem + labelExt of kind `labelKind`.
  std::vector<std::filesystem::path> files;
  // When not empty, the label file of each of `files` (same order).
  std::vector<std::filesystem::path> labelFiles;
  std::filesystem::path labelDir;
  std::string labelExt;
  int labelKind = 1;
  int formatIndex = -1;
  int maxCount = kSearchDefaultMax;
  // The gathered signal; empty: none is written.
  std::filesystem::path gathered;
};

struct CorpusOutcome {
  int files = 0;        // files searched
  int skipped = 0;      // files whose labels or samples could not be read
  int occurrences = 0;  // occurrences found
  bool maxReached = false;
  bool gatheredWritten = false;
  std::int64_t gatheredSamples = 0;
};

// Lines of the search: the results file lines, and one "file\tstart\tend\tlabels"
// line per occurrence for a list that merges by concatenation (control
// characters of the name and the labels written as \xHH).
struct SearchSinks {
  std::function<void(const std::string&)> results;
  std::function<void(const std::string&)> list;
};

// Runs the search; problems are reported naming their file and the other
// files are still searched. The gathered signal is written through the
// replacing writer only when at least one occurrence was copied; otherwise
// nothing is written. Returns false when the request is empty or the
// gathered signal could not be written.
bool searchCorpus(const CorpusSearch& request, const SearchSinks& sinks, CorpusOutcome& outcome);

// The files of `dir` to search, sorted by name: regular files (links
// followed) whose extension equals `ext` without regard to case (any
// extension for ".*"), hidden
// entries skipped. Entries that cannot be examined are counted in
// `unreadable`. False (text 7306) when the directory cannot be read.
bool listCorpus(const std::filesystem::path& dir, const std::string& ext, std::vector<std::filesystem::path>& files,
                int& unreadable);

// Keeps the part `index` (1-based) of `count` interleaved parts: the files
// at positions index - 1, index - 1 + count, ...
std::vector<std::filesystem::path> shardOf(const std::vector<std::filesystem::path>& files, int index, int count);

// Milliseconds of sample `position`, halves away from zero.
std::int64_t searchMs(std::int64_t position, double frequence);

}  // namespace ardv
