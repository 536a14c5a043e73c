// Profile options of the command line.
#include "cli/signal_options.h"

#include <filesystem>
#include <system_error>

#include "platform/report.h"
#include "signal/infofile_io.h"
#include "signal/profile_table.h"
#include "signal/wavfile.h"

namespace ardv::cli {

int profileIndexByName(const std::string& name) {
  init_fmt();
  const int index = profileTable().indexOf(name);
  if (index >= 0) return index;
  std::string known;
  for (const Profile& p : profileTable().profiles()) known += (known.empty() ? "" : ", ") + p.name;
  message("No format profile named \"" + name + "\"" +
          (known.empty() ? std::string(" (no profiles are loaded)") : " (known: " + known + ")"));
  return -1;
}

bool describeForReading(const std::string& file, const std::optional<std::string>& profile, infoFile& info) {
  std::error_code error;
  if (std::filesystem::is_directory(file, error)) {
    message(file + " is a directory, not a signal file.");
    return false;
  }
  // A profile is only used for a file not read as WAV, but a wrong name is always a mistake.
  if (profile && isWavName(file) && profileIndexByName(*profile) < 0) return false;
  infoFile candidate;
  candidate.nom = file;
  if (!isWavName(file)) {
    if (!profile) {
      message(file + "\r\nis not read as a WAV file (extensions .wav, .ard, .wa$); give its format profile with "
                     "--profile NAME (see ardv-cli profiles).");
      return false;
    }
    candidate.formatIndex = profileIndexByName(*profile);
    if (candidate.formatIndex < 0) return false;
  }
  if (!init_infoFile_read(candidate)) return false;
  info = candidate;
  return true;
}

}  // namespace ardv::cli
