// libFuzzer target: the bytes are read as every kind of phoneme label file,
// every kind of word annotation file, and as a Praat TextGrid, each as they
// are and behind a UTF-16 byte-order mark of either order; the lists read are
// fitted to a signal length taken from the first bytes and written back.
#include <string>

#include "annotation/label_files.h"
#include "annotation/textgrid.h"
#include "fuzz/fuzz_support.h"
#include "labels/phonetic_description.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ardv::fuzz::ReportScope reports;
  static const bool inventory = ardv::phoneticDescription().loadText(
      "phon \"\" \"none\"\nphon \"a\" \"a\"\nphon \"ai\" \"ai\"\nphon \"#\" \"pause\"\n");
  (void)inventory;
  const std::string raw(reinterpret_cast<const char*>(data), size);
  const std::int64_t tf = size > 0 ? static_cast<std::int64_t>(data[0]) * 997 : 0;
  ardv::infoFile info;
  info.frequence = 16000;
  info.longueur = 2 * tf;
  for (const std::string& text : {raw, "\xFF\xFE" + raw, "\xFE\xFF" + raw}) {
    ardv::notetiqs list, words;
    for (int kind = 1; kind <= 4; ++kind) {
      info.labelKind = kind;
      info.annotationKind = kind;
      ardv::parsePhonemeFile(text, info, "fuzz", list);
      ardv::parseWordFile(text, info, "fuzz", words);
      (void)ardv::formatPhonemeFile(list, info, tf);
      (void)ardv::formatWordFile(words, info, tf);
    }
    ardv::parseTextGrid(text, 16000, tf, "fuzz", list, words);
    ardv::parseTextGrid(text, 44100, 0, "fuzz", list, words);
    (void)ardv::formatTextGrid(list, words, 16000, tf);
  }
  return 0;
}
