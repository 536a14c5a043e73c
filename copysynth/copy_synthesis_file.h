// Copy synthesis of a whole signal file with our synthesizer run in-process:
// the chain `ardv-cli copy-synth` and the Python module share.
#pragma once

#include <filesystem>
#include <functional>

#include "formants/formant_tracks.h"
#include "signal/infofile.h"
#include "tools/klatt/klatt_synth.h"

namespace ardv::klatt {

// Frame step of the tracks copy synthesis makes, ms.
constexpr int kCopyStepMs = 4;

// The synthesizer's options for copy-synthesis tracks at rateHz, with the
// output waveform (7 the excitation alone, 8 the whole output).
SynthOptions copySynthesisOptions(int rateHz, int waveform);

// Copies the described file `info`: F0 of the whole file (a temporary pitch
// file), the formant tracks of `method` at `options` (McCandless at
// options.ceilingHz, 0 choosing it per voiced stretch), the default pieces and the fit of
// the parallel amplitudes, with every temporary file in `tempDir` (unique
// names: runs may go side by side). Memory does not grow with the file.
// `result` gets the finished 56-column parameter file while it exists (it is
// removed afterwards). False after a report: a rate or length that cannot be
// analysed, a recording with no voiced or fricative frame, a failed step, or
// `result` returning false.
bool copySynthesizeFile(const infoFile& info, TrackMethod method, const FormantOptions& options,
                        const std::filesystem::path& tempDir,
                        const std::function<bool(const std::filesystem::path& result)>& result);

}  // namespace ardv::klatt
