// Undo and redo of the edits of the current signal in one history: every
// annotation edit (a copy of both lists taken before it) and the last edit of
// the samples, which is undone by editCancel as before (one level: an edit of
// the samples drops the history older than the previous one, which no longer
// fits the samples once that one cannot be cancelled any more). Redo puts
// back undone steps, a cancelled edit of the samples among them.
#pragma once

namespace ardv {

// After an annotation list of the current signal changed (or may have):
// when the lists differ from what they were after the previous step, the
// change becomes one undoable step and the undone steps are dropped.
// Returns whether a step was recorded. Moves that follow the pointer are
// one step when this is called only once the button is released.
bool commitAnnotationEdit();

// Undoes the newest step: an annotation step puts both lists back (they are
// then marked modified) and may be redone; an edit of the samples, or an
// empty history, goes to editCancel (which says UI text 1029 when there is
// nothing to cancel). Returns whether something was undone.
bool undoEdit();

// Redoes the newest undone step; "Nothing to redo." and false when there is
// none (a new edit drops the undone steps). A cancelled edit of the samples
// comes back as it was before the Cancel (samples, view, annotations, and
// Cancel able to undo it again) while the signal's file is unchanged; after
// a save it is refused with a message and the undone steps are dropped.
bool redoEdit();
bool canRedo();

// Forgets every step (another signal was opened).
void clearEditHistory();

}  // namespace ardv
