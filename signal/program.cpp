#include "signal/program.h"

namespace ardv {

Program& program() {
  static Program p;
  return p;
}

}  // namespace ardv
