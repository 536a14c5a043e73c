// Filling a file description from a format profile.
#include "signal/profile_info.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/report.h"
#include "signal/profile_table.h"

namespace ardv {
namespace {

struct Described {
  double frequence = kProfileDefaultFrequence;
  std::int64_t nbBits = kProfileDefaultBits;
  std::int64_t depl = 0;
  std::int64_t longueur = 0;
  std::int32_t swap = 1;
};

Described describe(const Profile& profile, std::int64_t fileSize, bool withLength) {
  ExpressionVariables vars{};
  vars[kExpressionVariables - 1] = fileSize;
  Described d;
  if (auto v = fieldValue(profile.fields[kFieldFrequence], &vars)) d.frequence = static_cast<double>(v->number);
  if (auto v = fieldValue(profile.fields[kFieldNbBits], &vars)) d.nbBits = v->number;
  if (withLength) {
    if (auto v = fieldValue(profile.fields[kFieldLongueur], &vars)) d.longueur = v->number;
  }
  if (auto v = fieldValue(profile.fields[kFieldDebut], &vars)) d.depl = v->number;
  if (auto v = fieldValue(profile.fields[kFieldSignalSwap], &vars)) d.swap = v->text == "oui" ? 1 : 0;
  return d;
}

// Checks what every description needs; one message naming the profile.
bool plausible(const Profile& profile, const Described& d, const std::string& fileName) {
  std::string fault;
  if (!(d.frequence > 0.0)) {
    fault = "a sampling frequency of " + std::to_string(d.frequence) + " Hz";
  } else if (d.nbBits < 1 || d.nbBits > 16) {
    fault = std::to_string(d.nbBits) + " significant bits (1 to 16 are possible)";
  } else if (d.depl < 0) {
    fault = "a negative offset of the samples (" + std::to_string(d.depl) + " bytes)";
  }
  if (fault.empty()) return true;
  message("The format profile \"" + profile.name + "\" gives " + fault + " for " + fileName);
  return false;
}

const Profile* tableEntry(const infoFile& info) {
  init_fmt();
  const Profile* p = profileTable().at(info.formatIndex);
  if (p == nullptr) {
    message("No format profile number " + std::to_string(info.formatIndex) + " for " + info.nom + " (" +
            std::to_string(profileTable().count()) + " profiles are loaded)");
  }
  return p;
}

}  // namespace

bool describeWithProfile(const Profile& profile, infoFile& info) {
  std::error_code ec;
  std::ifstream probe(info.nom, std::ios::binary);
  const auto size = std::filesystem::file_size(info.nom, ec);
  if (!probe || ec) {
    message("The file " + info.nom + " cannot be opened for reading");
    return false;
  }
  const auto fileSize = static_cast<std::int64_t>(size);
  const Described d = describe(profile, fileSize, true);
  if (!plausible(profile, d, info.nom)) return false;
  if (d.longueur < 0 || d.depl > fileSize || d.longueur > fileSize - d.depl) {
    message("The format profile \"" + profile.name + "\" places the samples of " + info.nom +
            " outside the file: offset " + std::to_string(d.depl) + ", length " + std::to_string(d.longueur) +
            " bytes, but the file has " + std::to_string(fileSize) + " bytes");
    return false;
  }
  info.frequence = d.frequence;
  info.nb_bits = static_cast<std::int32_t>(d.nbBits);
  info.longueur = d.longueur - d.longueur % 2;
  info.depl = d.depl;
  info.swap = d.swap;
  return true;
}

bool describeForWritingWithProfile(const Profile& profile, infoFile& info) {
  const Described d = describe(profile, 0, false);
  if (!plausible(profile, d, info.nom)) return false;
  info.frequence = d.frequence;
  info.nb_bits = static_cast<std::int32_t>(d.nbBits);
  info.depl = d.depl;
  info.swap = d.swap;
  return true;
}

bool init_infoFile_read_non_WAV(infoFile& info) {
  const Profile* p = tableEntry(info);
  return p != nullptr && describeWithProfile(*p, info);
}

bool init_infoFile_write_non_WAV(infoFile& info) {
  const Profile* p = tableEntry(info);
  return p != nullptr && describeForWritingWithProfile(*p, info);
}

}  // namespace ardv
