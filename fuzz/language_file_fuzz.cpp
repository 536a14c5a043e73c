// libFuzzer target: the bytes are the content of a language file.
#include <string>

#include "fuzz/fuzz_support.h"
#include "labels/phonetic_description.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ardv::fuzz::ReportScope reports;
  ardv::PhoneticDescription desc;
  desc.loadText(std::string(reinterpret_cast<const char*>(data), size));
  for (int k = -desc.classCount(); k <= desc.phonemeCount(); ++k) {
    const std::string label = desc.label(k);
    desc.matches(label, desc.label(-k));
    desc.matches(label, "a");
  }
  desc.vowelReference(0);
  return 0;
}
