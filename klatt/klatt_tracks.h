// The data of the formant window: the 23 groups of Klatt parameter track
// pieces, the default record, the time step and the scale, the working track
// (drawn with the mouse, F0 or a snake, waiting to be committed), and the
// operations behind the window's commands. The window draws the groups and
// calls these operations; it adds no logic of its own.
//
// Every operation that can fail reports once and returns false, leaving the
// groups as they were.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "klatt/klatt_records.h"
#include "klatt/klatt_table.h"
#include "klatt/poly_points.h"

namespace ardv {

// The pieces of one group, in ascending debut().
using KlattPieceList = std::list<std::unique_ptr<PolyPointsKla>>;
using KlattGroups = std::array<KlattPieceList, kKlattGroups>;

// Inserts `piece` (not empty) before the first piece of `list` whose start
// is not earlier than its own.
void insertByStart(KlattPieceList& list, std::unique_ptr<PolyPointsKla> piece);

inline constexpr int kInitialStepMs = 4;
inline constexpr int kLinesMode = 1;  // display mode: 0 "Squares", 1 "Lines"

class KlattTracks {
 public:
  KlattGroups groups;
  KlattRecord defaults = initialKlattDefaults();
  int stepMs = kInitialStepMs;  // 2, 4, 8 or 16 in the window
  int scale = 0;                // 0..6, see klattScales()
  int displayMode = kLinesMode;
  double frequence = 16000;     // of the current signal, for sampleDate
  TabPoint<Point2P> working;    // dates in ms, one value on the current scale
  // The frames of the file last opened as read (F0 in tenths of Hz, dates
  // moved by the offset), in date order. A frame written at one of these
  // dates starts from it rather than from the defaults, and keeps each value
  // that the pieces still give as read: what nobody edited is written back
  // as it was, the values the pieces do not show (a group whose key is at
  // its default) included.
  std::vector<KlattRecord> fileFrames;

  bool empty() const;
  // Start of the first piece and end of the last one of any group; nullopt
  // when there are no pieces.
  std::optional<std::int32_t> firstDate() const;
  std::optional<std::int32_t> lastDate() const;

  // Inserts before the first piece of `group` that does not start earlier.
  void insertPiece(int group, std::unique_ptr<PolyPointsKla> piece);

  // "&Open": the first frame moves to `offsetMs` later (nullopt: "Keep
  // location"), never before 0; every piece and fileFrames are replaced by
  // the file's. With `fileStep`, the step becomes the file's own frame step
  // when its first two dates give one (klattFileFrameStep), so that its
  // frames are read and written back without resampling.
  bool open(const std::filesystem::path& file, std::optional<std::int32_t> offsetMs, bool fileStep = true);
  // "&Paste from file": the file's pieces are added to the groups, moved by
  // `offsetMs` (not clamped). Refused with text 6461 when the first frame
  // would start more than 1000 ms after `lastSample` (samples at frequence).
  bool paste(const std::filesystem::path& file, std::int32_t offsetMs, std::int64_t lastSample);

  // "F1".."F3N" (groups 1..9), "&All", "&None".
  void selectGroup(int group);
  void selectAll(bool on);
  // "&Delete": removes the selected pieces; returns how many.
  int deleteSelected();
  // "Remove &first point", "Remove &last point" on the selected pieces.
  void removeFirstPointOfSelected();
  void removeLastPointOfSelected();
  // "&Smooth": spline on the scale's column of each selected piece whose group
  // is on the current scale, then unselects it. Returns the pieces smoothed.
  int smoothSelected();
  // "Merge": in each group with two selected pieces or more, the selected
  // pieces become one piece holding their points in start order (all
  // columns; where a piece overlaps one that starts earlier, the earlier
  // one's points are kept), resampled at the step, gaps bridged linearly;
  // it stays selected. Groups with fewer selected pieces are unchanged.
  // Returns the number of groups merged.
  int mergeSelected();
  // Shifts the selected pieces by delta steps of the current scale.
  void translateSelected(double delta);
  // "&2 ms" .. "&16 ms": sets the step and resamples every piece (pieces left
  // without points are dropped). False for a step outside 1..1000 ms.
  bool setStep(int stepMs);

  // Commits the working track to `group` on the current scale: its values,
  // resampled at the step and clamped to the scale's limits, replace the
  // values of the points of the group's pieces with the same dates; when
  // the scale shows the group's key parameter, the remaining runs become new
  // pieces (other columns from setDefaultKla). The working track is then
  // emptied. False (nothing changed) when the group is not on the scale or
  // the working track is empty or its dates go backwards.
  bool commitWorking(int group);

  // Writes the frames from startMs (inclusive) to endMs (exclusive) as a
  // parameter file of 41 (".kla") or 56 (".kle") columns through
  // ReplacingFile; only the selected pieces (and no fileFrames) when
  // `selectedOnly`. `firstFrameMs`, when given, gets the first frame's date
  // (0 when none is written). False after text 6403 with the file's name
  // and the reason.
  bool write(const std::filesystem::path& file, int columns, std::int32_t startMs, std::int32_t endMs,
             bool selectedOnly = false, std::int32_t* firstFrameMs = nullptr) const;
  // The last date of any piece or file frame when it is at or past `endMs`
  // (the end of the signal), else nullopt.
  std::optional<std::int32_t> reachPast(std::int32_t endMs) const;
  // When the tracks reach past endMs, warns "The tracks reach to N ms, past
  // the end of the signal at M ms: " + `consequence`.
  void warnPastEnd(std::int32_t endMs, const std::string& consequence) const;
  // "&Save formants" and "&Open formants" (formant_listing.h).
  bool writeFormants(const std::filesystem::path& file, std::int32_t startMs, std::int32_t endMs) const;
  bool openFormants(const std::filesystem::path& file);

  // After a change of `frequence`: every sampleDate from its date.
  void recomputeSampleDates(double newFrequence);
};

// The first and last frame dates of a parameter file; -1 and -1 when it has
// no frame (`frames`, when given, gets the number of frames: a file may hold
// one frame dated -1). False after "dateDebFinFilePP : unable to open the
// Klatt file", text 6462 (unknown type word) or a bad-number message, each
// naming the file.
bool dateDebFinFilePP(const std::filesystem::path& file, std::int32_t& first, std::int32_t& last,
                      long* frames = nullptr);

// Reads a parameter file into `out` (emptied first): a piece of group g
// wherever g's key parameter differs from its value in `defaults`, each
// resampled at stepMs; dates moved by offsetMs. False after its report
// ("lirePP : lecture des formants impossible", "lirePP: ce n'est pas un
// fichier pour le synthe de Klatt", a token that is not a number, dates
// that go backwards or leave the int32 range, or more points than the
// reading budget), `out` then empty.
// With `atLeastZero`, the offset is first raised to minus the first frame's
// date, so that no frame moves before 0 (what Open does). `frames`, when
// given, gets the number of frames read; `fileFrames`, when given, the
// frames as read (F0 in tenths, dates moved by the offset).
bool lirePP(const std::filesystem::path& file, std::int32_t offsetMs, const KlattRecord& defaults, int stepMs,
            double frequence, KlattGroups& out, bool atLeastZero = false, long* frames = nullptr,
            std::vector<KlattRecord>* fileFrames = nullptr);

// The difference between the first two frame dates of a parameter file when
// it lies in 1..1000 ms, else nullopt (no report).
std::optional<int> klattFileFrameStep(const std::filesystem::path& file);

// Calls `frame` for every frame the writers write, in date order: from the
// earliest piece or file-frame date at or after startMs rounded down to a
// multiple of the step, while the date is before endMs and some group still
// has a piece, or a file frame lies, at or after it. Each frame starts from
// the file frame of its date (else the default record); every group inside
// one of its pieces gets the linear interpolation of its columns, truncated
// to integers (F0 in Hz), except where that equals the file frame's value
// as read, which stays; a group outside its pieces whose key the file frame
// set gets the defaults (its piece was deleted or moved). `asRead` marks
// the file frame's values (F0 in tenths). Without fileFrames, or with
// `selectedOnly`, every frame starts from the defaults. Stops when `frame`
// returns false. False, after a message, when there would be more than
// kMaxKlattFrames.
inline constexpr std::int64_t kMaxKlattFrames = 7'200'000;  // 8 hours at 4 ms
bool forEachKlattFrame(const KlattTracks& tracks, std::int32_t startMs, std::int32_t endMs, bool selectedOnly,
                       const std::function<bool(const KlattRecord&, const KlattAsRead&)>& frame);

}  // namespace ardv
