// Label files: the phoneme list in the QERN, NIST, SAM or ALIGN layout and the
// word list in the VECSYS, NIST, SAM or NOISEX layout, for signals read
// through a format profile. Each layout can also be formatted and parsed in
// memory (used by the file functions, the tests and the fuzz target).
#pragma once

#include <cstdint>
#include <string>

#include "annotation/notetiqs.h"
#include "signal/infofile.h"

namespace ardv {

// The phoneme list in the layout of `info.labelKind` (1 QERN, 2 NIST, 3 SAM,
// 4 ALIGN; any other non-zero value counts as 1). Only segments that end
// before `tf` samples are written, up to the first one that does not. The
// layouts use `info.frequence`, `swap` and `nom`.
std::string formatPhonemeFile(const notetiqs& list, const infoFile& info, std::int64_t tf);
// The word list in the layout of `info.annotationKind` (1 VECSYS, 2 NIST,
// 3 SAM, 4 NOISEX; other non-zero values count as 1), same rule.
std::string formatWordFile(const notetiqs& list, const infoFile& info, std::int64_t tf);

// Parses the content of a phoneme label file of `info.labelKind` into `list`
// (emptied first; kind 0 leaves it empty). Labels that are not phonemes of
// the language description leave their segment unlabelled; QERN, SAM and
// ALIGN count them and show UI text 4703 once. A malformed SAM line shows the
// line error (UI text 206, the line, 207, `path`) and ends the reading; an
// ALIGN text without its ".ali" line shows UI text 4701. Returns false after
// such a report; the boundaries read before stay in the list.
bool parsePhonemeFile(const std::string& content, const infoFile& info, const std::string& path, notetiqs& list);
// The same for a word file of `info.annotationKind` (texts are not checked).
// Malformed VECSYS lines show the line error and reading goes on; a malformed
// SAM/NOISEX line ends it. False when a line error was shown.
bool parseWordFile(const std::string& content, const infoFile& info, const std::string& path, notetiqs& list);

// Writes the phoneme list to `info.nom_man` / the word list to
// `info.nomAnnot` in the kind of `info`, for a signal of `tf` samples. Kind 0
// writes nothing (true). A name that may not be written gets the warning
// "<name> <UI text 3601>" and false. The file is written beside its name and
// replaces it only when complete: on failure (UI text 7701 with the name) a
// previous file stays as it was.
bool writeLabels(const notetiqs& list, const infoFile& info, std::int64_t tf);
bool writeAnnotations(const notetiqs& list, const infoFile& info, std::int64_t tf);

// Empties `list` and reads `info.nom_man` / `info.nomAnnot` of the kind of
// `info` into it. A file that cannot be opened gives UI text 4704 (phonemes;
// 4701 for ALIGN) or 4702 (words) and leaves the list empty. Returns false
// after any report.
bool readLabels(notetiqs& list, const infoFile& info);
bool readAnnotations(notetiqs& list, const infoFile& info);

}  // namespace ardv
