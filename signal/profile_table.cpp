// Loading the format profiles from the format directory.
#include "signal/profile_table.h"

#include <algorithm>
#include <system_error>

#include "platform/file_access.h"
#include "platform/report.h"
#include "signal/program.h"

namespace ardv {

namespace fs = std::filesystem;

void ProfileTable::alloc_fmt() {
  profiles_.clear();
  loaded_ = false;
}

int ProfileTable::init_fmt(const fs::path& formatDirectory) {
  if (loaded_) return count();
  std::vector<fs::path> files;
  try {
    std::error_code ec;
    fs::directory_iterator it(formatDirectory, ec);
    if (ec) {
      message("No format profiles: the format directory " + formatDirectory.string() + " cannot be listed");
      loaded_ = true;
      return 0;
    }
    for (const fs::directory_entry& entry : it) {
      if (entry.path().extension() == ".fmt" && !entry.is_directory(ec)) files.push_back(entry.path());
    }
  } catch (const std::exception&) {
    message("No format profiles: the format directory " + formatDirectory.string() + " cannot be listed");
    loaded_ = true;
    return 0;
  }
  std::sort(files.begin(), files.end(),
            [](const fs::path& a, const fs::path& b) { return a.stem().string() < b.stem().string(); });
  std::vector<Profile> table;
  table.reserve(files.size());
  for (const fs::path& file : files) {
    if (debugLevel() == 5) traceLine("init_fmt() : fichier " + file.string());
    std::string content, why;
    if (!readSmallFile(file, kSmallFileMaxBytes, content, why)) {
      message("The format profile " + file.string() + " cannot be read: " + why);
      table.push_back(emptyProfile(file.stem().string()));
      table.back().unreadable = why;
      continue;
    }
    Profile p;
    p.name = file.stem().string();
    parseProfileText(content, p);
    table.push_back(std::move(p));
  }
  profiles_ = std::move(table);
  loaded_ = true;
  return count();
}

int ProfileTable::addFromText(const std::string& name, const std::string& content) {
  Profile p;
  p.name = name;
  parseProfileText(content, p);
  profiles_.push_back(std::move(p));
  loaded_ = true;
  return count() - 1;
}

const Profile* ProfileTable::at(int i) const {
  return i >= 0 && i < count() ? &profiles_[static_cast<std::size_t>(i)] : nullptr;
}

int ProfileTable::indexOf(const std::string& name) const {
  for (int i = 0; i < count(); ++i) {
    if (profiles_[static_cast<std::size_t>(i)].name == name) return i;
  }
  return -1;
}

ProfileTable& profileTable() {
  static ProfileTable table;
  return table;
}

int init_fmt() { return profileTable().init_fmt(program().dirs.format); }

}  // namespace ardv
