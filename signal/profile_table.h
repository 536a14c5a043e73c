// The table of format profiles, loaded once from the "*.fmt" files of the
// format directory. `infoFile::formatIndex` is an index into it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "signal/profile_field.h"

namespace ardv {

class ProfileTable {
 public:
  // alloc_fmt: an empty table, not loaded.
  void alloc_fmt();

  // init_fmt: loads the table from `formatDirectory` unless already loaded.
  // Every "*.fmt" file (extension compared exactly) becomes one entry named
  // after its base name; entries are sorted by name (byte order), since a
  // directory listing has no stable order. A file that is not a regular file
  // of at most kSmallFileMaxBytes, or cannot be read, gives a message and an
  // entry that refuses to describe files; parse faults give their messages
  // and mark their fields failed. A missing directory gives a message and
  // an empty table. Traced at debug level 5 ("init_fmt() : fichier %s").
  // Returns the number of entries.
  int init_fmt(const std::filesystem::path& formatDirectory);

  // Adds one profile parsed from text (for tests and built-in layouts);
  // returns its index. The table then counts as loaded.
  int addFromText(const std::string& name, const std::string& content);

  bool loaded() const { return loaded_; }
  int count() const { return static_cast<int>(profiles_.size()); }
  // Profile i, or nullptr when i is out of range.
  const Profile* at(int i) const;
  // Index of the profile of this name; -1 when there is none.
  int indexOf(const std::string& name) const;
  const std::vector<Profile>& profiles() const { return profiles_; }

 private:
  std::vector<Profile> profiles_;
  bool loaded_ = false;
};

// The program's table.
ProfileTable& profileTable();

// Loads the program's table from program().dirs.format if not yet loaded.
int init_fmt();

}  // namespace ardv
