// Shared by the fuzz targets: reports kept only for one input, and scratch
// files that hold an input, removed when the fuzzer exits.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/headless/recording_reporter.h"
#include "signal/replacing_file.h"

namespace ardv::fuzz {

// While alive, reports go to a recorder; at its end they and any fatal request are dropped.
struct ReportScope {
  ReportScope() { setReportHandler(&recorder()); }
  ~ReportScope() {
    recorder().clear();
    clearFatalRequest();
  }
  static RecordingReporter& recorder() {
    static RecordingReporter r;
    return r;
  }
};

// A file of the temporary directory named for the process and `name`.
struct ScratchFile {
  explicit ScratchFile(const std::string& name)
      : path(std::filesystem::temp_directory_path() / ("ardv-fuzz-" + std::to_string(::getpid()) + "-" + name)) {}
  ~ScratchFile() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
  // Replaces the content with `bytes`; the path.
  const std::filesystem::path& hold(std::string_view bytes) const {
    ReplacingFile out{path};
    (void)(out.open() && out.write(bytes) && out.commit());
    return path;
  }
  const std::filesystem::path& hold(const std::uint8_t* data, std::size_t size) const {
    return hold(std::string_view(reinterpret_cast<const char*>(data), size));
  }
  std::filesystem::path path;
};

}  // namespace ardv::fuzz
