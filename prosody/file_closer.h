// Closes a C stream when it goes out of scope; `f` may be set to nullptr once
// the stream has been closed explicitly.
#pragma once

#include <cstdio>

namespace ardv {

struct FileCloser {
  std::FILE* f;
  ~FileCloser() {
    if (f) std::fclose(f);
  }
};

}  // namespace ardv
