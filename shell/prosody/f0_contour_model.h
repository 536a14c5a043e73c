// The F0 contour window's data, without Qt: a reference and a modifiable
// contour (`PolyPointsF0`, point tracks of (ms, Hz) points), the signal they
// belong to, pitch-file import and save, and the mouse edit of a point.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "klatt/poly_points.h"

namespace ardv {

class PolyPointsF0 : public PolyPointsAD<TabPoint<Point2P>, Point2P> {};

struct F0Contour {
  std::string signal;  // path of the signal the contour belongs to
  double fs = 0;
  PolyPointsF0 reference;
  PolyPointsF0 modifiable;

  bool empty() const { return modifiable.nbPoints == 0; }
  // (ms, Hz) of the modifiable contour.
  std::vector<std::pair<long, int>> points() const;
};

// Imports a pitch file for the signal `signal` at `fs` Hz into `out` (both
// contours; the previous pair is dropped only on success). False after "Ce
// fichier n'est pas un fichier de pitch" or the reason it cannot be read.
bool importContour(const std::filesystem::path& path, const std::string& signal, double fs, F0Contour& out);

// Writes the modifiable contour as a pitch file: the header, then
// "%10d %5d\r\n" per point (ms, trunc(Hz)). False after "erreur d'ecriture".
bool saveContour(const F0Contour& contour, const std::filesystem::path& path);

// True when the contour belongs to `signal`; otherwise reports text 6931.
bool contourBelongsTo(const F0Contour& contour, const std::string& signal);

// The modifiable point nearest to (ms, Hz) within `toleranceMs` in time, -1
// when none; `hzPerMs` makes the axes comparable.
int pickPoint(const F0Contour& contour, double ms, double hz, double hzPerMs, double toleranceMs);
// Sets point i's F0 to hz, limited to 0..1000 Hz; a point at 0 stays
// unvoiced.
void movePoint(F0Contour& contour, int i, double hz);

// The modifiable contour drawn along a straight stroke from (ms0, hz0) to
// (ms1, hz1), in either direction: each voiced point dated between the two
// ends takes the stroke's F0 at its date, rounded to a whole Hz and limited
// to 1..1000 Hz as movePoint does; unvoiced points stay unvoiced. Returns
// the number of points set.
int drawStroke(F0Contour& contour, double ms0, double hz0, double ms1, double hz1);

// Every voiced point of the modifiable contour dated firstMs..lastMs
// (inclusive) multiplied by 2^(semitones/12), limited to 1..1000 Hz.
// Returns the number of points changed.
int shiftStretch(F0Contour& contour, double firstMs, double lastMs, double semitones);

}  // namespace ardv
