// libFuzzer target: the bytes are read as every kind of phoneme label file,
// every kind of word annotation file, and as a Praat TextGrid.
#include <cstddef>
#include <cstdint>
#include <string>

#include "annotation/label_files.h"
#include "annotation/phonetic_description.h"
#include "annotation/textgrid.h"
#include "platform/headless/recording_reporter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ardv::RecordingReporter recorder;
  ardv::setReportHandler(&recorder);
  static const bool inventory = ardv::phoneticDescription().loadText(
      "phon \"\" \"none\"\nphon \"a\" \"a\"\nphon \"ai\" \"ai\"\nphon \"#\" \"pause\"\n");
  (void)inventory;
  const std::string text(reinterpret_cast<const char*>(data), size);
  ardv::infoFile info;
  info.frequence = 16000;
  ardv::notetiqs list, words;
  for (int kind = 1; kind <= 4; ++kind) {
    info.labelKind = kind;
    info.annotationKind = kind;
    ardv::parsePhonemeFile(text, info, "fuzz", list);
    ardv::parseWordFile(text, info, "fuzz", words);
  }
  ardv::parseTextGrid(text, 16000, 1 << 20, "fuzz", list, words);
  ardv::parseTextGrid(text, 44100, 0, "fuzz", list, words);
  recorder.clear();
  return 0;
}
