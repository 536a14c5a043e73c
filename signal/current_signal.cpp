// Opening the current signal, resetting it, zooming.
#include "signal/current_signal.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <vector>

#include "platform/dialogs.h"
#include "platform/report.h"
#include "signal/annotation_chunk.h"
#include "signal/infofile_io.h"
#include "signal/profile_table.h"
#include "signal/program.h"
#include "signal/signal_listener.h"
#include "signal/time_conversion.h"
#include "signal/transports.h"
#include "signal/wavfile.h"
#include "signal/writable_target.h"
#include "texts/texts.h"

namespace ardv {
namespace {

OpenHooks& openHooks() {
  static OpenHooks hooks;
  return hooks;
}

LabelFileReaders& labelReaders() {
  static LabelFileReaders readers;
  return readers;
}

CurrentSignalListener*& installedListener() {
  static CurrentSignalListener* listener = nullptr;
  return listener;
}

// `path` with its file stem replaced by the stem of `signal`.
std::string withStemOf(const std::string& path, const std::string& signal) {
  namespace fs = std::filesystem;
  const fs::path p(path);
  fs::path out = p.parent_path() / fs::path(signal).stem();
  out += p.extension();
  return out.string();
}

}  // namespace

void setCurrentSignalListener(CurrentSignalListener* listener) { installedListener() = listener; }

CurrentSignalListener& currentSignalListener() {
  static CurrentSignalListener none;
  return installedListener() ? *installedListener() : none;
}

void setLabelFileReaders(const LabelFileReaders& readers) { labelReaders() = readers; }

void setOpenHooks(OpenHooks hooks) { openHooks() = std::move(hooks); }

std::int32_t memorySpanSamples(double frequence) {
  const std::int64_t n = msToSamples(kMemorySpanMs, frequence);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(n, 0, kMemorySpanMaxSamples));
}

namespace {

// Describes `candidate`, reads its first memory span and its annotations, and
// makes it current only when all of that worked.
bool openSignal(const infoFile& candidate) {
  Program& p = program();
  infoFile info = candidate;
  if (!init_infoFile_read(info)) return false;
  const std::int64_t samples = info.longueur / 2;
  if (samples > std::numeric_limits<std::int32_t>::max()) {
    message("The signal " + info.nom + " has " + std::to_string(samples) +
            " samples; at most 2147483647 samples can be opened.");
    return false;
  }
  DisplayContext ct;
  ct.tf = static_cast<std::int32_t>(samples);
  ct.d_a = 0;
  ct.f_a = memorySpanSamples(info.frequence) - 1;
  ct.d_e = 0;
  ct.f_e = std::min(ct.tf - 1, ct.f_a);
  ct.modeMemoire = 1;
  ct.d_es = ct.d_e;
  ct.f_es = std::min(ct.f_e, ct.f_a);
  ct.d_sel = ct.f_sel = -1;

  SHORTbuf memory(0, "memory samples");
  const std::int32_t count = ct.f_e + 1;
  if (count > 0) {
    if (!memory.newsize(count)) return false;
    if (lireSignal(info, info.depl + 2 * static_cast<std::int64_t>(ct.d_e), memory, 0, count) != count) return false;
  }

  notetiqs etiq, note;
  bool etiqSaveable = true, noteSaveable = true;
  if (isWavName(info.nom)) {
    // A faulty chunk is reported and keeps the marks read before the fault.
    readnotetiqs(info.nom, note, info.notedepl, info.notelongueur, samples);
    readnotetiqs(info.nom, etiq, info.etiqdepl, info.etiqlongueur, samples);
    etiqSaveable = noteSaveable = isWritableTarget(info.nom);
  } else {
    // A label file that cannot be read is reported; the signal opens anyway.
    const LabelFileReaders& readers = labelReaders();
    if (info.labelKind != kLabelNone) {
      if (readers.phonemes) readers.phonemes(etiq, info);
      etiqSaveable = isWritableTarget(info.nom_man);
    }
    if (info.annotationKind != kAnnotNone) {
      if (readers.words) readers.words(note, info);
      noteSaveable = isWritableTarget(info.nomAnnot);
    }
  }

  p.en_cours = info;
  p.ct = ct;
  p.memory.swap(memory);
  p.etiq = std::move(etiq);
  p.note = std::move(note);
  p.etiqSaveable = etiqSaveable;
  p.noteSaveable = noteSaveable;
  p.annotationsModified = false;
  p.fileLoaded = true;
  CurrentSignalListener& views = currentSignalListener();
  views.memoryModeChanged(ct.modeMemoire);
  views.signalOpened();
  views.redrawAll();
  return true;
}

// Without hooks: asks about modified annotations; "Save" cannot be done here.
bool settlePendingEdits() {
  if (openHooks().settlePendingEdits) return openHooks().settlePendingEdits();
  Program& p = program();
  if (!p.fileLoaded || !p.annotationsModified) return true;
  switch (dialogs().askSaveModifications(p.en_cours.nom)) {
    case SaveAnswer::Cancel:
      return false;
    case SaveAnswer::Save:
      message("The modifications of " + p.en_cours.nom + " cannot be saved here; the file is not opened.");
      return false;
    case SaveAnswer::DontSave:
      break;
  }
  return true;
}

}  // namespace

bool openCurrent() { return openSignal(program().en_cours); }

bool describeChosenFile(const std::string& name, infoFile& info, bool soundOnly) {
  info.nom = name;
  if (isWavName(name)) return true;
  info.nom_man = withStemOf(info.nom_man, name);
  info.nomAnnot = withStemOf(info.nomAnnot, name);
  init_fmt();
  std::vector<std::string> names;
  for (const Profile& profile : profileTable().profiles()) names.push_back(profile.name);
  FormatSelection selection;
  selection.profileIndex = info.formatIndex;
  selection.labelKind = info.labelKind;
  selection.annotationKind = info.annotationKind;
  selection.labelFile = info.nom_man;
  selection.annotationFile = info.nomAnnot;
  if (soundOnly ? !dialogs().selectSoundFormat(names, name, selection) : !dialogs().selectFormats(names, name, selection))
    return false;
  // "Choose a file" in the sound row names another signal file.
  if (!selection.soundFile.empty()) info.nom = selection.soundFile;
  info.formatIndex = selection.profileIndex;
  info.labelKind = selection.labelKind;
  info.annotationKind = selection.annotationKind;
  info.nom_man = selection.labelFile;
  info.nomAnnot = selection.annotationFile;
  return true;
}

bool openFile(const std::string& name) {
  if (!settlePendingEdits()) return false;
  infoFile candidate = program().en_cours;
  if (!describeChosenFile(name, candidate)) return false;
  if (!openSignal(candidate)) return false;
  if (openHooks().afterOpen) openHooks().afterOpen();
  return true;
}

void resetCurrent() {
  Program& p = program();
  const std::int32_t mode = p.ct.modeMemoire;
  p.ct = DisplayContext{};
  p.ct.modeMemoire = mode;
  p.ct.d_sel = p.ct.f_sel = 0;
  p.fileLoaded = false;
  p.en_cours.nom.clear();
  p.en_cours.nom_man.clear();
  p.en_cours.nomAnnot.clear();
  p.en_cours.formatIndex = 0;
  p.en_cours.labelKind = kLabelNone;
  p.en_cours.annotationKind = kAnnotNone;
  p.memory.newsize(0);
  p.etiq.clear();
  p.note.clear();
  p.annotationsModified = false;
}

void setMode(std::int32_t k) {
  program().en_cours.mode = k;
  currentSignalListener().modeChanged(k);
}

void setMemoryMode(std::int32_t k) {
  program().ct.modeMemoire = k;
  currentSignalListener().memoryModeChanged(k);
}

bool zoomIn() {
  DisplayContext ct = program().ct;
  const bool valid = ct.d_sel < ct.f_sel && ct.d_sel >= ct.d_e && ct.f_sel <= ct.f_e && ct.d_sel <= ct.f_e &&
                     ct.f_sel >= ct.d_e;
  if (!program().fileLoaded || !valid) {
    message(text(901));
    return false;
  }
  ct.f_sel -= 1;
  ct.f_sel = std::max(ct.f_sel, ct.d_sel + kZoomMinWidth);
  ct.f_sel = std::min(ct.f_sel, ct.f_e);
  ct.d_sel = std::min(ct.d_sel, ct.f_sel - kZoomMinWidth);
  if (ct.d_sel < 1) ct.d_sel = 0;
  ct.d_a = ct.d_es = ct.d_sel;
  ct.f_a = ct.f_sel;
  ct.f_es = std::min(ct.f_a, ct.f_e);
  ct.d_sel = ct.f_sel = -1;
  program().ct = ct;
  setMemoryMode(3);
  currentSignalListener().redrawAll();
  return true;
}

bool zoomOut() {
  Program& p = program();
  if (!p.fileLoaded) return false;
  DisplayContext ct = p.ct;
  ct.d_sel = ct.d_a;
  ct.f_sel = ct.f_a;
  const std::int64_t width = memorySpanSamples(p.en_cours.frequence);
  const std::int64_t centre = (static_cast<std::int64_t>(ct.d_a) + ct.f_a) / 2;
  std::int64_t da = centre - width / 2;
  std::int64_t fa = da + width - 1;
  if (fa > ct.f_e) {
    da -= fa - ct.f_e;
    fa = ct.f_e;
  }
  if (da < ct.d_e) {
    fa += ct.d_e - da;
    da = ct.d_e;
  }
  ct.d_a = static_cast<std::int32_t>(da);
  ct.f_a = static_cast<std::int32_t>(fa);
  ct.d_es = ct.d_a;
  ct.f_es = std::min(ct.f_a, ct.f_e);
  p.ct = ct;
  setMemoryMode(1);
  currentSignalListener().redrawAll();
  return true;
}

}  // namespace ardv
