// Analysis window tables and the module's current window length.
#include "spectral/window.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "platform/report.h"

namespace ardv {
namespace {

struct WindowState {
  std::vector<float> tables[4] = {std::vector<float>(kMaxWindowLength), std::vector<float>(kMaxWindowLength),
                                  std::vector<float>(kMaxWindowLength), std::vector<float>(kMaxWindowLength)};
  int currentLength = 0;
  WindowKind currentKind = WindowKind::Hamming;
};

WindowState& state() {
  thread_local WindowState s;
  return s;
}

template <class Formula>
bool fill(WindowKind kind, const char* name, float* table, int n, Formula formula) {
  if (n > kMaxWindowLength || n < 1) {
    debugMessage(std::string(name) + "(): too many points");
    return false;
  }
  WindowState& s = state();
  float* out = table ? table : s.tables[static_cast<int>(kind)].data();
  for (int i = 0; i < n; ++i) out[i] = formula(i, n);
  s.currentLength = n;
  if (!table) s.currentKind = kind;
  return true;
}

constexpr float k054 = 0.54f;
constexpr float k046 = 0.46f;
constexpr float k05 = 0.5f;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

}  // namespace

bool initham(float* table, int n) {
  return fill(WindowKind::Hamming, "initham", table, n, [](int i, int len) {
    return static_cast<float>(k054 - k046 * std::cos(kTwoPi * i / len));
  });
}

bool inithan(float* table, int n) {
  return fill(WindowKind::Hanning, "inithan", table, n, [](int i, int len) {
    return static_cast<float>(k05 * (1.0 - std::cos(kTwoPi * i / len)));
  });
}

bool initHamDeriv(float* table, int n) {
  return fill(WindowKind::HammingDerivative, "initHamDeriv", table, n, [](int i, int len) {
    return static_cast<float>(std::sin(kTwoPi * i / len) * (k046 * kTwoPi / len));
  });
}

bool initHamTime(float* table, int n) {
  return fill(WindowKind::HammingTime, "initHamTime", table, n, [](int i, int len) {
    return static_cast<float>(i * (k054 - k046 * std::cos(kTwoPi * i / len)));
  });
}

const float* defaultWindow(WindowKind kind) { return state().tables[static_cast<int>(kind)].data(); }
const float* currentDefaultWindow() { return defaultWindow(state().currentKind); }
int currentWindowLength() { return state().currentLength; }

}  // namespace ardv
