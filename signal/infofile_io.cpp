// Dispatch between the WAV and the profile descriptions.
#include "signal/infofile_io.h"

#include "signal/profile_info.h"
#include "signal/wavfile.h"

namespace ardv {

bool init_infoFile_read(infoFile& info) {
  return isWavName(info.nom) ? init_infoFile_read_WAV(info) : init_infoFile_read_non_WAV(info);
}

bool init_infoFile_write(infoFile& info) {
  if (isWavName(info.nom)) {
    init_infoFile_write_WAV(info);
    return true;
  }
  return init_infoFile_write_non_WAV(info);
}

}  // namespace ardv
