// The formant window (menu FORMANTS): the Klatt parameter tracks drawn in
// their group colours over the spectrogram of the current signal, or alone
// when no speech file is open (synthesized-only mode), the narrow-band
// spectrogram of the last synthesis under them, and the commands and mouse
// gestures that edit the tracks. The data and its operations are KlattTracks.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "formants/registration.h"
#include "formants/snake_tracks.h"
#include "klatt/klatt_invocation.h"
#include "klatt/klatt_tracks.h"
#include "klatt/track_view.h"
#include "shell/formant_window/f1f2_plane.h"

class QAction;
class QComboBox;
class QLabel;
class QPainter;

namespace ardv::shell {



// Commands of the formant window the code refers to by number.
enum KlattCommandId : int {
  kKlattOpen = 1001,
  kKlattPaste = 1038,
  kKlattSaveAs = 11845,
  kKlattSave41 = 1030,
  kKlattSaveFormants = 1042,
  kKlattOpenFormants = 1041,
  kKlattSynthesize = 1029,
  kKlattSaveSpeech = 11844,
  kKlattAll = 1012,
  kKlattNone = 1013,
  kKlattDelete = 1002,
  kKlattRemoveFirst = 11842,
  kKlattRemoveLast = 11843,
  kKlattSmooth = 1005,
  kKlattFirstScale = 1018,  // 1018..1024: scales 0..6
  kKlattSquares = 1028,
  kKlattLines = 1027,
  kKlattDefaults = 1044,
  kKlattGetF0 = 1032,
  kKlattSettings = 1040,
  kKlattF1F2Plane = 1043,
  kKlattMouseHelp = 1045,
  // Our own numbers for the window's undo and redo.
  kKlattUndo = 11880,
  kKlattRedo = 11881,
  kKlattCopySynthesis = 1046,
  kKlattMerge = 1031,
  kKlattRegisterLpc = 1004,
  kKlattRegisterCepstral = 1003,
  kKlattAnalysisParams = 1039,
  kKlattSnakeScratch = 11847,
  kKlattSnakeExisting = 11851,
  kKlattSnakeSelected = 11852,
  kKlattSaveImage = 11849,
  kKlattSnakeParams = 11850,
  // Our own numbers for the support-image and initial-curve choices.
  kKlattImageCepstral = 11870,
  kKlattImageTrueEnvelope = 11871,
  kKlattImageLpc = 11872,
  kKlattCurvesLpc = 11873,
  kKlattCurvesTrueEnvelope = 11874,
};

// The tracks as an undo step keeps them.
struct TracksState {
  KlattGroups groups;
  int stepMs = kInitialStepMs;
};
TracksState copyTracks(const KlattTracks& tracks);
// Same pieces, points and values (the selection aside).
bool sameTracks(const KlattGroups& a, const KlattGroups& b);

// One command of the window's menu.
struct KlattCommand {
  int id;
  const char* menu;
  const char* text;
  const char* accelerator;  // "" for none
  const char* notYet;       // why it is disabled; nullptr when it works
};
const std::vector<KlattCommand>& klattCommands();

// The gesture the mouse would start at a place, as the status line names it.
enum class KlattGesture { None, MovePoint, Draw };

class FormantWindow : public QMainWindow {
  Q_OBJECT
 public:
  // `play` plays a WAV file (the main window's player), `help` shows the
  // help at an anchor; either may be empty.
  FormantWindow(std::function<void(const std::string&)> play, std::function<void(const QString&)> help,
                QWidget* parent = nullptr);
  ~FormantWindow() override;

  KlattTracks& tracks() { return tracks_; }
  KlattSynthesisSettings& settings() { return settings_; }
  bool realSignal() const;
  QAction* action(int id) const;
  // Runs command `id` as the menu would; false when absent or disabled.
  bool runCommand(int id);

  // "&Open" and "&Paste from file" after their dialogs.
  bool openParams(const std::filesystem::path& file, std::optional<std::int32_t> offsetMs);
  bool pasteParams(const std::filesystem::path& file, std::int32_t offsetMs);
  // Synthesizes the tracks into `wav` (the working synthe.wav when empty),
  // loads the result under the tracks and plays it when asked. False after
  // a report; the previous synthesis stays shown.
  bool synthesize(const std::filesystem::path& wav = {}, bool play = true);
  // "&Get F0": the signal's F0 ("current.pit") over the shown stretch into
  // group 0. False after a report, the tracks unchanged.
  bool getF0();
  // "Copy &synthesis" on the whole signal with the excitation run at the
  // track step: frames fitted, 0 when no piece of groups 0..8 is selected,
  // -1 after a report with the tracks unchanged.
  int copySynthesis();
  const std::vector<std::int16_t>& synthesized() const { return synth_; }
  int synthesizedRate() const { return synthRate_; }

  // "with &LPC" / "with &cepstral smoothing" on the selected pieces of
  // groups 1-6 with the window's analysis parameters: points moved, -1
  // after a report.
  int registerPieces(RegistrationSpectrum kind);
  // "&Spectral analysis parameters": true when new values were stored.
  bool editAnalysisParams();
  FormantOptions& analysisParams() { return analysis_; }
  // The tracking commands on the selection, else the shown part in memory:
  // formants committed to groups 1-6, -1 after a report.
  int trackWithSnakes(SnakeStart start);
  // "&Save image (PGM)" of the support image of the current stretch.
  bool saveSupportImage(const std::filesystem::path& file);
  SupportMethod& supportMethod() { return supportMethod_; }
  InitialCurves& initialCurves() { return initialCurves_; }
  const SupportImageCache& supportImages() const { return snakeImages_; }

  // The main window's stretch changed (zoom, scroll, new signal).
  void followView();
  // The tracks differ from the last file opened or saved.
  bool modified() const { return modified_; }
  // Undo and redo of the edits of the tracks (points, drawings, commands).
  bool canUndo() const { return !undo_.empty(); }
  bool canRedo() const { return !redo_.empty(); }
  bool undo();
  bool redo();
  // When the tracks are modified: save (as "&Save as"), discard or cancel.
  // False for Cancel or a failed save.
  bool settleModifications();
  // The view of the track pane and the pixel of (ms, value) in the canvas.
  TrackView trackView() const;
  QPoint pixelOf(double ms, double value) const;
  QWidget* canvas() const;
  // Group new drawings are committed to.
  int drawGroup() const;
  void setDrawGroup(int group);
  // What the mouse would do at canvas point `p` with `modifiers` held, and
  // the status line naming it.
  KlattGesture gestureAt(QPoint p, Qt::KeyboardModifiers modifiers, QString* text = nullptr) const;
  F1F2Plane* f1f2Plane() const { return plane_; }
  // Synthesized-only mode: the displayed range, 0..rangeMs.
  std::int32_t rangeMs() const { return rangeMs_; }

 private:
  class Canvas;
  friend class Canvas;
  void buildMenus();
  void bindCommands();
  void bindTrackingCommands();
  void updateChecks();
  void updateTrackingChecks();
  SnakeStretch snakeStretch() const;
  void paintIntermediate(QPainter& p, const TrackView& v) const;
  void changed(bool resynthesize = false);
  // Runs `edit`; when it changed the tracks, the state before it becomes an
  // undo step.
  void recordEdit(const std::function<void()>& edit);
  void beginEdit();
  void endEdit();
  void restore(std::vector<TracksState>& from, std::vector<TracksState>& to);
  bool saveTracksAs();
  void closeEvent(QCloseEvent* event) override;
  void extendRange();
  bool askWhere(const QString& title, const QString& filter, std::filesystem::path& file,
                std::optional<std::int32_t>& offsetMs);
  std::int32_t signalEndMs() const;
  std::filesystem::path synthesizerProgram() const;
  // "&Save as", "Klatt with 41 param" (columns 56, 41) and "&Save formants"
  // (0): every frame, with a warning when the tracks reach past the signal.
  bool saveParams(const std::filesystem::path& file, int columns);

  KlattTracks tracks_;
  KlattSynthesisSettings settings_;
  std::function<void(const std::string&)> play_;
  std::function<void(const QString&)> help_;
  std::vector<std::int16_t> synth_;
  int synthRate_ = 0;
  std::int32_t rangeMs_ = 3500;
  Canvas* canvas_ = nullptr;
  QComboBox* drawInto_ = nullptr;
  std::map<int, QAction*> actions_;
  std::map<int, std::function<void()>> handlers_;
  QPointer<F1F2Plane> plane_;
  FormantOptions analysis_ = formantOptions();
  SupportImageCache snakeImages_;
  SupportMethod supportMethod_ = SupportMethod::Cepstral;
  InitialCurves initialCurves_ = InitialCurves::LpcRoots;
  std::vector<std::vector<SnakeTrackPoint>> intermediate_;  // contours while they move
  std::vector<TracksState> undo_, redo_;
  std::optional<TracksState> pending_;  // the state before the edit under way
  bool modified_ = false;
  std::filesystem::path file_;  // the last parameter file opened or saved
};

}  // namespace ardv::shell
