// Code paths for wider vector units, chosen at run time. ARDV_X86_PATHS is
// defined where GCC can compile functions for a target of their own
// ([[gnu::target("avx2")]]); the checks say what the processor runs.
#pragma once

#if defined(__GNUC__) && defined(__x86_64__) && !defined(__clang__)
#define ARDV_X86_PATHS 1
#endif

// A function compiled twice, for AVX2 and for the baseline, the one to run
// chosen when the program loads.
#ifdef ARDV_X86_PATHS
#define ARDV_WIDE_PATHS [[gnu::target_clones("avx2", "default")]]
#else
#define ARDV_WIDE_PATHS
#endif

namespace ardv {

#ifdef ARDV_X86_PATHS
inline bool cpuHasAvx2() { return __builtin_cpu_init(), __builtin_cpu_supports("avx2"); }
inline bool cpuHasAvx2Fma() { return cpuHasAvx2() && __builtin_cpu_supports("fma"); }
inline bool cpuHasAvx512() { return __builtin_cpu_init(), __builtin_cpu_supports("avx512f"); }
#else
inline bool cpuHasAvx2() { return false; }
inline bool cpuHasAvx2Fma() { return false; }
inline bool cpuHasAvx512() { return false; }
#endif

}  // namespace ardv
