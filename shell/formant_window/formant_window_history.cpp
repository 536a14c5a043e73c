// The formant window's undo and redo, and the question before its tracks are
// thrown away (closing, quitting, opening a parameter file).
#include <QAction>
#include <QCloseEvent>

#include "platform/dialogs.h"
#include "shell/formant_window/formant_window.h"
#include "shell/shared/file_chooser.h"

namespace ardv::shell {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kMaxUndo = 100;

}  // namespace

TracksState copyTracks(const KlattTracks& tracks) {
  TracksState s;
  s.stepMs = tracks.stepMs;
  for (int g = 0; g < kKlattGroups; ++g)
    for (const auto& piece : tracks.groups[static_cast<std::size_t>(g)]) {
      auto copy = piece->nbPoints > 0 ? piece->subPPKla(0, piece->nbPoints - 1) : newKlattPiece(g);
      if (!copy) continue;
      copy->selected = piece->selected;
      s.groups[static_cast<std::size_t>(g)].push_back(std::move(copy));
    }
  return s;
}

bool sameTracks(const KlattGroups& a, const KlattGroups& b) {
  for (std::size_t g = 0; g < a.size(); ++g) {
    if (a[g].size() != b[g].size()) return false;
    for (auto p = a[g].begin(), q = b[g].begin(); p != a[g].end(); ++p, ++q) {
      const PolyPointsKla& x = **p;
      const PolyPointsKla& y = **q;
      if (x.nbPoints != y.nbPoints || x.valueColumns() != y.valueColumns()) return false;
      for (int i = 0; i < x.nbPoints; ++i) {
        if (x.date(i) != y.date(i)) return false;
        for (int j = 0; j < x.valueColumns(); ++j)
          if (x.y(i, j) != y.y(i, j) && !(isUnset(x.y(i, j)) && isUnset(y.y(i, j)))) return false;
      }
    }
  }
  return true;
}

void FormantWindow::beginEdit() {
  if (!pending_) pending_ = copyTracks(tracks_);
}

void FormantWindow::endEdit() {
  if (!pending_) return;
  if (pending_->stepMs != tracks_.stepMs || !sameTracks(pending_->groups, tracks_.groups)) {
    undo_.push_back(std::move(*pending_));
    if (undo_.size() > kMaxUndo) undo_.erase(undo_.begin());
    redo_.clear();
    modified_ = true;
  }
  pending_.reset();
  action(kKlattUndo)->setEnabled(canUndo());
  action(kKlattRedo)->setEnabled(canRedo());
}

void FormantWindow::recordEdit(const std::function<void()>& edit) {
  beginEdit();
  edit();
  endEdit();
}

void FormantWindow::restore(std::vector<TracksState>& from, std::vector<TracksState>& to) {
  to.push_back(copyTracks(tracks_));
  TracksState s = std::move(from.back());
  from.pop_back();
  tracks_.groups = std::move(s.groups);
  tracks_.stepMs = s.stepMs;
  settings_.frameMs = s.stepMs;
  tracks_.working.points.clear();
  tracks_.recomputeSampleDates(tracks_.frequence);
  modified_ = true;
  action(kKlattUndo)->setEnabled(canUndo());
  action(kKlattRedo)->setEnabled(canRedo());
  updateChecks();
  changed();
}

bool FormantWindow::undo() {
  if (undo_.empty()) return false;
  restore(undo_, redo_);
  return true;
}

bool FormantWindow::redo() {
  if (redo_.empty()) return false;
  restore(redo_, undo_);
  return true;
}

bool FormantWindow::saveTracksAs() {
  const QString name = chooseFile(this, FileQuestion::Save, "Save as", QString::fromStdString(file_.string()),
                                  "Klatt files (*.kle);;All Files (*)");
  if (name.isEmpty()) return false;
  fs::path file = name.toStdString();
  if (!file.has_extension()) file.replace_extension("kle");
  if (!saveParams(file, 56)) return false;
  modified_ = false;
  file_ = file;
  return true;
}

bool FormantWindow::settleModifications() {
  if (!modified_ || tracks_.empty()) return true;
  const std::string name = "Klatt parameter tracks" + (file_.empty() ? std::string() : " (" + file_.string() + ")");
  switch (dialogs().askSaveModifications(name)) {
    case SaveAnswer::Save:
      return saveTracksAs();
    case SaveAnswer::DontSave:
      return true;
    default:
      return false;
  }
}

void FormantWindow::closeEvent(QCloseEvent* event) {
  if (!settleModifications()) {
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace ardv::shell
