// Label files: the phoneme list in the QERN, NIST, SAM or ALIGN layout and the
// word list in the VECSYS, NIST, SAM or NOISEX layout, for signals read
// through a format profile. Each layout can also be formatted and parsed in
// memory (used by the file functions, the tests and the fuzz target).
#pragma once

#include <cstdint>
#include <string>

#include "labels/notetiqs.h"
#include "signal/infofile.h"

namespace ardv {

// The phoneme list in the layout of `info.labelKind` (1 QERN, 2 NIST, 3 SAM,
// 4 ALIGN; any other non-zero value counts as 1), fitted first to a signal of
// `tf` samples (fitToSignal: a segment ending at tf is written, positions
// outside 0..tf are moved to its ends; tf <= 0: length unknown). The layouts
// use `info.frequence`, `swap` and `nom`.
std::string formatPhonemeFile(const notetiqs& list, const infoFile& info, std::int64_t tf);
// The word list in the layout of `info.annotationKind` (1 VECSYS, 2 NIST,
// 3 SAM, 4 NOISEX; other non-zero values count as 1), same rule.
std::string formatWordFile(const notetiqs& list, const infoFile& info, std::int64_t tf);

// Parses the content of a phoneme label file of `info.labelKind` into `list`
// (kind 0 empties it). UTF-16 with a byte-order mark is read as the TextGrid
// reader does. Records may come in any order (sorted once, O(n log n)).
// Labels that are not phonemes of the language description leave their
// segment unlabelled; QERN, SAM and ALIGN count them and show UI text 4703
// once. Positions are fitted to `info.sampleCount()` samples with a warning
// when one lay outside. Lines that cannot be read (a segment ending at or
// before its start among them) are skipped and reported once with the line
// error (UI text 206, the first of them, 207, `path`, the count of the
// others); a SAM record without its start or end ends the reading. A text
// that gives no record although it is not blank leaves `list` unchanged with
// "no records read from PATH (is it KIND? UTF-16?)"; an ALIGN text without
// its ".ali" line shows UI text 4701. Returns false after any report.
bool parsePhonemeFile(const std::string& content, const infoFile& info, const std::string& path, notetiqs& list);
// The same for a word file of `info.annotationKind` (texts are not checked).
bool parseWordFile(const std::string& content, const infoFile& info, const std::string& path, notetiqs& list);

// Writes the phoneme list to `info.nom_man` / the word list to
// `info.nomAnnot` in the kind of `info`, for a signal of `tf` samples. Kind 0
// writes nothing (true). A name that may not be written gets the warning
// "<name> <UI text 3601>" and false; a label holding a line break is refused
// (message naming the file and the label, false), since it would become
// extra lines. The file is written beside its name and replaces it only when
// complete: on failure (UI text 7701 with the name) a previous file stays as
// it was. Positions moved to fit the signal are reported once it is written.
bool writeLabels(const notetiqs& list, const infoFile& info, std::int64_t tf);
bool writeAnnotations(const notetiqs& list, const infoFile& info, std::int64_t tf);

// Reads `info.nom_man` / `info.nomAnnot` of the kind of `info` into `list`
// (parsePhonemeFile / parseWordFile). A file that cannot be opened gives UI
// text 4704 (phonemes; 4701 for ALIGN) or 4702 (words). `list` is unchanged
// when nothing was read. Returns false after any report.
bool readLabels(notetiqs& list, const infoFile& info);
bool readAnnotations(notetiqs& list, const infoFile& info);

// A label file's format by name: "textgrid", "qern", "align" (phonemes),
// "vecsys", "noisex" (words), "nist" and "sam" (the tier's layout). `code`
// is the labelKind or annotationKind. False for any other name.
struct LabelFileFormat {
  bool textGrid = false;
  bool words = false;
  int code = 0;
};
bool labelFileFormatByName(const std::string& name, bool wordsTier, LabelFileFormat& format);

// The labelKind (phonemes) or annotationKind (words) of a layout name of that
// tier, as the corpus commands take it: 0 for a name of another tier or none.
int labelFileCodeByName(const std::string& name, bool wordsTier);

// `signal` described for reading or writing `path` as a label file of `format`.
infoFile labelFileTarget(const infoFile& signal, const LabelFileFormat& format, const std::string& path);

}  // namespace ardv
