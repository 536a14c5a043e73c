// From dB columns to display levels and colours: levels 0..255 (0 lightest,
// lowest energy), with scale 254 on the screen and 255 in files; the rows of
// the spectrogram plane or of an image that each bin falls into; the grey
// ramp with its gamma, the colour map and the choice between them; the values
// of the colour legend. Plain data: drawing is the shell's business.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace ardv {

// Screen level: trunc((db - low)*254/(high - low)) limited to 0..255.
int screenLevel(double db, double lowDb, double highDb);
// File level: (db - low)*255/(high - low) limited to 0..255, truncated. The
// byte written is 255 - level.
int fileLevel(double db, double lowDb, double highDb);

// Vertical axis of the plane: u = 0 is 0 Hz, u = 128 the upper display
// frequency; the visible range is uMin .. uMin + uRange (0..128 unzoomed).
struct PlaneAxis {
  int rows = 0;  // H
  double uMin = 0.0;
  double uRange = 128.0;
  // y(u) = H - 1 - trunc((u - uMin)/uRange*H + 0.5)
  int rowOf(double u) const;
};

// Levels of the plane's rows for one column of `bins` = min(N/2, D) bins
// shown with D displayed bins: bins falling into one row are averaged in dB;
// rows[y] = level for each painted row, -1 for rows the column leaves alone.
// `rows` holds axis.rows values.
void screenColumnLevels(const float* column, int bins, int displayedBins, const PlaneAxis& axis, double lowDb,
                        double highDb, std::int16_t* rows);

// The rows screenColumnLevels paints for `bins` bins shown with D displayed
// bins: run i gathers the bins up to lastBin and paints rows rowFrom ..
// rowTo - 1. The same for every column of a pane, so worked out once.
struct ScreenRowRuns {
  struct Run {
    int lastBin, rowFrom, rowTo;
  };
  int bins = 0;
  PlaneAxis axis;
  bool reassignedMean = true;  // reassigned columns: mean of the bins (else maximum)
  std::vector<Run> runs;
};
ScreenRowRuns screenRowRuns(int bins, int displayedBins, const PlaneAxis& axis);
// screenColumnLevels and reassignedScreenLevels over runs worked out before.
void screenColumnLevels(const float* column, const ScreenRowRuns& runs, double lowDb, double highDb,
                        std::int16_t* rows);
void reassignedScreenLevels(const float* column, const ScreenRowRuns& runs, double lowDb, double highDb,
                            std::int16_t* rows);
// reassignedScreenLevels of `count` columns into their rows: the same levels,
// faster (the columns' running values are worked out side by side).
void reassignedScreenLevels(const float* const* columns, int count, const ScreenRowRuns& runs, double lowDb,
                            double highDb, std::int16_t* const* rows);

// File levels of one image row of `height` pixels (first = lowest frequency):
// bins averaged into pixels p = trunc((k+1)*height/D); pixels above the last
// computed bin are level 0 (white).
void fileColumnLevels(const float* column, int bins, int displayedBins, int height, double lowDb, double highDb,
                      std::uint8_t* levels);
// The same levels for the column powerDb(power[k], gainDb), given
// approxDb[k] within kPowerDbError of it (spectral/power_db.h): exact values
// are computed only for the pixels whose level the approximation leaves in
// doubt.
void fileColumnLevelsOfPower(const float* power, const double* approxDb, float gainDb, int bins, int displayedBins,
                             int height, double lowDb, double highDb, std::uint8_t* levels);

// The same for a column of the reassigned image: the mean of the bins of a
// row when bins <= rows, else their largest value (from 0); running values are
// integers. Screen rows as screenColumnLevels with the level
// max(0, trunc((value - low)*254/(high - low))) limited to 255.
void reassignedScreenLevels(const float* column, int bins, int displayedBins, const PlaneAxis& axis, double lowDb,
                            double highDb, std::int16_t* rows);
void reassignedFileLevels(const float* column, int bins, int displayedBins, int height, double lowDb, double highDb,
                          std::uint8_t* levels);

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
using LevelColours = std::array<Rgb, 256>;

// Entry v = (g, g, g), g = trunc((1 - (v/255)^gamma)*255) limited to 0..255.
LevelColours greyRamp(double gamma);
// White through yellow, orange and red to black, by HSV interpolation of the
// nine key colours.
LevelColours colourMap();

// The display's colour state: the two tables, gamma, and the display flags.
struct DisplayColours {
  bool graymode = true;
  bool paletteDevice = false;
  bool lowColourDevice = false;
  double gamma = 1.0;
  LevelColours grey = greyRamp(1.0);
  LevelColours colour = colourMap();

  // Colour of level v (0..255): the colour map when graymode is off or on a
  // low-colour display, else the grey ramp (also what a palette display holds).
  Rgb levelColour(int v) const;
  // Changes gamma and the grey ramp; does nothing on a low-colour display or
  // when |gamma - current| < 0.01. Returns true when the ramp changed (the
  // shell then rebuilds its brushes).
  bool setSpectroGamma(double newGamma);
};

// The program's colour state.
DisplayColours& displayColours();

// The dB values the legend spans: 60..97, or the range of the screen's
// spectrogram when it follows the loudest cell (the shell sets it).
struct LevelRange {
  double lowDb = 60.0, highDb = 97.0;
};
LevelRange& legendRange();
// The legend's dB value of level k: low + k*(high - low)/255.
double legendLevelDb(int k);
// Labels every n-th level: the smallest power of two not below
// max(1, 256/(0.8*planeWidth/labelWidth)) (widths in the same unit).
int legendLabelInterval(double planeWidth, double labelWidth);

}  // namespace ardv
