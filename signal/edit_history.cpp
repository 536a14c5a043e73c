// The edit history: copies of the annotation lists and markers of the edits
// of the samples, newest last.
#include "signal/edit_history.h"

#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "platform/report.h"
#include "signal/edit_clipboard.h"
#include "signal/edit_context.h"
#include "signal/program.h"

namespace ardv {
namespace {

// Steps kept; older ones are forgotten.
constexpr std::size_t kMaxSteps = 200;

struct Lists {
  notetiqs etiq, note;
};

struct Step {
  bool samples = false;  // an edit of the samples (editCancel undoes it)
  Lists lists;           // otherwise: the lists before (undo) or after (redo)
};

struct History {
  std::deque<Step> undo;
  std::vector<Step> redo;
  Lists baseline;  // the lists after the newest step
  std::uint64_t seenSerial = 0;
};

History& history() {
  static History h;
  return h;
}

Lists current() { return {program().etiq, program().note}; }

bool sameList(const notetiqs& a, const notetiqs& b) {
  const auto &x = a.items(), &y = b.items();
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i)
    if (x[i].limite != y[i].limite || x[i].text != y[i].text) return false;
  return true;
}

bool same(const Lists& a, const Lists& b) { return sameList(a.etiq, b.etiq) && sameList(a.note, b.note); }

void restore(Lists lists) {
  program().etiq = std::move(lists.etiq);
  program().note = std::move(lists.note);
  program().annotationsModified = true;
}

// An edit of the samples made since the last look becomes a step. Only the
// last one can be cancelled, so the steps before the previous one go.
void catchUp() {
  History& h = history();
  const std::uint64_t serial = editContext().editSerial;
  if (serial == h.seenSerial) return;
  h.seenSerial = serial;
  for (std::size_t i = h.undo.size(); i-- > 0;) {
    if (h.undo[i].samples) {
      h.undo.erase(h.undo.begin(), h.undo.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      break;
    }
  }
  h.undo.push_back({true, {}});
  h.redo.clear();
  h.baseline = current();
}

}  // namespace

bool commitAnnotationEdit() {
  History& h = history();
  catchUp();
  if (same(h.baseline, current())) return false;
  h.undo.push_back({false, std::exchange(h.baseline, current())});
  if (h.undo.size() > kMaxSteps) h.undo.pop_front();
  h.redo.clear();
  return true;
}

bool undoEdit() {
  History& h = history();
  commitAnnotationEdit();  // a change not yet recorded is undone first
  // An edit of the samples that can no longer be cancelled: the steps
  // before it do not fit the samples any more.
  if (!h.undo.empty() && h.undo.back().samples && editContext().lastEdit == kEditNone) h.undo.clear();
  if (h.undo.empty() || h.undo.back().samples) {
    const bool done = editCancel();
    if (done && !h.undo.empty()) h.undo.pop_back();
    if (done) h.redo.clear();
    h.seenSerial = editContext().editSerial;  // Cancel of a paste cuts
    h.baseline = current();
    return done;
  }
  Step step = std::move(h.undo.back());
  h.undo.pop_back();
  h.redo.push_back({false, current()});
  restore(std::move(step.lists));
  h.baseline = current();
  return true;
}

bool redoEdit() {
  History& h = history();
  commitAnnotationEdit();
  if (h.redo.empty()) {
    message("Nothing to redo.");
    return false;
  }
  Step step = std::move(h.redo.back());
  h.redo.pop_back();
  h.undo.push_back({false, current()});
  restore(std::move(step.lists));
  h.baseline = current();
  return true;
}

bool canRedo() {
  catchUp();
  return !history().redo.empty();
}

void clearEditHistory() {
  History& h = history();
  h = History{};
  h.seenSerial = editContext().editSerial;
  h.baseline = current();
}

}  // namespace ardv
