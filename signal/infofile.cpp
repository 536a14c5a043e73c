#include "signal/infofile.h"

namespace ardv {

const char* labelKindName(std::int32_t kind) {
  static const char* const names[] = {"NONE", "QERN", "NIST", "SAM", "ALIGN"};
  return kind >= 0 && kind <= 4 ? names[kind] : names[1];
}

const char* annotationKindName(std::int32_t kind) {
  static const char* const names[] = {"NONE", "VECSYS", "NIST", "SAM", "NOISEX"};
  return kind >= 0 && kind <= 4 ? names[kind] : names[1];
}

}  // namespace ardv
