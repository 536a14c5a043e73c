// The current file rewritten through its ".bak" copy.

#include "editing/edit_rewrite.h"

#include <algorithm>
#include <filesystem>

#include "editing/edit_context.h"
#include "platform/report.h"
#include "signal/current_signal.h"
#include "signal/infofile_io.h"
#include "signal/program.h"
#include "signal/transports.h"
#include "signal/wavfile.h"
#include "signal/write_sound_file.h"

namespace ardv {
namespace {

// Reloads memory after the file changed under it, from d_e = d_a over the
// standard span.
bool reloadMemory() {
  Program& p = program();
  DisplayContext& ct = p.ct;
  ct.tf = static_cast<std::int32_t>(std::min<std::int64_t>(p.en_cours.longueur / 2, 0x7fffffff));
  ct.d_e = std::clamp(ct.d_a, 0, std::max(ct.tf - 1, 0));
  ct.f_e = std::min<std::int32_t>(ct.tf - 1, ct.d_e + memorySpanSamples(p.en_cours.frequence) - 1);
  const std::int32_t count = std::max(ct.f_e - ct.d_e + 1, 0);
  SHORTbuf memory(0, "memory samples");
  if (count > 0 && (!memory.newsize(count) ||
                    lireSignal(p.en_cours, p.en_cours.depl + 2 * static_cast<std::int64_t>(ct.d_e), memory, 0,
                               count) != count))
    return false;
  p.memory.swap(memory);
  ct.f_es = std::min(ct.f_a, ct.f_e);
  EditContext& e = editContext();
  e.lastFileSampleInMemory = ct.f_e;
  e.samplesModified = false;
  e.boundFile = p.en_cours.nom;
  e.boundLength = ct.tf;
  return true;
}

}  // namespace

bool rewriteThroughBackup(const infoFile& middle, std::int64_t headBytes, std::int64_t middleBytes,
                          std::int64_t tailStartBytes, const std::string& verb) {
  Program& prog = program();
  const std::string name = prog.en_cours.nom;
  if (!moveToBackup(name)) return false;
  infoFile backup = prog.en_cours;
  backup.nom = backupName(name);
  writeSoundFile writer(prog.en_cours);
  writer.setSource(backup, backup.depl, headBytes, backup.depl + tailStartBytes, backup.longueur - tailStartBytes);
  writer.setMiddleFile(middle, middle.depl, middleBytes);
  // The marks go into the file too, so that nothing typed is lost.
  for (const notetiq& m : prog.etiq.items()) writer.addPhon(m.limite, m.text);
  for (const notetiq& m : prog.note.items()) writer.addWord(m.limite, m.text);
  infoFile described = prog.en_cours;
  if (writer.flush() != 0 || !init_infoFile_read(described)) {
    std::error_code error;
    std::filesystem::rename(backup.nom, name, error);
    debugMessage("unexpected error in " + verb + "\nfile " + middle.nom + "\nin file " + name +
                 (error ? "\nThe previous file is kept as " + backup.nom : "\nThe previous file is kept."));
    return false;
  }
  prog.en_cours = described;
  // A WAV file holds the marks now; the label files of another file do not.
  if (isWavName(name))
    prog.annotationsModified = false;
  else if (!prog.etiq.empty() || !prog.note.empty())
    prog.annotationsModified = true;
  return reloadMemory();
}

}  // namespace ardv
