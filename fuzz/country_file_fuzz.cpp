// libFuzzer target: the bytes are the content of a country file.
#include <string>

#include "fuzz/fuzz_support.h"
#include "texts/texts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ardv::fuzz::ReportScope reports;
  ardv::TextTable table;
  table.loadText(std::string(reinterpret_cast<const char*>(data), size), "fuzz.txt");
  for (int n = 0; n < 64; ++n)
    if (const char* t = table.find(n)) ardv::formatText(t, {n, "x", 1.5});
  return 0;
}
