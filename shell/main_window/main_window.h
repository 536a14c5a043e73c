// The main window `Wtop`: menu "COMMANDE" built from the command table, the
// word pane, the spectrogram plane, the phoneme pane, the signal plane and
// the scroll bar, laid out on every resize; it follows the current signal.
#pragma once

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QScrollBar>
#include <functional>
#include <map>

#include "annotation/textgrid.h"
#include "shell/logic/geometry.h"
#include "shell/logic/info_lines.h"
#include "shell/logic/view_ops.h"
#include "shell/panes/annotation_pane.h"
#include "shell/panes/signal_plane.h"
#include "shell/panes/spectro_plane.h"
#include "signal/signal_listener.h"

namespace ardv::shell {

class EditingToolsWindow;
class OverviewStrip;
class TierPane;
struct SearchForm;
class EnergyDialog;
class FormantWindow;
class HelpWindow;
class Player;
class PhoneticAnnotatorWindow;
class SpectroParamsWindow;
class ValueScale;
class MeasurementPanel;
class SegmentTableWindow;

class MainWindow : public QMainWindow, public CurrentSignalListener {
  Q_OBJECT
 public:
  // `lines` are the information window's lines (not owned; may outlive
  // nothing else), `refreshLines` redraws them.
  MainWindow(InfoLines& lines, std::function<void()> refreshLines, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Opens a file as the "&Open" command does after its file dialog.
  bool openPath(const std::string& path);
  // Runs command `id` as the menu would (nothing when disabled). Returns
  // false when the command is absent or disabled.
  bool runCommand(int id);
  // Shows the stretch starting at `ms` milliseconds ("Go to" after its box).
  bool goToMs(double ms);
  // The view after moving the scroll bar thumb to `position`.
  void scrollTo(int position);
  // Shows the stretch of the same width starting at sample `start`.
  bool showFromSample(std::int32_t start);
  // Moves or zooms the view by a navigation step (keys, toolbar, wheel).
  bool navigate(Step step, double steps = 1.0);
  // Moves the view to show sample `sample` when it is off screen, keeping
  // the selection (the play cursor).
  void follow(std::int32_t sample);
  // The pointer is over sample `sample` (-1: off the panes), pixel row `y`
  // of the spectrogram (-1: not over it): status bar and pointer line.
  void pointerAt(std::int32_t sample, int spectroRow);
  QLabel* pointerReadout() const { return pointerLabel_; }
  QLabel* selectionReadout() const { return selectionLabel_; }
  // Makes samples first..last the selection (a click on a label).
  void selectSamples(std::int32_t first, std::int32_t last);

  // The phonetic annotator on the phoneme segment containing `sample` (one
  // annotator at a time: an open one moves there).
  void openAnnotator(std::int32_t sample);
  PhoneticAnnotatorWindow* annotator() const;
  EditingToolsWindow* editingTools() const;
  FormantWindow* formantWindow() const;  // klatt_commands.cpp
  // An annotation list or the samples changed: the panes, the annotator and
  // the information lines follow.
  void contentEdited();
  // Draws phoneme segment `segment` highlighted in the panes; -1 for none.
  void highlightSegment(int segment);

  QAction* action(int id) const;
  // Whether command `id` has an operation here.
  bool isWired(int id) const { return handlers_.count(id) != 0; }
  // Runs the directory search of `form` as commands 49 and 58 do after their
  // dialog: the gathered signal becomes the current signal, the results are
  // shown. Returns the occurrences found, -1 when the search could not run.
  int exploreDirectory(const SearchForm& form);
  // The measurement panel (a dock, hidden at first) and the segment table
  // window (nullptr until opened) (measurement_commands.cpp).
  MeasurementPanel* measurementPanel() const { return measurementPanel_; }
  SegmentTableWindow* segmentTable() const;
  // Enables the commands whose needs are met (file, selection).
  void updateCommandStates();

  SignalPlane* signalPlane() const { return signalPlane_; }
  SpectroPlane* spectroPlane() const { return spectroPlane_; }
  AnnotationPane* wordPane() const { return wordPane_; }
  AnnotationPane* phonemePane() const { return phonemePane_; }
  QScrollBar* scrollBar() const { return scrollBar_; }
  OverviewStrip* overview() const { return overview_; }
  // The other tiers of the last TextGrid read (tier_pane.h); emptied when a
  // signal is opened.
  TierPane* tierPane() const { return tierPane_; }
  void setOtherTiers(std::vector<ShownTier> tiers);
  const ScrollMapping& scrollMapping() const { return scrollMapping_; }
  // The layout last applied.
  const MainLayout& layout() const { return layout_; }
  int lineHeight() const { return lineHeight_; }
  InfoLines& infoLines() { return lines_; }
  // Plays stretches of the current signal and files (audio_commands.cpp).
  Player& player() const { return *player_; }

  // The modification results (modification_commands.cpp): the recording
  // the current result was made from opened again; the current result
  // dropped (after the "Modifications" question; a result saved there is
  // kept) and its file removed, the signal it was made from opened again.
  // False when the current signal is no result or the question or the open
  // failed.
  bool backToOriginal();
  bool discardResult();

  // Whether opened files go into "Recent files" (not in batch runs).
  void setRecentFilesKept(bool kept) { recentKept_ = kept; }

  // Recomputes and redraws every view of the current signal.
  void refreshAll();

  // CurrentSignalListener
  void modeChanged(int mode) override;
  void memoryModeChanged(int modeMemoire) override;
  void signalOpened() override;
  void redrawAll() override;

 signals:
  // The window was closed: the application ends.
  void closed();
  // The pointer moved over sample `sample` of the panes.
  void pointerMoved(std::int32_t sample);
  // The selection, the signal or its labels may have changed.
  void selectionChanged();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  class ClientArea;
  void buildMenus();
  void bindCommands();      // main_commands.cpp
  void bindEditCommands();  // edit_commands.cpp
  void bindAnalysisCommands();  // analysis_commands.cpp
  void bindSettingsCommands();  // settings_commands.cpp
  void bindAudioCommands();     // audio_commands.cpp
  void bindAnnotationCommands();  // annotation_commands.cpp
  void bindProsodyCommands();   // prosody_commands.cpp
  void bindSearchCommands();    // search_commands.cpp
  void bindModificationCommands();  // modification_commands.cpp
  void bindFormantCommands();   // formant_commands.cpp
  void bindKlattCommands();     // klatt_commands.cpp
  void bindMeasurementCommands();  // measurement_commands.cpp
  void followFormantWindow();   // klatt_commands.cpp
  // F0 in Hz under the pointer at `sample` for line 12; -1 when no F0 is shown.
  int f0UnderPointer(std::int32_t sample) const;  // prosody_commands.cpp
  void layoutPanes();
  void syncScrollBar();
  void onSelectionFinished(const Selection& selection);
  void refreshInfo();
  void clearSelections();
  void addRecentFile(const std::string& path);
  void buildNavigation();
  // The F0 and energy scales go with the curves (prosody_commands.cpp).
  void hideValueScales();
  // Every curve, mark and candidate drawn over the panes goes with the
  // samples it came from: dropped on open, sample edits and Cancel.
  void dropOverlays();
  // Shows or hides a value scale with its menu check, making room for it.
  void setScaleShown(ValueScale* scale, int id, bool shown);
  void rebuildRecentMenu();
  void rebuildResultsMenu();  // modification_commands.cpp

  // Commands (main_commands.cpp)
  void commandOpen();
  void commandGoTo();
  void commandDetails();
  void commandOptions();
  void commandHelp(const QString& anchor);
  void commandAbout();
  void commandCopyBitmap(const PlaneView* view);
  void commandSpectroParams(int kind);
  void commandSavePgm();

  InfoLines& lines_;
  std::function<void()> refreshLines_;
  ClientArea* client_ = nullptr;
  SpectroPlane* spectroPlane_ = nullptr;
  SignalPlane* signalPlane_ = nullptr;
  AnnotationPane* wordPane_ = nullptr;
  AnnotationPane* phonemePane_ = nullptr;
  QScrollBar* scrollBar_ = nullptr;
  OverviewStrip* overview_ = nullptr;
  TierPane* tierPane_ = nullptr;
  ScrollMapping scrollMapping_;
  MainLayout layout_;
  int lineHeight_ = 0;
  bool syncingScroll_ = false;
  std::map<int, QAction*> actions_;
  std::map<int, std::function<void()>> handlers_;
  QMenu* recentMenu_ = nullptr;
  QMenu* resultsMenu_ = nullptr;  // "Modification results"
  bool recentKept_ = true;
  QLabel* pointerLabel_ = nullptr;
  QLabel* selectionLabel_ = nullptr;
  bool energyShown_ = false;  // the energy curve is drawn (readout)
  // The analysis ceiling of each frame of the formant tracks last drawn, for
  // the readout (formant_commands.cpp).
  struct TrackCeilings {
    std::string file;
    std::vector<std::pair<std::int64_t, double>> frames;  // centre, ceiling Hz
  } trackCeilings_;
  std::optional<double> ceilingUnderPointer(std::int32_t sample) const;
  std::int32_t clickSample_ = -1;  // the last click in a plane (status bar)
  QPointer<HelpWindow> help_;
  QPointer<PhoneticAnnotatorWindow> annotator_;
  QPointer<EditingToolsWindow> editingTools_;
  std::map<int, QPointer<SpectroParamsWindow>> paramWindows_;
  Player* player_ = nullptr;  // child object
  bool fmaxKept_ = false;  // the upper display frequency stays for every file
  // Prosody (prosody_commands.cpp): the F0 and energy scales over the
  // spectrogram, the energy options window, and where the F0 shown comes from.
  ValueScale* f0Scale_ = nullptr;
  ValueScale* energyScale_ = nullptr;
  QPointer<EnergyDialog> energyDialog_;
  QPointer<FormantWindow> formantWindow_;
  MeasurementPanel* measurementPanel_ = nullptr;
  QPointer<SegmentTableWindow> segmentTable_;
  enum class F0Shown { None, LastRun, PitchFile } f0Shown_ = F0Shown::None;
  std::uint64_t overlaySerial_ = 0;  // the sample edit the overlays belong to
};

}  // namespace ardv::shell
