// Replacement by a file.

#include "editing/edit_replace.h"

#include <algorithm>

#include "editing/edit_context.h"
#include "editing/edit_rewrite.h"
#include "editing/edit_save.h"
#include "platform/report.h"
#include "signal/annotation_chunk.h"
#include "signal/current_signal.h"
#include "signal/infofile_io.h"
#include "signal/program.h"
#include "signal/signal_listener.h"
#include "signal/transports.h"
#include "signal/wavfile.h"
#include "signal/write_sound_file.h"
#include "texts/texts.h"

namespace ardv {
namespace {

// Rewrites the current file with the source over samples p..p+n-1.
bool replaceInFile(const infoFile& source, std::int32_t p, std::int32_t n) {
  const std::int64_t length = program().en_cours.longueur;
  const std::int64_t head = std::min<std::int64_t>(2 * static_cast<std::int64_t>(p), length);
  const std::int64_t tail = std::min<std::int64_t>(head + 2 * static_cast<std::int64_t>(n), length);
  return rewriteThroughBackup(source, head, 2 * static_cast<std::int64_t>(n), tail, "replacing");
}

}  // namespace

std::int32_t replaceAt(std::int32_t p, bool silent) {
  if (!editableSignal()) return 0;
  Program& prog = program();
  DisplayContext& ct = prog.ct;
  EditContext& e = editContext();
  const infoFile source = e.replaceSource;
  if (p < ct.d_e || p > ct.f_e) {
    message(text(1032));
    return 0;
  }
  const std::int64_t n64 = source.longueur / 2;
  if (n64 <= 0) {
    message(text(1033));
    return 0;
  }
  if (n64 > 0x7ffffffe - static_cast<std::int64_t>(p)) {
    message("The file " + source.nom + " is too long to replace a stretch.");
    return 0;
  }
  const std::int32_t n = static_cast<std::int32_t>(n64);
  const bool tooLarge = static_cast<std::int64_t>(p) + n - ct.d_e + 1 > editMemoryLimit(prog.en_cours.frequence);
  if (tooLarge && !silent && askSaveModifications() == SaveOutcome::Abandon) return 0;
  const bool inFile = tooLarge || silent;
  if (inFile && e.samplesModified && !saveCurrent(prog.en_cours)) return 0;

  notetiqs phon, word;
  if (isWavName(source.nom)) {
    readnotetiqs(source.nom, phon, source.etiqdepl, source.etiqlongueur, source.sampleCount());
    readnotetiqs(source.nom, word, source.notedepl, source.notelongueur, source.sampleCount());
  }
  const notetiqs etiqBefore = prog.etiq, noteBefore = prog.note;
  prog.etiq.insertList(p, 0, phon);
  prog.note.insertList(p, 0, word);

  if (!inFile) {
    const std::int32_t at = p - ct.d_e;
    const std::int32_t end = std::max(prog.memory.size(), at + n);
    SHORTbuf next(end, "memory samples");
    if (next.size() != end || lireSignal(source, source.depl, next, at, n) != n) {
      prog.etiq = etiqBefore;
      prog.note = noteBefore;
      return 0;
    }
    std::copy(prog.memory.data(), prog.memory.data() + at, next.data());
    if (at + n < prog.memory.size())
      std::copy(prog.memory.data() + at + n, prog.memory.data() + prog.memory.size(), next.data() + at + n);
    // Samples written past memory's end stand for the file's next samples.
    const std::int32_t grown = end - prog.memory.size();
    e.lastFileSampleInMemory += std::min(grown, std::max(ct.tf - 1 - e.lastFileSampleInMemory, 0));
    prog.memory.swap(next);
    ct.f_e = ct.d_e + end - 1;
    ct.f_es = std::min(ct.f_a, ct.f_e);
    e.samplesModified = prog.annotationsModified = true;
  } else if (!replaceInFile(source, p, n)) {
    prog.etiq = etiqBefore;
    prog.note = noteBefore;
    return 0;
  }
  e.lastEdit = kEditReplace;
  ++e.editSerial;
  e.editStart = p;
  e.editEnd = p + n - 1;
  currentSignalListener().redrawAll();
  return n;
}

}  // namespace ardv
