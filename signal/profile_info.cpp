// Filling a file description from a format profile.
#include "signal/profile_info.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "platform/file_access.h"
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
  bool hasLength = false;
};

// Where a field's value came from, for messages: "the format profile "p"
// (p.fmt, line 3: longueur)".
std::string fieldPlace(const Profile& profile, int field) {
  const int line = profile.fields[static_cast<std::size_t>(field)].line;
  return "The format profile \"" + profile.name + "\" (" +
         (line > 0 ? profilePlace(profile, line) + ": " : std::string()) + profileFieldKey(field) + ")";
}

// The five values for a file of `fileSize` bytes. A field that failed, or
// whose value cannot be taken, refuses the whole description with one
// message: a profile that cannot say where the samples are must not
// describe an empty or a shifted signal.
bool describe(const Profile& profile, std::int64_t fileSize, bool withLength, const std::string& fileName,
              Described& d) {
  if (!profile.unreadable.empty()) {
    message("The format profile \"" + profile.name + "\" could not be read (" + profile.unreadable + "); " +
            fileName + " is not described");
    return false;
  }
  ExpressionVariables vars{};
  vars[kExpressionVariables - 1] = fileSize;
  std::optional<FieldResult> values[kProfileFieldCount];
  for (int f = 0; f < kProfileFieldCount; ++f) {
    const FieldValue& field = profile.fields[static_cast<std::size_t>(f)];
    // A file to be written has no length yet, but a broken line still counts.
    if (f == kFieldLongueur && !withLength && !field.failed) continue;
    std::string fault;
    values[f] = fieldValue(field, &vars, fault);
    if (!fault.empty()) {
      message(fieldPlace(profile, f) + " gives no value for " + fileName + ": " + fault);
      return false;
    }
  }
  if (values[kFieldFrequence]) d.frequence = static_cast<double>(values[kFieldFrequence]->number);
  if (values[kFieldNbBits]) d.nbBits = values[kFieldNbBits]->number;
  if (values[kFieldLongueur]) d.longueur = values[kFieldLongueur]->number;
  d.hasLength = values[kFieldLongueur].has_value();
  if (values[kFieldDebut]) d.depl = values[kFieldDebut]->number;
  if (values[kFieldSignalSwap]) d.swap = values[kFieldSignalSwap]->text == "oui" ? 1 : 0;
  return true;
}

// Checks what every description needs; one message naming the profile.
bool plausible(const Profile& profile, const Described& d, const std::string& fileName) {
  std::string fault;
  int field = 0;
  if (!(d.frequence >= kMinSamplingFrequency && d.frequence <= kMaxSamplingFrequency)) {
    field = kFieldFrequence;
    fault = "a sampling frequency of " + std::to_string(static_cast<long long>(d.frequence)) + " Hz (1 to " +
            std::to_string(static_cast<long long>(kMaxSamplingFrequency)) + " Hz are possible)";
  } else if (d.nbBits < 1 || d.nbBits > 16) {
    field = kFieldNbBits;
    fault = std::to_string(d.nbBits) + " significant bits (1 to 16 are possible)";
  } else if (d.depl < 0) {
    field = kFieldDebut;
    fault = "a negative offset of the samples (" + std::to_string(d.depl) + " bytes)";
  }
  if (fault.empty()) return true;
  message(fieldPlace(profile, field) + " gives " + fault + " for " + fileName);
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
  // Checked before opening: a FIFO would block, a device has no size.
  const std::string problem = regularFileProblem(info.nom);
  if (!problem.empty()) {
    message("The file " + info.nom + " cannot be opened for reading: " + problem);
    return false;
  }
  std::error_code ec;
  std::ifstream probe(info.nom, std::ios::binary);
  const auto size = std::filesystem::file_size(info.nom, ec);
  if (!probe || ec) {
    message("The file " + info.nom + " cannot be opened for reading");
    return false;
  }
  const auto fileSize = static_cast<std::int64_t>(size);
  Described d;
  if (!describe(profile, fileSize, true, info.nom, d) || !plausible(profile, d, info.nom)) return false;
  // Without a length the samples run to the end of the file, not to an empty signal.
  if (!d.hasLength && d.depl <= fileSize) d.longueur = fileSize - d.depl;
  if (d.longueur < 0 || d.depl > fileSize || d.longueur > fileSize - d.depl) {
    message(fieldPlace(profile, kFieldLongueur) + " places the samples of " + info.nom +
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
  Described d;
  if (!describe(profile, 0, false, info.nom, d) || !plausible(profile, d, info.nom)) return false;
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
