// The transform's entry points, one set per instruction set, and the choice
// between them.
#include "spectral/fft_kernel.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <type_traits>
#include <utility>
#include <vector>

#include "spectral/cpu_paths.h"
#include "spectral/fft.h"
#include "spectral/fft_dif_stages.h"
#include "spectral/fft_dit_stages.h"
#include "spectral/fft_real_split.h"
#include "spectral/fft_tables.h"
#include "spectral/fft_vectors.h"

namespace ardv::fftkernel {
namespace {

using namespace detail;

// One set of entry points per instruction set; the one in use is picked at
// first use (defaultPath) or by setKernelPath.
struct KernelPath {
  void (*dif)(int n, double* re, double* im);
  void (*dit)(int n, double* re, double* im);
  void (*fromFloat)(int m, const float* x, double* zr, double* zi);
  void (*fromDouble)(int m, const double* x, double* zr, double* zi);
  void (*splitInterleaved)(int n, const double* zr, const double* zi, float* out, double imSign);
  void (*splitHalfComplex)(int n, const double* zr, const double* zi, double* x);
  void (*fromFrontHalf)(int m, const float* x, double* zr, double* zi);
  void (*splitLow)(int n, const double* zr, const double* zi, float* out, int count);
};

#define ARDV_FFT_PATH(NAME, ATTR, V)                                                                          \
  ATTR void NAME##Dif(int n, double* re, double* im) { difBody<V>(n, re, im); }                              \
  ATTR void NAME##Dit(int n, double* re, double* im) { ditBody<V>(n, re, im); }                              \
  ATTR void NAME##FromFloat(int m, const float* x, double* zr, double* zi) {                                 \
    realAsComplexBody<V>(m, x, zr, zi);                                                                       \
  }                                                                                                           \
  ATTR void NAME##FromDouble(int m, const double* x, double* zr, double* zi) {                               \
    realAsComplexBody<V>(m, x, zr, zi);                                                                       \
  }                                                                                                           \
  ATTR void NAME##SplitInterleaved(int n, const double* zr, const double* zi, float* out, double imSign) {   \
    splitInterleavedBody<V>(n, zr, zi, out, imSign);                                                          \
  }                                                                                                           \
  ATTR void NAME##SplitHalfComplex(int n, const double* zr, const double* zi, double* x) {                   \
    splitHalfComplexBody(n, zr, zi, x);                                                                       \
  }                                                                                                           \
  ATTR void NAME##FromFrontHalf(int m, const float* x, double* zr, double* zi) {                             \
    frontHalfAsComplexBody<V>(m, x, zr, zi);                                                                  \
  }                                                                                                           \
  ATTR void NAME##SplitLow(int n, const double* zr, const double* zi, float* out, int count) {               \
    splitLowBody<V>(n, zr, zi, out, count);                                                                   \
  }                                                                                                           \
  constexpr KernelPath NAME##Path = {NAME##Dif,         NAME##Dit,          NAME##FromFloat, NAME##FromDouble, \
                                     NAME##SplitInterleaved, NAME##SplitHalfComplex, NAME##FromFrontHalf,    \
                                     NAME##SplitLow};

ARDV_FFT_PATH(generic, , V4)

#ifdef ARDV_X86_PATHS
ARDV_FFT_PATH(avx2, [[gnu::target("avx2")]], V4)
ARDV_FFT_PATH(avx512, [[gnu::target("avx512f")]], V8)
#endif

const KernelPath* const kPaths[] = {&genericPath
#ifdef ARDV_X86_PATHS
                                    ,
                                    &avx2Path, &avx512Path
#endif
};

int widestPath() {
#ifdef ARDV_X86_PATHS
  if (cpuHasAvx512()) return 2;
  if (cpuHasAvx2()) return 1;
#endif
  return 0;
}

// The widest path the processor has. (AVX-512 once made whole analyses 4-6 %
// slower, lowering the clock for the scalar logarithms around the transform;
// with most of those gone it is as fast or faster everywhere measured.)
int defaultPath() { return widestPath(); }

std::atomic<int>& chosenPath() {
  static std::atomic<int> path{defaultPath()};
  return path;
}

const KernelPath& path() { return *kPaths[chosenPath().load(std::memory_order_relaxed)]; }

}  // namespace

int kernelPathCount() { return widestPath() + 1; }

void setKernelPath(int index) {
  chosenPath().store(index < 0 || index > widestPath() ? defaultPath() : index, std::memory_order_relaxed);
}

void difForward(int n, double* re, double* im) {
  if (n < 2) return;
  path().dif(n, re, im);
}

void ditForward(int n, double* re, double* im) {
  if (n < 2) return;
  if (n == 2) {
    const double r = re[0] - re[1], i = im[0] - im[1];
    re[0] += re[1];
    im[0] += im[1];
    re[1] = r;
    im[1] = i;
    return;
  }
  path().dit(n, re, im);
}

void splitToInterleaved(int n, const double* zr, const double* zi, float* out, double imSign) {
  path().splitInterleaved(n, zr, zi, out, imSign);
}

void splitToHalfComplex(int n, const double* zr, const double* zi, double* x) {
  path().splitHalfComplex(n, zr, zi, x);
}

template <class T>
void realAsComplexForward(int m, const T* x, double* zr, double* zi) {
  if (m < 4) {
    const std::int32_t* rev = bitReversal(m);
    for (int i = 0; i < m; ++i) {
      zr[i] = static_cast<double>(x[2 * rev[i]]);
      zi[i] = static_cast<double>(x[2 * rev[i] + 1]);
    }
    ditForward(m, zr, zi);
  } else if constexpr (std::is_same_v<T, float>) {
    path().fromFloat(m, x, zr, zi);
  } else {
    path().fromDouble(m, x, zr, zi);
  }
  zr[m] = zr[0];
  zi[m] = zi[0];
}

void frontHalfAsComplexForward(int m, const float* x, double* zr, double* zi) {
  path().fromFrontHalf(m, x, zr, zi);
  zr[m] = zr[0];
  zi[m] = zi[0];
}

void splitLow(int n, const double* zr, const double* zi, float* out, int count) {
  path().splitLow(n, zr, zi, out, count);
}

template void realAsComplexForward<float>(int, const float*, double*, double*);
template void realAsComplexForward<double>(int, const double*, double*, double*);

const std::int32_t* bitReversal(int n) { return tables().reversal[log2Of(n)].data(); }
const double* cosTable(int n) { return tables().cosines[log2Of(n)].data(); }
const double* sinTable(int n) { return tables().sines[log2Of(n)].data(); }

double* scratchRe() {
  alignas(64) thread_local double buffer[kMaxFftSize];
  return buffer;
}

double* scratchIm() {
  alignas(64) thread_local double buffer[kMaxFftSize];
  return buffer;
}

}  // namespace ardv::fftkernel
