// saveCurrent, Save, Save as, Copy to file, and the "Modifications" question.

#include "editing/edit_save.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "annotation/label_files.h"
#include "editing/edit_context.h"
#include "platform/dialogs.h"
#include "platform/report.h"
#include "signal/annotation_chunk.h"
#include "signal/current_signal.h"
#include "signal/infofile_io.h"
#include "signal/program.h"
#include "signal/signal_listener.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"
#include "signal/wav_layout.h"
#include "signal/wavfile.h"
#include "signal/writable_target.h"
#include "signal/write_sound_file.h"
#include "texts/texts.h"

namespace ardv {
namespace {

bool destinationAllowed(const infoFile& destination) {
  const Program& p = program();
  if (sameFile(destination.nom, p.en_cours.nom)) {
    message(text(1017));
    return false;
  }
  if (std::abs(destination.frequence - p.en_cours.frequence) > 1e-10) {
    message(text(1018));
    return false;
  }
  return true;
}

// Gives `file` the mode and (where the system allows) the owner of `from`.
void keepModeAndOwner(const std::string& from, const std::string& file) {
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0) return;
  const bool owner = ::chown(file.c_str(), st.st_uid, st.st_gid) == 0;
  ::chmod(file.c_str(), st.st_mode & (owner ? 07777 : 0777));
}

// Label files of a non-WAV destination; false after their message.
bool writeLabelFiles(const infoFile& destination, const notetiqs& phon, const notetiqs& word, std::int64_t tf) {
  if (isWavName(destination.nom)) return true;
  bool ok = writeLabels(phon, destination, tf);
  return writeAnnotations(word, destination, tf) && ok;
}

}  // namespace

bool saveCurrent(const infoFile& destinationIn) {
  Program& p = program();
  EditContext& e = editContext();
  infoFile destination = destinationIn;
  if (!init_infoFile_write(destination)) return false;
  const bool ontoItself = sameFile(destination.nom, p.en_cours.nom);
  infoFile source = p.en_cours;
  // Saved onto itself: the file the name leads to is moved aside (a symbolic
  // link stays a link and its file is written anew through it).
  std::string real = p.en_cours.nom;
  if (ontoItself) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(p.en_cours.nom, error);
    if (!error) real = resolved.string();
    if (!moveToBackup(real)) return false;
    source.nom = backupName(real);
  }
  const std::int64_t tf = editedLength();
  const std::int64_t after = 2 * (static_cast<std::int64_t>(e.lastFileSampleInMemory) + 1);
  writeSoundFile writer(destination);
  writer.setSource(source, source.depl, 2 * static_cast<std::int64_t>(p.ct.d_e), source.depl + after,
                   std::max<std::int64_t>(source.longueur - after, 0));
  writer.setMiddleBuffer(p.memory, 0, 2 * static_cast<std::int64_t>(p.memory.size()));
  // A segment ending at tf keeps its end mark; marks past tf are reported once the file is written.
  FitCount phonFit, wordFit;
  const notetiqs phon = fittedCopy(p.etiq, tf, &phonFit), word = fittedCopy(p.note, tf, &wordFit);
  for (const notetiq& m : phon.items()) writer.addPhon(m.limite, m.text);
  for (const notetiq& m : word.items()) writer.addWord(m.limite, m.text);
  infoFile described = destination;
  const bool written = writer.flush() == 0 && init_infoFile_read(described);
  if (!written) {
    if (ontoItself) {
      std::error_code error;
      std::filesystem::rename(source.nom, real, error);
      message(error ? "The file was not saved; its previous version is in " + source.nom
                    : "The file was not saved; " + p.en_cours.nom + " is as it was before.");
    } else {
      message("The file " + destination.nom + " was not saved.");
    }
    return false;
  }
  if (ontoItself) keepModeAndOwner(source.nom, real);
  if (isWavName(described.nom)) {
    reportFit(phonFit, described.nom, tf);
    reportFit(wordFit, described.nom, tf);
  }
  // Label files that could not be written (reported) stay to be saved.
  const bool labelsWritten = writeLabelFiles(described, p.etiq, p.note, tf);
  e.mode = p.en_cours.mode;
  described.mode = p.en_cours.mode;
  p.en_cours = described;
  p.ct.tf = static_cast<std::int32_t>(std::min<std::int64_t>(described.longueur / 2, 0x7fffffff));
  e.lastFileSampleInMemory = p.ct.f_e;
  e.samplesModified = false;
  e.boundFile = p.en_cours.nom;
  e.boundLength = p.ct.tf;
  p.annotationsModified = !labelsWritten;
  currentSignalListener().redrawAll();
  return labelsWritten;
}

bool editSave() {
  if (!editableSignal()) return false;
  if (!editContext().samplesModified && !program().annotationsModified) return true;
  return saveCurrent(program().en_cours);
}

bool editSaveAs(const infoFile& destination) {
  syncEditState();
  if (!program().fileLoaded || !destinationAllowed(destination)) return false;
  return saveCurrent(destination);
}

bool editSetFrequency(double hzIn) {
  Program& p = program();
  if (!p.fileLoaded) return false;
  if (!std::isfinite(hzIn) || hzIn < kMinDeclaredFrequency || hzIn > kMaxDeclaredFrequency) {
    char range[96];
    std::snprintf(range, sizeof range, "The sampling frequency must lie between %.0f and %.0f Hz.",
                  kMinDeclaredFrequency, kMaxDeclaredFrequency);
    message(range);
    return false;
  }
  const double hz = std::round(hzIn);
  if (std::abs(hz - p.en_cours.frequence) < 1e-10) return true;
  if (!isWavName(p.en_cours.nom)) {
    message("The sampling frequency of " + p.en_cours.nom +
            " is set by its format profile; save it as a WAV file to change it.");
    return false;
  }
  if (!editableSignal() || askSaveModifications() == SaveOutcome::Abandon) return false;
  infoFile destination = p.en_cours;
  destination.frequence = hz;
  return saveCurrent(destination) && openCurrent();
}

std::string nextCopyName(const std::string& previous) {
  std::filesystem::path path(previous);
  std::string stem = path.stem().string();
  std::size_t digits = stem.size();
  while (digits > 0 && stem[digits - 1] >= '0' && stem[digits - 1] <= '9') --digits;
  const std::string number = stem.substr(digits);
  // Increments the decimal digits as text, so that any length works.
  std::string next = number.empty() ? "0" : number;
  int i = static_cast<int>(next.size()) - 1;
  while (i >= 0 && next[static_cast<std::size_t>(i)] == '9') next[static_cast<std::size_t>(i--)] = '0';
  if (i < 0)
    next.insert(next.begin(), '1');
  else
    ++next[static_cast<std::size_t>(i)];
  path.replace_filename(stem.substr(0, digits) + next + path.extension().string());
  return path.string();
}

bool editCopyToFile(const infoFile& destinationIn) {
  syncEditState();
  Program& p = program();
  if (!p.fileLoaded || !selectionInMemory(1010) || !destinationAllowed(destinationIn)) return false;
  const std::int32_t a = p.ct.d_sel, b = p.ct.f_sel;
  const std::vector<std::int16_t> samples(p.memory.data() + (a - p.ct.d_e), p.memory.data() + (b - p.ct.d_e) + 1);
  notetiqs phon, word;
  p.etiq.extract(a, b + 1, phon);
  p.note.extract(a, b + 1, word);
  infoFile destination = destinationIn;
  if (isWavName(destination.nom)) return writeWavFile(destination.nom, samples, p.en_cours.frequence, phon, word);
  if (!init_infoFile_write(destination)) return false;
  SHORTbuf buffer(static_cast<std::int64_t>(samples.size()), "selection");
  std::copy(samples.begin(), samples.end(), buffer.data());
  writeSoundFile writer(destination);
  writer.setMiddleBuffer(buffer, 0, 2 * static_cast<std::int64_t>(samples.size()));
  if (writer.flush() != 0) return false;
  return writeLabelFiles(destination, phon, word, static_cast<std::int64_t>(samples.size()));
}

SaveOutcome askSaveModifications() {
  Program& p = program();
  EditContext& e = editContext();
  syncEditState();
  if (!p.fileLoaded || (!e.samplesModified && !p.annotationsModified)) return SaveOutcome::NothingToSave;
  switch (dialogs().askSaveModifications(p.en_cours.nom)) {
    case SaveAnswer::Save:
      return saveCurrent(p.en_cours) ? SaveOutcome::Saved : SaveOutcome::Abandon;
    case SaveAnswer::Cancel:
      return SaveOutcome::Abandon;
    case SaveAnswer::DontSave:
      break;
  }
  DisplayContext ct = p.ct;
  ct.tf = static_cast<std::int32_t>(std::min<std::int64_t>(p.en_cours.longueur / 2, 0x7fffffff));
  const std::int32_t w = memorySpanSamples(p.en_cours.frequence);
  ct.f_e = std::min<std::int32_t>(w / 2 + (ct.d_a + ct.f_a) / 2, ct.tf - 1);
  ct.d_e = std::max(ct.f_e - w, 0);
  const std::int32_t width = ct.f_a - ct.d_a;
  if (ct.f_a > ct.f_e) ct.f_a = ct.f_e, ct.d_a = ct.f_a - width;
  if (ct.d_a < ct.d_e) ct.d_a = ct.d_e, ct.f_a = ct.d_a + width;
  ct.d_es = ct.d_a;
  ct.f_es = std::min(ct.f_a, ct.f_e);
  const std::int32_t count = std::max(ct.f_e - ct.d_e + 1, 0);
  SHORTbuf memory(0, "memory samples");
  if (count > 0 && (!memory.newsize(count) ||
                    lireSignal(p.en_cours, p.en_cours.depl + 2 * static_cast<std::int64_t>(ct.d_e), memory, 0,
                               count) != count))
    return SaveOutcome::Abandon;
  // The annotations as they are in the file.
  notetiqs etiq, note;
  if (isWavName(p.en_cours.nom)) {
    readnotetiqs(p.en_cours.nom, etiq, p.en_cours.etiqdepl, p.en_cours.etiqlongueur, p.en_cours.sampleCount());
    readnotetiqs(p.en_cours.nom, note, p.en_cours.notedepl, p.en_cours.notelongueur, p.en_cours.sampleCount());
  } else {
    if (p.en_cours.labelKind != kLabelNone) readLabels(etiq, p.en_cours);
    if (p.en_cours.annotationKind != kAnnotNone) readAnnotations(note, p.en_cours);
  }
  p.ct = ct;
  p.memory.swap(memory);
  p.etiq = std::move(etiq);
  p.note = std::move(note);
  e.lastFileSampleInMemory = ct.f_e;
  e.samplesModified = false;
  e.boundLength = ct.tf;
  p.annotationsModified = false;
  currentSignalListener().redrawAll();
  return SaveOutcome::Discarded;
}

}  // namespace ardv
