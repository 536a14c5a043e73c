// Cut, Copy, Paste, Delete and Cancel.

#include "editing/edit_clipboard.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

#include "editing/edit_context.h"
#include "editing/edit_rewrite.h"
#include "editing/edit_save.h"
#include "platform/dialogs.h"
#include "platform/report.h"
#include "signal/annotation_chunk.h"
#include "signal/current_signal.h"
#include "signal/infofile_io.h"
#include "signal/program.h"
#include "signal/signal_listener.h"
#include "signal/transports.h"
#include "signal/wav_layout.h"
#include "signal/wavfile.h"
#include "signal/write_sound_file.h"
#include "texts/texts.h"

namespace ardv {
namespace {

void redraw() { currentSignalListener().redrawAll(); }

std::size_t memoryIndex(std::int32_t sample) { return static_cast<std::size_t>(sample - program().ct.d_e); }

// The insertion made in the file itself, through its ".bak" copy.
bool insertIntoFile(const infoFile& source, std::int32_t p, std::int32_t n) {
  const std::int64_t head = 2 * static_cast<std::int64_t>(p);
  return rewriteThroughBackup(source, head, 2 * static_cast<std::int64_t>(n), head, "inserting");
}

// Writes memory samples a..b with the marks the cut of that stretch takes
// into the WAV file `path`, described into `described`.
bool writeSelection(std::int32_t a, std::int32_t b, const std::string& path, infoFile& described) {
  Program& p = program();
  const std::vector<std::int16_t> samples(p.memory.data() + memoryIndex(a), p.memory.data() + memoryIndex(b) + 1);
  notetiqs phon, word;
  p.etiq.extract(a, b + 1, phon);
  p.note.extract(a, b + 1, word);
  if (!writeWavFile(path, samples, p.en_cours.frequence, phon, word)) return false;
  described = infoFile{};
  described.nom = path;
  return init_infoFile_read_WAV(described);
}

}  // namespace

bool saveSelectionToClip(std::int32_t a, std::int32_t b, const std::string& path) {
  infoFile clip;
  if (!writeSelection(a, b, path, clip)) return false;
  editContext().clip = clip;
  return true;
}

bool cut(std::int32_t a, std::int32_t b, bool toClipboard) {
  Program& p = program();
  DisplayContext& ct = p.ct;
  if (a > b || a < ct.d_e || b > ct.f_e) {
    message(text(1005));
    return false;
  }
  // The undo record is a file of its own: a later Copy must not change it.
  infoFile clipboard;
  if (toClipboard && !writeSelection(a, b, clipboardPath().string(), clipboard)) return false;
  if (!saveSelectionToClip(a, b, undoPath().string())) return false;
  EditContext& e = editContext();
  e.lastEdit = kEditCut;
  ++e.editSerial;
  e.editStart = a;
  e.editEnd = b;
  p.etiq.removeRange(a, b + 1);
  p.note.removeRange(a, b + 1);

  const std::int32_t n = b - a + 1;
  std::int16_t* data = p.memory.data();
  std::copy(data + memoryIndex(b) + 1, data + p.memory.size(), data + memoryIndex(a));
  p.memory.newsize(p.memory.size() - n);
  ct.f_e -= n;
  if (ct.f_e < ct.f_a && e.lastFileSampleInMemory < ct.tf - 1) {
    const std::int32_t k = std::min(ct.tf - 1 - e.lastFileSampleInMemory, ct.f_a - ct.f_e);
    const std::int32_t at = p.memory.size();
    if (p.memory.newsize(static_cast<std::int64_t>(at) + k) &&
        lireSignal(p.en_cours, p.en_cours.depl + 2 * (static_cast<std::int64_t>(e.lastFileSampleInMemory) + 1),
                   p.memory, at, k) == k) {
      ct.f_e += k;
      e.lastFileSampleInMemory += k;
    } else {
      p.memory.newsize(at);  // memory stays valid; the rest is read later
    }
  }
  ct.f_es = std::min(ct.f_e, ct.f_a);
  e.samplesModified = p.annotationsModified = true;
  redraw();
  return true;
}

std::int32_t insertSourceAt(const infoFile& source, std::int32_t p, bool silent) {
  Program& prog = program();
  DisplayContext& ct = prog.ct;
  EditContext& e = editContext();
  if (p < ct.d_e || p > ct.f_e + 1) {
    message(text(1006));
    return 0;
  }
  const std::int64_t n64 = source.longueur / 2;
  if (n64 <= 0) {
    message(text(1007));
    return 0;
  }
  if (n64 > 0x7fffffff - static_cast<std::int64_t>(editedLength())) {
    message("The file " + source.nom + " is too long to be inserted.");
    return 0;
  }
  const std::int32_t n = static_cast<std::int32_t>(n64);
  const bool tooLarge = static_cast<std::int64_t>(ct.f_e) + n - ct.d_e + 1 > editMemoryLimit(prog.en_cours.frequence);
  bool saved = false;
  if (tooLarge && !silent) {
    const SaveOutcome outcome = askSaveModifications();
    if (outcome == SaveOutcome::Abandon) {
      e.lastEdit = kEditNone;
      return 0;
    }
    saved = outcome == SaveOutcome::Saved;
  }
  const bool inFile = tooLarge || silent;
  if (inFile && !silent && !saved && !dialogs().confirmFileUpdate(prog.en_cours.nom)) return 0;
  if (inFile && e.samplesModified && !saveCurrent(prog.en_cours)) return 0;  // the file must hold memory's edits

  notetiqs phon, word;
  if (isWavName(source.nom)) {
    readnotetiqs(source.nom, phon, source.etiqdepl, source.etiqlongueur, source.sampleCount());
    readnotetiqs(source.nom, word, source.notedepl, source.notelongueur, source.sampleCount());
  }
  const notetiqs etiqBefore = prog.etiq, noteBefore = prog.note;
  prog.etiq.insertList(p, n, phon);
  prog.note.insertList(p, n, word);

  if (!inFile) {
    SHORTbuf grown(0, "memory samples");
    const std::int32_t at = static_cast<std::int32_t>(memoryIndex(p));
    if (!grown.newsize(static_cast<std::int64_t>(prog.memory.size()) + n) ||
        lireSignal(source, source.depl, grown, at, n) != n) {
      prog.etiq = etiqBefore;
      prog.note = noteBefore;
      return 0;
    }
    std::copy(prog.memory.data(), prog.memory.data() + at, grown.data());
    std::copy(prog.memory.data() + at, prog.memory.data() + prog.memory.size(), grown.data() + at + n);
    prog.memory.swap(grown);
    ct.f_e += n;
    ct.f_es = std::min(ct.f_a, ct.f_e);
    e.samplesModified = prog.annotationsModified = true;
  } else if (!insertIntoFile(source, p, n)) {
    prog.etiq = etiqBefore;
    prog.note = noteBefore;
    return 0;
  }
  e.lastEdit = kEditInsert;
  ++e.editSerial;
  e.editStart = p;
  e.editEnd = p + n - 1;
  redraw();
  return n;
}

std::int32_t insertFileAt(const std::string& name, std::int32_t p, int formatIndex) {
  infoFile source;
  source.nom = name;
  source.formatIndex = formatIndex;
  if (!init_infoFile_read(source)) return 0;
  return insertSourceAt(source, p, true);
}

bool editCut() {
  if (!editableSignal() || !selectionInMemory(1005)) return false;
  DisplayContext& ct = program().ct;
  if (!cut(ct.d_sel, ct.f_sel, true)) return false;
  ct.d_sel = ct.f_sel = -1;
  return true;
}

bool editDelete() {
  if (!editableSignal() || !selectionInMemory(1005)) return false;
  DisplayContext& ct = program().ct;
  if (!cut(ct.d_sel, ct.f_sel, false)) return false;
  ct.d_sel = ct.f_sel = -1;
  return true;
}

bool editCopy() {
  syncEditState();
  if (!program().fileLoaded || !selectionInMemory(1010)) return false;
  infoFile clipboard;  // the undo record stays as it is
  return writeSelection(program().ct.d_sel, program().ct.f_sel, clipboardPath().string(), clipboard);
}

namespace {
bool pasteSource(const infoFile& source) {
  // Samples taken at another rate would play at the wrong pitch and speed.
  if (std::abs(source.frequence - program().en_cours.frequence) > 1e-10) {
    message(text(1018));
    return false;
  }
  DisplayContext& ct = program().ct;
  const std::int32_t p = ct.d_sel;
  const std::int32_t n = insertSourceAt(source, p, false);
  if (n == 0) return false;
  ct.d_sel = p;
  ct.f_sel = std::min(p + n - 1, ct.f_es);
  return true;
}
}  // namespace

bool editPaste() {
  if (!editableSignal() || !selectionInMemory(1010)) return false;
  infoFile clip;
  clip.nom = clipboardPath().string();
  std::error_code error;
  if (!std::filesystem::exists(clip.nom, error)) {
    message(text(1007));  // nothing cut or copied yet
    return false;
  }
  if (!init_infoFile_read_WAV(clip)) return false;
  editContext().insertSource = clip;
  return pasteSource(clip);
}

bool editPasteFromFile(const infoFile& source) {
  if (!editableSignal() || !selectionInMemory(1008)) return false;
  editContext().insertSource = source;
  return pasteSource(source);
}

bool editCancel() {
  if (!editableSignal()) return false;
  Program& p = program();
  EditContext& e = editContext();
  const std::int32_t kind = e.lastEdit;
  bool done = false;
  switch (kind) {
    case kEditCut:
    case kEditCutAgain:
      done = insertSourceAt(e.clip, e.editStart, false) > 0;
      break;
    case kEditInsert:
      done = cut(e.editStart, e.editEnd, false);
      break;
    case kEditReplace:
      done = true;
      break;
    case kEditNone:
      message(text(1029));
      return false;
    default: {
      infoFile saved;
      saved.nom = undoPath().string();
      if (!init_infoFile_read_WAV(saved)) return false;
      const std::int64_t n = saved.longueur / 2;
      if (e.editStart < p.ct.d_e || e.editStart + n - 1 > p.ct.f_e) {
        debugMessage("editCancel(): the saved stretch lies outside memory");
        return false;
      }
      done = lireSignal(saved, saved.depl, p.memory, static_cast<std::int32_t>(memoryIndex(e.editStart)),
                        static_cast<std::int32_t>(n)) == n;
      if (done) e.samplesModified = true;
      redraw();
    }
  }
  if (done) e.lastEdit = kEditNone;
  return done;
}

}  // namespace ardv
