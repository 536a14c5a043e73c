#include "klatt/klatt_table.h"

namespace ardv {

const std::array<KlattParam, kKlattParams>& klattParams() {
  static const std::array<KlattParam, kKlattParams> table{{
      {"Date", 0, -1, -1},      {"F0hz10", 100, 0, 0},    {"AVdb", 60, 0, 1},
      {"F1hz", 0, 1, 0},        {"B1hz", 50, 1, 2},       {"F2hz", 0, 2, 0},
      {"B2hz", 60, 2, 2},       {"F3hz", 0, 3, 0},        {"B3hz", 90, 3, 2},
      {"F4hz", 0, 4, 0},        {"B4hz", 140, 4, 2},      {"F5hz", 0, 5, 0},
      {"B5hz", 210, 5, 2},      {"F6hz", 0, 6, 0},        {"B6hz", 300, 6, 2},
      {"FNZhz", 280, 10, 0},    {"BNZhz", 90, 10, 1},     {"FNPhz", 0, 11, 0},
      {"BNPhz", 150, 11, 2},    {"ASP", 0, 12, 0},        {"Kopen", 30, 13, 0},
      {"Aturb", 0, 14, 0},      {"TLTdb", 0, 15, 0},      {"AF", 0, 16, 0},
      {"Kskew", 0, 17, 0},      {"A1", 0, 1, 1},          {"B1phz", 4003, 1, 3},
      {"A2", 0, 2, 1},          {"B2phz", 4003, 2, 3},    {"A3", 0, 3, 1},
      {"B3phz", 4003, 3, 3},    {"A4", 0, 4, 1},          {"B4phz", 4003, 4, 3},
      {"A5", 0, 5, 1},          {"B5phz", 4003, 5, 3},    {"A6", 0, 6, 1},
      {"B6phz", 4003, 6, 3},    {"ANP", 0, 11, 1},        {"AB", 0, 18, 0},
      {"AVpdb", 60, 0, 2},      {"Gain0", 55, 19, 0},     {"Rax1000", 17, 20, 0},
      {"Rkx100", 30, 21, 0},    {"Rgx50", 180, 22, 0},    {"F1Nhz", 0, 7, 0},
      {"B1Nhz", 90, 7, 2},      {"A1N", 0, 7, 1},         {"B1Nphz", 4003, 7, 3},
      {"F2Nhz", 0, 8, 0},       {"B2Nhz", 90, 8, 2},      {"A2N", 0, 8, 1},
      {"B2Nphz", 4003, 8, 3},   {"F3Nhz", 0, 9, 0},       {"B3Nhz", 90, 9, 2},
      {"A3N", 0, 9, 1},         {"B3Nphz", 4003, 9, 3},
  }};
  return table;
}

const std::array<KlattGroup, kKlattGroups>& klattGroups() {
  static const std::array<KlattGroup, kKlattGroups> groups{{
      {{kF0hz10, kAVdb, kAVpdb, -1}, 3, {128, 128, 0}},
      {{kF1hz, kA1, kB1hz, kB1phz}, 4, {255, 0, 0}},
      {{kF2hz, kA2, kB2hz, kB2phz}, 4, {255, 0, 255}},
      {{kF3hz, kA3, kB3hz, kB3phz}, 4, {0, 0, 255}},
      {{kF4hz, kA4, kB4hz, kB4phz}, 4, {0, 255, 0}},
      {{kF5hz, kA5, kB5hz, kB5phz}, 4, {255, 255, 0}},
      {{kF6hz, kA6, kB6hz, kB6phz}, 4, {0, 255, 255}},
      {{kF1Nhz, kA1N, kB1Nhz, kB1Nphz}, 4, {255, 140, 0}},
      {{kF2Nhz, kA2N, kB2Nhz, kB2Nphz}, 4, {128, 0, 128}},
      {{kF3Nhz, kA3N, kB3Nhz, kB3Nphz}, 4, {0, 0, 128}},
      {{kFNZhz, kBNZhz, -1, -1}, 2, {0, 128, 0}},
      {{kFNPhz, kANP, kBNPhz, -1}, 3, {128, 0, 0}},
      {{kASP, -1, -1, -1}, 1, {128, 128, 0}},
      {{kKopen, -1, -1, -1}, 1, {0, 128, 128}},
      {{kAturb, -1, -1, -1}, 1, {0, 0, 128}},
      {{kTLTdb, -1, -1, -1}, 1, {128, 0, 128}},
      {{kAF, -1, -1, -1}, 1, {255, 0, 255}},
      {{kKskew, -1, -1, -1}, 1, {0, 0, 255}},
      {{kAB, -1, -1, -1}, 1, {0, 255, 0}},
      {{kGain0, -1, -1, -1}, 1, {0, 255, 255}},
      {{kRax1000, -1, -1, -1}, 1, {255, 140, 0}},
      {{kRkx100, -1, -1, -1}, 1, {128, 128, 128}},
      {{kRgx50, -1, -1, -1}, 1, {0, 255, 0}},
  }};
  return groups;
}

KlattRecord initialKlattDefaults() {
  KlattRecord r{};
  for (int i = 0; i < kKlattParams; ++i) r[i] = klattParams()[i].initialDefault;
  return r;
}

const std::array<KlattScale, kKlattScales>& klattScales() {
  static const std::array<KlattScale, kKlattScales> scales{{
      {"&Frequency", 10, 50, 7500, "Hz"},
      {"&Amplitude (Parallel)", 1, -120, 120, "dB parallel"},
      {"&Bandwidth (Cascade)", 2, 10, 400, "Bw cascade"},
      {"&Bandwith (Parallel)", 2, 10, 400, "Bw parallel"},
      {"&Amplitude (Cascade)", 1, -120, 120, "dB cascade"},
      {"&Frequency (F0)", 2, 0, 800, "Hz(F0)"},
      {"&Numeral", 1, 0, 100, "Numeral"},
  }};
  return scales;
}

int klattScaleColumn(int scale, int group) {
  if (group < 0 || group >= kKlattGroups) return -1;
  const bool formant = group >= 1 && group <= 9;
  switch (scale) {
    case 0: return group >= 1 && group <= 11 ? 0 : -1;
    case 1:
      if (group == 0) return 2;
      return formant || group == 11 ? 1 : -1;
    case 2:
      if (group == 10) return 1;
      return formant || group == 11 ? 2 : -1;
    case 3: return formant ? 3 : -1;
    case 4:
      if (group == 0) return 1;
      switch (group) {
        case 12: case 14: case 15: case 16: case 18: case 19: return 0;
        default: return -1;
      }
    case 5: return group == 0 ? 0 : -1;
    case 6:
      switch (group) {
        case 13: case 17: case 20: case 21: case 22: return 0;
        default: return -1;
      }
    default: return -1;
  }
}

int klattScaleParam(int scale, int group) {
  const int column = klattScaleColumn(scale, group);
  return column < 0 ? -1 : klattGroups()[group].params[column];
}

}  // namespace ardv
