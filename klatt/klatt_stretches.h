// Conversion of a Klatt parameter file of any length, stretch by stretch:
// the pieces of one stretch (with the records around it) at a time, so that
// memory does not grow with the file.
#pragma once

#include <cstdint>
#include <filesystem>

#include "klatt/klatt_table.h"

namespace ardv {

// What `ardv-cli tracks` makes of a parameter file: KlattTracks::open (the
// first frame moved to 0 or later), then write with `columns` (41 or 56)
// or, for columns 0, writeFormants, over every frame of the pieces. Pieces
// are read from the records of stretches of about `stretchMs` each and of
// the two records either side, which hold every point a frame of the
// stretch interpolates. False after the reader's or the writer's message.
bool convertKlattFile(const std::filesystem::path& in, const std::filesystem::path& out, int columns, int stepMs,
                      double frequence, const KlattRecord& defaults, std::int32_t stretchMs = 60000);

}  // namespace ardv
