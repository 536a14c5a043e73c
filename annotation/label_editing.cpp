// Editing the annotation lists at a sample position.

#include "annotation/label_editing.h"

#include "platform/report.h"
#include "signal/program.h"
#include "texts/texts.h"

namespace ardv {

MouseEditMode mouseEditModeFor(bool ctrl, bool shift) {
  if (ctrl) return shift ? MouseEditMode::Remove : MouseEditMode::Split;
  return shift ? MouseEditMode::Move : MouseEditMode::None;
}

notetiqs& paneList(AnnotationPane pane) { return pane == AnnotationPane::Phonemes ? program().etiq : program().note; }

bool paneEditable(AnnotationPane pane) {
  const Program& p = program();
  const bool saveable = pane == AnnotationPane::Phonemes ? p.etiqSaveable : p.noteSaveable;
  if (p.fileLoaded && saveable) return true;
  message(text(pane == AnnotationPane::Phonemes ? 3803 : 2506));
  return false;
}

bool applyMouseEdit(AnnotationPane pane, MouseEditMode mode, std::int32_t p) {
  if (mode == MouseEditMode::None || !paneEditable(pane)) return false;
  notetiqs& list = paneList(pane);
  bool changed = false;
  switch (mode) {
    case MouseEditMode::Split:
      changed = list.split(p) >= 0;
      break;
    case MouseEditMode::Remove:
      changed = list.remove(p);
      break;
    case MouseEditMode::Move:
      changed = list.move(p) >= 0;
      break;
    case MouseEditMode::None:
      break;
  }
  if (changed) program().annotationsModified = true;
  return changed;
}

int segmentAt(const notetiqs& list, std::int32_t p) {
  const int i = list.findLE(p);
  return i >= 0 && i + 1 < list.count() ? i : -1;
}

namespace {
bool setTextAt(AnnotationPane pane, std::int32_t p, const std::string& label, int missingText) {
  if (!paneEditable(pane)) return false;
  notetiqs& list = paneList(pane);
  const int i = segmentAt(list, p);
  if (i < 0) {
    message(text(missingText));
    return false;
  }
  list.SetText(i, label);
  program().annotationsModified = true;
  return true;
}
}  // namespace

bool setWordTextAt(std::int32_t p, const std::string& text) {
  std::string trimmed = text;
  while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) trimmed.pop_back();
  return setTextAt(AnnotationPane::Words, p, trimmed, 2504);
}

bool setPhonemeLabelAt(std::int32_t p, const std::string& label) {
  return setTextAt(AnnotationPane::Phonemes, p, label, 3801);
}

}  // namespace ardv
