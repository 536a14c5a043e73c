// The edit history: copies of the annotation lists and markers of the edits
// of the samples, newest last; a cancelled edit of the samples is redone by
// putting back the state taken before its Cancel.
#include "editing/edit_history.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "editing/edit_clipboard.h"
#include "editing/edit_context.h"
#include "platform/report.h"
#include "signal/program.h"
#include "signal/signal_listener.h"

namespace ardv {
namespace {

// Steps kept; older ones are forgotten.
constexpr std::size_t kMaxSteps = 200;

struct Lists {
  notetiqs etiq, note;
};

// Everything a cancelled edit of the samples changed, taken before the
// Cancel, and the file it stands on (a save changes that file, and the state
// then no longer fits it).
struct SampleState {
  infoFile en_cours;
  DisplayContext ct;
  SHORTbuf memory;
  Lists lists;
  bool annotationsModified = false;
  EditContext edit;
  std::filesystem::file_time_type written;
  std::uintmax_t bytes = 0;
};

struct Step {
  bool samples = false;  // an edit of the samples (editCancel undoes it)
  Lists lists;           // otherwise: the lists before (undo) or after (redo)
  std::shared_ptr<SampleState> state;  // redo of a cancelled edit of the samples
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
  h.undo.push_back({true, {}, nullptr});
  h.redo.clear();
  h.baseline = current();
}

// The file's time and size, to tell whether it changed; false when it
// cannot be read.
bool stamp(const std::string& path, std::filesystem::file_time_type& written, std::uintmax_t& bytes) {
  std::error_code ec;
  written = std::filesystem::last_write_time(path, ec);
  if (ec) return false;
  bytes = std::filesystem::file_size(path, ec);
  return !ec;
}

std::shared_ptr<SampleState> sampleState() {
  try {
    const Program& p = program();
    auto state = std::make_shared<SampleState>(SampleState{p.en_cours, p.ct, p.memory, current(),
                                                           p.annotationsModified, editContext(), {}, 0});
    if (state->memory.size() != p.memory.size()) return nullptr;  // the copy could not be had
    return state;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// Puts back a cancelled edit of the samples when the file it stands on has
// not changed since the Cancel.
bool redoSamples(SampleState& state) {
  Program& p = program();
  std::filesystem::file_time_type written;
  std::uintmax_t bytes = 0;
  if (p.en_cours.nom != state.en_cours.nom || !stamp(p.en_cours.nom, written, bytes) || written != state.written ||
      bytes != state.bytes) {
    message("The cancelled edit of the samples cannot be redone: " + p.en_cours.nom + " changed since.");
    return false;
  }
  const std::uint64_t serial = editContext().editSerial;
  p.en_cours = std::move(state.en_cours);
  p.ct = state.ct;
  p.memory = std::move(state.memory);
  p.etiq = std::move(state.lists.etiq);
  p.note = std::move(state.lists.note);
  p.annotationsModified = state.annotationsModified;
  editContext() = std::move(state.edit);
  editContext().editSerial = serial;
  currentSignalListener().redrawAll();
  return true;
}

}  // namespace

bool commitAnnotationEdit() {
  History& h = history();
  catchUp();
  if (same(h.baseline, current())) return false;
  h.undo.push_back({false, std::exchange(h.baseline, current()), nullptr});
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
    // What the edit made, to redo it: only while the file is unchanged (a
    // Cancel that went through the file itself cannot be redone).
    std::shared_ptr<SampleState> before = editContext().lastEdit != kEditNone ? sampleState() : nullptr;
    if (before && !stamp(program().en_cours.nom, before->written, before->bytes)) before = nullptr;
    const bool done = editCancel();
    if (done && !h.undo.empty()) h.undo.pop_back();
    if (done) h.redo.clear();
    std::filesystem::file_time_type written;
    std::uintmax_t bytes = 0;
    if (done && before && program().en_cours.nom == before->en_cours.nom &&
        stamp(program().en_cours.nom, written, bytes) && written == before->written && bytes == before->bytes)
      h.redo.push_back({true, {}, std::move(before)});
    h.seenSerial = editContext().editSerial;  // Cancel of a paste cuts
    h.baseline = current();
    return done;
  }
  Step step = std::move(h.undo.back());
  h.undo.pop_back();
  h.redo.push_back({false, current(), nullptr});
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
  if (step.samples) {
    if (!redoSamples(*step.state)) {
      h.redo.clear();
      return false;
    }
    h.undo.push_back({true, {}, nullptr});
    h.seenSerial = editContext().editSerial;
    h.baseline = current();
    return true;
  }
  h.undo.push_back({false, current(), nullptr});
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
