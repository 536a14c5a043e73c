// The measurement table of segments: one row per segment of a tier (or per
// match of phoneme sequences or of a word), with its neighbours' labels, and
// the one writer of its CSV and TSV lines.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "labels/notetiqs.h"
#include "measurement/measurement.h"
#include "search/corpus_search.h"
#include "signal/infofile.h"

namespace ardv {

struct SegmentRequest {
  bool words = false;  // the word tier, else the phoneme tier
  // Matches of these sequences (corpus search matching), or of `word`; both
  // empty: every labelled segment.
  std::vector<SearchSequence> sequences;
  std::string word;
};

struct SegmentRow {
  std::string file;
  std::string tier;      // "phonemes" or "words"
  std::string label;     // the labels of a match, comma-separated
  std::string previous;  // label before the segment ("" at the start)
  std::string next;      // label after it
  Measurement m;
};

// The segments of `list` the request asks for, in time order within each
// sequence.
std::vector<LabelSpan> requestedSegments(const notetiqs& list, const SegmentRequest& request);

// Measures `spans` of `list` on `file`: one analysis over the span of all of
// them, then one row each (`fileName` in the file column). False after the
// analysis's report; no row is given then.
bool measureSegments(const infoFile& file, const notetiqs& list, const std::vector<LabelSpan>& spans,
                     const SegmentRequest& request, const MeasureSettings& settings, const std::string& fileName,
                     const std::function<void(const SegmentRow&)>& row);

// Where the labels of a recording that is not a WAV file are.
struct LabelSource {
  std::filesystem::path labelDir;  // empty: beside the recording
  std::string labelExt;            // with its dot
  int labelKind = 1;
  int formatIndex = -1;  // profile of recordings that are not WAV files
};

// Describes recording `path` and reads the tier of `request`: WAV chunks,
// or the label file labelDir / stem + labelExt through the profile. False
// after a report naming the file.
bool readRecording(const std::filesystem::path& path, const SegmentRequest& request, const LabelSource& source,
                   infoFile& info, notetiqs& list);

// The header and the lines of the table; `separator` is ',' (CSV) or '\t'
// (TSV). A field holding the separator, a quote, CR or LF is quoted, its
// quotes doubled; numbers use '.'; a missing value is an empty field.
std::string segmentTableHeader(char separator);
std::string segmentTableLine(const SegmentRow& row, char separator);

}  // namespace ardv
