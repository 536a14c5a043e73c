#include "platform/text_viewer.h"

#include <fstream>
#include <iostream>

#include "platform/report.h"

namespace ardv {
namespace {

class StdoutViewer : public TextViewer {
 public:
  bool show(const std::filesystem::path& file) override {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      message("Unable to read " + file.string());
      return false;
    }
    std::cout << in.rdbuf();
    std::cout.flush();
    return true;
  }
};

TextViewer*& installed() {
  static TextViewer* viewer = nullptr;
  return viewer;
}

}  // namespace

void setTextViewer(TextViewer* viewer) { installed() = viewer; }

TextViewer& textViewer() {
  static StdoutViewer fallback;
  return installed() ? *installed() : fallback;
}

}  // namespace ardv
