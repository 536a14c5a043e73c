// libFuzzer target: the bytes are the content of a country file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "annotation/texts.h"
#include "platform/headless/recording_reporter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ardv::RecordingReporter recorder;
  ardv::setReportHandler(&recorder);
  ardv::TextTable table;
  table.loadText(std::string(reinterpret_cast<const char*>(data), size), "fuzz.txt");
  for (int n = 0; n < 64; ++n)
    if (const char* t = table.find(n)) ardv::formatText(t, {n, "x", 1.5});
  recorder.clear();
  ardv::clearFatalRequest();
  return 0;
}
