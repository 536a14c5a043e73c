// The transforms against a direct DFT at every size, their round trips, the
// layouts of the single-precision wrappers on analytic inputs; analysis
// windows, frame operations and the table-driven FFT.
#include "spectral/fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/headless/recording_reporter.h"
#include "spectral/fft_gen.h"
#include "spectral/fft_kernel.h"
#include "spectral/frame.h"
#include "spectral/window.h"

namespace ardv {
namespace {

using Cplx = std::complex<double>;

std::vector<Cplx> directDft(const std::vector<Cplx>& z, int sign) {
  const std::size_t n = z.size();
  std::vector<Cplx> out(n), w(n);
  // Exact angle reduction keeps the reference accurate at 4096 points.
  for (std::size_t j = 0; j < n; ++j) {
    const double a = sign * 2.0 * std::numbers::pi * static_cast<double>(j) / static_cast<double>(n);
    w[j] = Cplx(std::cos(a), std::sin(a));
  }
  for (std::size_t k = 0; k < n; ++k) {
    Cplx acc = 0;
    for (std::size_t m = 0; m < n; ++m) acc += z[m] * w[(m * k) % n];
    out[k] = acc;
  }
  return out;
}

std::vector<double> randomSignal(int n, unsigned seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> dist(-1.0, 1.0);
  std::vector<double> x(static_cast<std::size_t>(n));
  for (auto& v : x) v = dist(gen);
  return x;
}

double maxAbs(const std::vector<Cplx>& v) {
  double m = 0;
  for (const auto& c : v) m = std::max(m, std::abs(c));
  return m;
}

class FftSizes : public ::testing::TestWithParam<int> {};

// Each transform against the direct DFT, then inverted (the Hartley transform
// applied twice) back to n times the input; the single-precision complex one
// from 128 points, back to the input with a sentinel past its end.
TEST_P(FftSizes, TransformsMatchTheDirectDftAndInvert) {
  const int n = GetParam();
  const auto x0 = randomSignal(n, 11), y0 = randomSignal(n, 12);
  std::vector<Cplx> z(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) z[i] = Cplx(x0[i], y0[i]);
  const auto ref = directDft(z, -1), refX = directDft(std::vector<Cplx>(x0.begin(), x0.end()), -1);
  const double tol = 1e-9 * maxAbs(ref), tolX = 1e-9 * maxAbs(refX), tolN = 1e-9 * n;
  auto re = x0, im = y0, half = x0, hartley = x0;
  ASSERT_TRUE(fftComplexForward(n, re.data(), im.data()));
  ASSERT_TRUE(fftRealForward(n, half.data()));
  ASSERT_TRUE(hartleyTransform(hartley.data(), n));
  for (int k = 0; k < n; ++k) {
    EXPECT_NEAR(re[k], ref[k].real(), tol) << "k=" << k;
    EXPECT_NEAR(im[k], ref[k].imag(), tol) << "k=" << k;
    // Half-complex: Re X(k) up to n/2, then Im X(k) = -Im X(n-k).
    EXPECT_NEAR(half[k], k <= n / 2 ? refX[k].real() : refX[k].imag(), tolX) << "k=" << k;
    // H(k) = Re X(k) - Im X(k) for the e^(-i) kernel.
    EXPECT_NEAR(hartley[k], refX[k].real() - refX[k].imag(), tolX) << "k=" << k;
  }
  ASSERT_TRUE(fftComplexInverse(n, re.data(), im.data()));
  ASSERT_TRUE(fftRealInverse(n, half.data()));
  ASSERT_TRUE(hartleyTransform(hartley.data(), n));
  for (int m = 0; m < n; ++m) {
    EXPECT_NEAR(re[m], n * x0[m], tolN);
    EXPECT_NEAR(im[m], n * y0[m], tolN);
    EXPECT_NEAR(half[m], n * x0[m], tolN);
    EXPECT_NEAR(hartley[m], n * x0[m], tolN);
  }
  if (n < 128) return;
  std::vector<float> buf(2 * static_cast<std::size_t>(n) + 1, 42.0f);
  for (int i = 0; i < n; ++i) buf[2 * i] = static_cast<float>(x0[i]), buf[2 * i + 1] = static_cast<float>(y0[i]);
  ASSERT_TRUE(complexFft(buf.data(), n, FftDirection::Forward));
  for (int k = 0; k < n; ++k) {
    EXPECT_NEAR(buf[2 * k], ref[k].real(), 1e-6 * maxAbs(ref)) << "k=" << k;
    EXPECT_NEAR(buf[2 * k + 1], ref[k].imag(), 1e-6 * maxAbs(ref)) << "k=" << k;
  }
  ASSERT_TRUE(complexFft(buf.data(), n, FftDirection::Inverse));
  for (int i = 0; i < n; ++i) {
    EXPECT_NEAR(buf[2 * i], x0[i], 1e-5);
    EXPECT_NEAR(buf[2 * i + 1], y0[i], 1e-5);
  }
  EXPECT_EQ(buf[2 * n], 42.0f);
}

INSTANTIATE_TEST_SUITE_P(PowersOfTwo, FftSizes, ::testing::Values(4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096));

// Fingerprints of every transform's output bits over all its sizes, recorded
// before the kernel was vectorised further: any change of the order of the
// arithmetic shows here, on every kernel path the processor can run.
template <class T>
std::uint64_t fingerprint(std::uint64_t h, const std::vector<T>& x, int count) {
  const auto* p = reinterpret_cast<const unsigned char*>(x.data());
  for (std::size_t i = 0; i < count * sizeof(T); ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

// Values k/8 - 1000 from a fixed integer sequence, a few of them zero.
template <class T>
std::vector<T> fixedSignal(int n) {
  std::vector<T> x(static_cast<std::size_t>(n) + 2, T(0));
  std::uint32_t s = 12345u + static_cast<std::uint32_t>(n);
  for (int i = 0; i < n; ++i) {
    s = s * 1664525u + 1013904223u;
    x[i] = i % 61 == 7 ? T(0) : static_cast<T>(static_cast<double>(s >> 16) / 8.0 - 4096.0);
  }
  return x;
}

// The bits of a transform of n points (forward, then back where it has an
// inverse) of fixed values, folded into h.
struct BitsCase {
  const char* name;
  int lo;
  std::uint64_t (*run)(int n, std::uint64_t h);
  std::uint64_t expected;
};

const BitsCase kBitsCases[] = {
    {"realFft", 256, [](int n, std::uint64_t h) {
       auto x = fixedSignal<float>(n);
       realFft(x.data(), n);
       return fingerprint(h, x, n);
     }, 0x7cd4edf78fa58214ull},
    {"realFftInterleaved", 4, [](int n, std::uint64_t h) {
       auto x = fixedSignal<float>(n);
       realFftInterleaved(x.data(), n);
       return fingerprint(h, x, n);
     }, 0xc5d40c17541e2561ull},
    {"fftRealForward", 4, [](int n, std::uint64_t h) {
       auto x = fixedSignal<double>(n);
       fftRealForward(n, x.data());
       h = fingerprint(h, x, n);
       fftRealInverse(n, x.data());
       return fingerprint(h, x, n);
     }, 0x348a76a7139aa9cbull},
    {"fftComplexForward", 4, [](int n, std::uint64_t h) {
       auto re = fixedSignal<double>(n), im = fixedSignal<double>(n + 1);
       fftComplexForward(n, re.data(), im.data());
       h = fingerprint(fingerprint(h, re, n), im, n);
       fftComplexInverse(n, re.data(), im.data());
       return fingerprint(fingerprint(h, re, n), im, n);
     }, 0xa9ef287bfae71527ull},
    {"complexFft", 128, [](int n, std::uint64_t h) {
       auto x = fixedSignal<float>(2 * n);
       complexFft(x.data(), n, FftDirection::Forward);
       h = fingerprint(h, x, 2 * n);
       complexFft(x.data(), n, FftDirection::Inverse);
       return fingerprint(h, x, 2 * n);
     }, 0xfe0e4c8f5c4fab43ull},
};

TEST(Fft, OutputBitsAreTheRecordedOnes) {
  for (int path = 0; path < fftkernel::kernelPathCount(); ++path) {
    fftkernel::setKernelPath(path);
    for (const auto& c : kBitsCases) {
      std::uint64_t h = 14695981039346656037ull;
      for (int n = c.lo; n <= kMaxFftSize; n *= 2) h = c.run(n, h);
      EXPECT_EQ(h, c.expected) << c.name << " on path " << path << ": 0x" << std::hex << h;
    }
  }
  fftkernel::setKernelPath(-1);
}

// The half-filled transform and the low bins alone against the whole
// transform, bit for bit on every path: the half-filled one's second half
// (NaN here) is not read, nothing past its bins written.
TEST(RealFft, FrontHalfAndLowBinsGiveTheSameBins) {
  for (int path = 0; path < fftkernel::kernelPathCount(); ++path) {
    fftkernel::setKernelPath(path);
    for (int n : {256, 1024, 4096})
      for (int count : {1, 2, 5, 9, n / 8 + 3, n / 4}) {
        auto whole = fixedSignal<float>(n);
        std::fill(whole.begin() + n / 2, whole.end(), 0.0f);
        auto front = whole;
        std::fill(front.begin() + n / 2, front.end(), std::numeric_limits<float>::quiet_NaN());
        const auto input = front;
        auto full = fixedSignal<float>(n), fullBins = full;
        ASSERT_TRUE(realFft(whole.data(), n));
        ASSERT_TRUE(realFftFront(front.data(), n, count));
        ASSERT_TRUE(realFft(full.data(), n));
        ASSERT_TRUE(realFftBins(fullBins.data(), n, count));
        const auto bins = static_cast<std::size_t>(2 * count);
        EXPECT_EQ(fingerprint(0, front, 2 * count), fingerprint(0, whole, 2 * count)) << n << " " << count << " " << path;
        EXPECT_EQ(fingerprint(0, fullBins, 2 * count), fingerprint(0, full, 2 * count)) << n << " " << count << " " << path;
        EXPECT_EQ(0, std::memcmp(front.data() + bins, input.data() + bins, (front.size() - bins) * sizeof(float)))
            << n << " " << count;
      }
  }
  fftkernel::setKernelPath(-1);
  std::vector<float> f(1024, 1.0f);
  for (const auto& [n, count] : std::vector<std::pair<int, int>>{{128, 8}, {1024, 0}, {1024, 257}})
    EXPECT_FALSE(realFftFront(f.data(), n, count) || realFftBins(f.data(), n, count)) << n << " " << count;
  EXPECT_EQ(f[0], 1.0f);
}

TEST(Fft, UnsupportedSizeIsReportedAndLeavesData) {
  ScopedRecorder rec;
  std::vector<double> x = {1, 2, 3, 4, 5, 6};
  EXPECT_FALSE(fftRealForward(6, x.data()));
  EXPECT_FALSE(hartleyTransform(x.data(), 2));
  EXPECT_EQ(std::tuple(rec->count(ReportKind::Bug), x[5]), std::tuple(2u, 6.0));
  std::vector<float> f(200, 1.0f);
  EXPECT_FALSE(realFft(f.data(), 128));
  EXPECT_FALSE(complexFft(f.data(), 64, FftDirection::Forward));
  EXPECT_EQ(std::tuple(rec->reports().size(), f[0]), std::tuple(2u, 1.0f));
}

// Analytic inputs for the real transforms: sentinel values past the output must survive.
struct RealCase {
  const char* name;
  double (*signal)(int m, int n);
  double (*re)(int k, int n);  // expected Re X(k)
  double (*im)(int k, int n);  // expected Im X(k)
};

const RealCase kRealCases[] = {
    {"dc", [](int, int) { return 1.0; }, [](int k, int n) { return k == 0 ? double(n) : 0.0; },
     [](int, int) { return 0.0; }},
    {"impulse", [](int m, int) { return m == 0 ? 1.0 : 0.0; }, [](int, int) { return 1.0; },
     [](int, int) { return 0.0; }},
    {"cosine bin 3", [](int m, int n) { return std::cos(2 * std::numbers::pi * 3 * m / n); },
     [](int k, int n) { return k == 3 ? n / 2.0 : 0.0; }, [](int, int) { return 0.0; }},
    {"sine bin 5", [](int m, int n) { return std::sin(2 * std::numbers::pi * 5 * m / n); },
     [](int, int) { return 0.0; }, [](int k, int n) { return k == 5 ? -n / 2.0 : 0.0; }},
    {"nyquist", [](int m, int) { return m % 2 ? -1.0 : 1.0; }, [](int, int) { return 0.0; },
     [](int, int) { return 0.0; }},
};

// realFft from 256 points, and the interleaved variant (imaginary sign
// restored) on smaller sizes too.
TEST(RealFft, AnalyticInputsLayoutAndSentinels) {
  for (const bool interleaved : {false, true})
    for (int n : {16, 64, 256, 512, 1024, 2048, 4096}) {
      if (!interleaved && n < 256) continue;
      for (const auto& c : kRealCases) {
        std::vector<float> buf(static_cast<std::size_t>(n) + 4, 0.0f);
        for (int m = 0; m < n; ++m) buf[m] = static_cast<float>(c.signal(m, n));
        buf[n] = 7.5f, buf[n + 1] = -3.25f, buf[n + 2] = 99.0f;
        ASSERT_TRUE(interleaved ? realFftInterleaved(buf.data(), n) : realFft(buf.data(), n));
        EXPECT_NEAR(buf[0], c.re(0, n), 1e-3) << c.name;
        EXPECT_EQ(buf[1], 0.0f) << c.name;
        for (int k = 1; k < n / 2; ++k) {
          EXPECT_NEAR(buf[2 * k], c.re(k, n), 1e-3) << c.name << " k=" << k;
          EXPECT_NEAR(buf[2 * k + 1], (interleaved ? 1 : -1) * c.im(k, n), 1e-3) << c.name << " k=" << k;
        }
        EXPECT_EQ(std::vector<float>(buf.begin() + n, buf.begin() + n + 3), (std::vector<float>{7.5f, -3.25f, 99.0f}))
            << c.name;
      }
    }
}

// Known points of each kind; every initialiser sets the current length.
TEST(Window, KnownPointsOfEveryKind) {
  const struct {
    bool (*init)(float*, int);
    int n;
    std::vector<double> points;  // w(0), w(n/4), w(n/2), w(3n/4)
  } rows[] = {{initham, 4, {0.08, 0.54, 1.0, 0.54}},
              {inithan, 8, {0.0, 0.5, 1.0, 0.5}},
              {initHamDeriv, 16, {0.0, 0.46 * 2 * std::numbers::pi / 16, 0.0, -0.46 * 2 * std::numbers::pi / 16}},
              {initHamTime, 8, {0.0, 2 * 0.54, 4.0, 6 * 0.54}}};
  for (const auto& r : rows) {
    std::vector<float> w(static_cast<std::size_t>(r.n));
    ASSERT_TRUE(r.init(w.data(), r.n));
    for (int q = 0; q < 4; ++q) EXPECT_NEAR(w[q * r.n / 4], r.points[q], 1e-6) << r.n << " points, quarter " << q;
    EXPECT_EQ(currentWindowLength(), r.n);
  }
}

TEST(Window, TooManyPointsIsRefusedAndChangesNothing) {
  ScopedRecorder rec;
  ASSERT_TRUE(initham(nullptr, 4096));
  const float before = defaultWindow(WindowKind::Hamming)[1];
  EXPECT_FALSE(initham(nullptr, 4097));
  EXPECT_FALSE(initHamTime(nullptr, 5000));
  EXPECT_FALSE(inithan(nullptr, 0));
  EXPECT_EQ(rec->count(ReportKind::Bug), 3u);
  EXPECT_TRUE(rec->saw("initham(): too many points") && rec->saw("initHamTime(): too many points"));
  EXPECT_EQ(currentWindowLength(), 4096);
  EXPECT_EQ(defaultWindow(WindowKind::Hamming)[1], before);
}

TEST(Frame, WindowingAndDifferenceReadExactlyTheirSamples) {
  // Exactly L + 1 samples from s: the sanitizer build catches a longer read.
  const std::vector<std::int16_t> x = {0, 0, 3, 7, -2, 5};
  std::vector<float> d(3);
  differenceSamples(x.data(), 2, d.data(), 3);
  EXPECT_EQ(d, (std::vector<float>{4, -9, 7}));
  ASSERT_TRUE(initham(nullptr, 4));
  std::vector<float> f(4);
  windowSamples(x.data(), 2, f.data(), nullptr, 0);  // current default table and length
  EXPECT_NEAR(f[0], 3 * 0.08f, 1e-6);
  EXPECT_NEAR(f[2], -2.0f, 1e-6);
  std::vector<double> dd(3);
  differenceSamples(x.data(), 2, dd.data(), 3);
  windowFrame(dd.data(), dd.data(), defaultWindow(WindowKind::Hamming), 3);
  EXPECT_NEAR(dd[1], -9 * 0.54, 1e-6);
}

TEST(Frame, MillisecondsTruncatedBeforeConversion) {
  EXPECT_EQ(std::tuple(msToSamplesWhole(1.9, 16000), msToSamplesWhole(32, 22050)), std::tuple(16, 706));  // 705.6 rounded
  EXPECT_DOUBLE_EQ(msToSamplesFloat(1.25, 16000), 20.0);
}

// Against the double-precision transform, then back unscaled; position 0 is
// not touched.
TEST(FftGen, AgreesWithTheComplexTransformAndInvertsUnscaled) {
  std::mt19937 gen(3);
  std::uniform_real_distribution<float> dist(-1, 1);
  for (const auto& [n, m] : {std::pair{8, 3}, std::pair{256, 8}}) {
    std::vector<float> re(n + 1), im(n + 1);
    std::vector<double> xre(n), xim(n);
    re[0] = 55.0f;
    for (int i = 1; i <= n; ++i) xre[i - 1] = re[i] = dist(gen), xim[i - 1] = im[i] = dist(gen);
    const auto re0 = re, im0 = im;
    ASSERT_TRUE(initFftGen(n, m, 1) && fftGen(re.data(), im.data(), n, m));
    ASSERT_TRUE(fftComplexForward(n, xre.data(), xim.data()));
    EXPECT_EQ(re[0], 55.0f);
    for (int k = 0; k < n; ++k) {
      EXPECT_NEAR(re[k + 1], xre[k], 1e-4) << n;
      EXPECT_NEAR(im[k + 1], xim[k], 1e-4) << n;
    }
    ASSERT_TRUE(initFftGen(n, m, -1) && fftGen(re.data(), im.data(), n, m));
    for (int i = 1; i <= n; ++i) {
      EXPECT_NEAR(re[i], n * re0[i], 1e-3) << n;
      EXPECT_NEAR(im[i], n * im0[i], 1e-3) << n;
    }
  }
}

TEST(FftGen, BadSizesAreRefusedAndBitsReversed) {
  ScopedRecorder rec;
  ASSERT_TRUE(initFftGen(8, 3, 1));
  EXPECT_FALSE(initFftGen(8192, 13, 1));
  EXPECT_TRUE(rec->saw("initFftGen() : ordre de FFT trop grand"));
  std::vector<float> re(17, 1.0f), im(17, 0.0f);
  EXPECT_FALSE(fftGen(re.data(), im.data(), 16, 4));  // tables describe 8 points
  EXPECT_EQ(re[1], 1.0f);
  EXPECT_EQ(rec->count(ReportKind::Bug), 2u);
  for (const auto& [x, reversed] : {std::pair{1, 1}, {2, 5}, {4, 7}, {8, 8}}) EXPECT_EQ(bitReverseFft(x, 3), reversed) << x;
  EXPECT_EQ(bitReverseFft(9, 3), -1);
  EXPECT_EQ(rec->count(ReportKind::Fatal), 1u);
  EXPECT_TRUE(rec->saw("x=9 out of range"));
}

}  // namespace
}  // namespace ardv
