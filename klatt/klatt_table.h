// The Klatt synthesizer's parameters: 55 values plus the frame date, in the
// column order of the parameter files, with their defaults, the 23 track
// groups they are edited in and the 7 vertical scales of the formant window.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "spectral/image_levels.h"  // Rgb

namespace ardv {

inline constexpr int kKlattParams = 56;  // index 0 is the frame date in ms
inline constexpr int kKlattGroups = 23;
inline constexpr int kKlattScales = 7;

// One frame. In memory index 1 holds F0 in Hz; files hold tenths of Hz.
using KlattRecord = std::array<std::int32_t, kKlattParams>;

enum KlattIndex : int {
  kDate, kF0hz10, kAVdb, kF1hz, kB1hz, kF2hz, kB2hz, kF3hz, kB3hz, kF4hz, kB4hz,
  kF5hz, kB5hz, kF6hz, kB6hz, kFNZhz, kBNZhz, kFNPhz, kBNPhz, kASP, kKopen,
  kAturb, kTLTdb, kAF, kKskew, kA1, kB1phz, kA2, kB2phz, kA3, kB3phz, kA4,
  kB4phz, kA5, kB5phz, kA6, kB6phz, kANP, kAB, kAVpdb, kGain0, kRax1000,
  kRkx100, kRgx50, kF1Nhz, kB1Nhz, kA1N, kB1Nphz, kF2Nhz, kB2Nhz, kA2N,
  kB2Nphz, kF3Nhz, kB3Nhz, kA3N, kB3Nphz,
};

struct KlattParam {
  std::string_view name;
  std::int32_t initialDefault;  // F0 in Hz
  int group;                    // -1 for the date
  int column;                   // column of the group's points, -1 for the date
};

// The table, indexed by KlattIndex.
const std::array<KlattParam, kKlattParams>& klattParams();

struct KlattGroup {
  std::array<int, 4> params;  // parameter of each column; the first is the key
  int columns;                // 1..4: the point type holds the date and these
  Rgb colour;
};

const std::array<KlattGroup, kKlattGroups>& klattGroups();

// The default record: date 0, every parameter at its initial default.
KlattRecord initialKlattDefaults();

struct KlattScale {
  std::string_view menuEntry;
  int step;
  int minimum;
  int maximum;
  std::string_view axisLabel;
};

const std::array<KlattScale, kKlattScales>& klattScales();

// The column of `group` shown and edited on `scale`, -1 when the group is not
// on that scale.
int klattScaleColumn(int scale, int group);

// The parameter shown for `group` on `scale`, -1 when none.
int klattScaleParam(int scale, int group);

}  // namespace ardv
