// Describing a file that is not read as WAV through its format profile
// (`infoFile::formatIndex` into the profile table).
#pragma once

#include "signal/infofile.h"
#include "signal/profile_field.h"

namespace ardv {

// Default sampling frequency (Hz) and significant bits of a profile that does
// not give them.
constexpr double kProfileDefaultFrequence = 16000.0;
constexpr int kProfileDefaultBits = 16;

// Fills `info` (frequence, nb_bits, longueur, depl, swap) from `profile` for
// the file `info.nom`: the expressions see a..z = 0 and SOF = the file's
// size. Absent fields take 16000 Hz, 16 bits, offset 0, length 0 and swapped
// bytes; signal_swap swaps only when its string is exactly "oui". An odd
// length is cut to an even one. Refused, with one message naming the
// profile, the field and its line, and `info` unchanged: a file that cannot
// be opened, a profile that could not be read, a field whose line failed or
// whose value cannot be taken, a frequency outside
// kMinSamplingFrequency..kMaxSamplingFrequency, bits outside 1..16, or a
// sample area that does not lie inside the file. Returns true on success.
bool describeWithProfile(const Profile& profile, infoFile& info);

// The same through the program's profile table entry `info.formatIndex`
// (loading the table if needed); an index outside the table is refused.
bool init_infoFile_read_non_WAV(infoFile& info);

// Prepares `info` to be written through its profile: as above with a file
// size of 0, and `longueur` left alone. The destination keeps these nb_bits
// and swap; its first `depl` bytes are copied from the source when written.
// Refused (message, `info` unchanged) for an index outside the table, a
// profile that could not be read, a failed field, or invalid frequency /
// bits / offset.
bool init_infoFile_write_non_WAV(infoFile& info);
bool describeForWritingWithProfile(const Profile& profile, infoFile& info);

}  // namespace ardv
