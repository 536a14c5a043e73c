// Writing a file without risking the previous one: the content goes to a
// temporary file beside the target, which replaces the target only when every
// byte has been written.
#pragma once

#include <cstddef>
#include <filesystem>
#include <fstream>

namespace ardv {

class ReplacingFile {
 public:
  explicit ReplacingFile(std::filesystem::path target);
  // Removes the temporary file unless commit() succeeded.
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Creates the temporary file. False (no report) when it cannot be created.
  bool open();
  // Appends `count` bytes. False (no report) when the system fails to write.
  bool write(const void* bytes, std::size_t count);
  // Closes the temporary file and renames it over the target. False (no
  // report) when closing or renaming fails; the target is then untouched and
  // the temporary file removed.
  bool commit();

  const std::filesystem::path& target() const { return target_; }
  const std::filesystem::path& temporaryPath() const { return temporary_; }

 private:
  void discard();
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::ofstream out_;
  bool committed_ = false;
};

}  // namespace ardv
