// Showing a text file to the user: an in-app viewer in the shell, standard
// output in the command line.
#pragma once

#include <filesystem>

namespace ardv {

class TextViewer {
 public:
  virtual ~TextViewer() = default;
  // Shows the file; returns false (after a report) when it cannot be read.
  virtual bool show(const std::filesystem::path& file) = 0;
};

// Installs a viewer (not owned); nullptr restores the one printing to standard output.
void setTextViewer(TextViewer* viewer);
TextViewer& textViewer();

}  // namespace ardv
