// The edit state and the checks shared by the editing commands.

#include "editing/edit_context.h"

#include <algorithm>

#include "editing/edit_save.h"
#include "platform/report.h"
#include "signal/current_signal.h"
#include "signal/program.h"
#include "signal/time_conversion.h"
#include "signal/writable_target.h"
#include "texts/texts.h"

namespace ardv {

EditContext& editContext() {
  static EditContext context;
  return context;
}

void resetEditContext() {
  EditContext fresh;
  fresh.clip.nb_bits = 16;
  editContext() = fresh;
}

void editStateAfterLoad() {
  EditContext& e = editContext();
  Program& p = program();
  e.lastFileSampleInMemory = p.ct.f_e;
  e.lastEdit = kEditNone;
  e.samplesModified = false;
  p.annotationsModified = false;
  p.ct.d_sel = p.ct.f_sel = 0;
  e.boundFile = p.en_cours.nom;
  e.boundLength = p.ct.tf;
}

void syncEditState() {
  const Program& p = program();
  const EditContext& e = editContext();
  if (p.fileLoaded && (e.boundFile != p.en_cours.nom || e.boundLength != p.ct.tf)) editStateAfterLoad();
}

void installEditSaveHandler() {
  setOpenHooks({[] { return askSaveModifications() != SaveOutcome::Abandon; }, editStateAfterLoad});
}

std::filesystem::path clipboardPath() { return program().dirs.temp / "cutfile.wa$"; }
std::filesystem::path undoPath() { return program().dirs.temp / "cutfile_.wa$"; }

std::int32_t editMemoryLimit(double frequence) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(msToSamples(12000.0, frequence), 0, 576000));
}

std::int64_t editedLength() {
  const Program& p = program();
  const std::int64_t after = std::max<std::int64_t>(p.ct.tf - 1 - editContext().lastFileSampleInMemory, 0);
  return static_cast<std::int64_t>(p.ct.d_e) + p.memory.size() + after;
}

bool editableSignal() {
  const Program& p = program();
  if (!p.fileLoaded) return false;
  syncEditState();
  if (!isWritableTarget(p.en_cours.nom)) {
    message(text(1028));
    return false;
  }
  return true;
}

bool selectionInMemory(int textNumber) {
  const DisplayContext& ct = program().ct;
  if (ct.d_sel < 0 || ct.d_sel > ct.f_sel || ct.d_sel < ct.d_e || ct.f_sel > ct.f_e) {
    message(text(textNumber));
    return false;
  }
  return true;
}

std::string backupName(const std::string& name) {
  std::filesystem::path p(name);
  p.replace_extension(".bak");
  return p.string();
}

bool moveToBackup(const std::string& name) {
  const std::string backup = backupName(name);
  std::error_code error;
  std::filesystem::remove(backup, error);
  std::filesystem::rename(name, backup, error);
  if (error) {
    message("The file " + name + " cannot be moved to " + backup + ": " + error.message() +
            ". Nothing was changed.");
    return false;
  }
  return true;
}

}  // namespace ardv
