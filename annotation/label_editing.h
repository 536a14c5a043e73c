// Editing the annotation lists of the current signal at a sample position, as
// the two annotation panes do with the mouse: split, remove and move a
// boundary, change a word's text, set a phoneme label. The panes only turn
// pixels into sample positions and keys into a mode.
#pragma once

#include <cstdint>
#include <string>

#include "labels/notetiqs.h"

namespace ardv {

enum class AnnotationPane { Phonemes, Words };
enum class MouseEditMode { None, Split, Remove, Move };

// The mode set when the left button is pressed: Ctrl alone splits,
// Ctrl+Shift removes, Shift alone moves.
MouseEditMode mouseEditModeFor(bool ctrl, bool shift);

// The list of a pane (program().etiq or program().note).
notetiqs& paneList(AnnotationPane pane);

// May the pane's list be edited? A loaded file and a saveable list;
// otherwise UI text 3803 (phonemes) or 2506 (words) and false.
bool paneEditable(AnnotationPane pane);

// Applies the mode at sample position p (the release position) to the
// pane's list and sets the modified flag. False when the pane may not be
// edited, the mode is None, or the list refused (remove shows UI text 5601).
bool applyMouseEdit(AnnotationPane pane, MouseEditMode mode, std::int32_t p);

// Index of the segment containing p (findLE), or -1 when p lies before the
// first boundary or at or after the last one.
int segmentAt(const notetiqs& list, std::int32_t p);

// Word pane double click: sets the text of the word segment containing p to
// `text` without its trailing blanks. Without such a segment, UI text 2504
// and false. Sets the modified flag.
bool setWordTextAt(std::int32_t p, const std::string& text);

// Phoneme pane double click: sets the label of the phoneme segment
// containing p (UI text 3801 when there is none).
bool setPhonemeLabelAt(std::int32_t p, const std::string& label);

}  // namespace ardv
