// Built with -ffp-contract=off: a fused multiply-add would round differently from the library.
#include "convert/picture/stretch_passes.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VORLIX_WIDE_VECTORS 1
#define VORLIX_INLINE inline __attribute__((always_inline))
#else
#define VORLIX_INLINE inline
#endif

namespace vorlix {
namespace {

// The library's rounding of a filtered value into a byte.
inline std::uint8_t ToByte(double value) {
  const int rounded = static_cast<int>(value + 0.5);
  return static_cast<std::uint8_t>(std::clamp(rounded, 0, 0xFF));
}

// Along the rows, a few rows at a time. The bytes the taps read are first turned into doubles,
// interleaved so that one weight multiplies a contiguous run of Rows * C values (every channel
// of every row), which the compiler turns into packed arithmetic. Each sum still adds its terms
// in tap order, starting from zero, as the library does.
template <int C, int Step>
VORLIX_INLINE void AlongRows(const StretchTaps& taps, ConstPixelRows from, PixelRows to,
                             MemoryRect part) {
  constexpr int kRows = C == 1 ? 8 : 4;
  constexpr int kRun = kRows * C;
  // Plain pointers: the byte stores below could alias the tables' members for the compiler.
  const double* const weightTable = taps.weights.data();
  const int* const first = taps.first.data();
  const int* const count = taps.count.data();
  const std::size_t stride = static_cast<std::size_t>(taps.stride);
  int begin = first[part.left], end = begin;
  for (int x = part.left; x < part.right; ++x) {
    begin = std::min(begin, first[x]);
    end = std::max(end, first[x] + count[x]);
  }
  const int pixels = end - begin;
  std::vector<double> interleaved(static_cast<std::size_t>(pixels) * kRun);
  double* run = interleaved.data();
  for (int y = part.top; y < part.bottom; y += kRows) {
    const int rows = std::min(kRows, part.bottom - y);
    for (int r = 0; r < kRows; ++r) {
      // Missing rows of the last block repeat its last row; their sums are not stored.
      const std::uint8_t* line = from.bits + std::min(y + r, part.bottom - 1) * from.pitch;
      line += static_cast<std::ptrdiff_t>(begin) * Step;
      if constexpr (Step == C) {
        for (int v = 0; v < pixels * C; ++v) run[v * kRows + r] = static_cast<double>(line[v]);
      } else {
        for (int p = 0; p < pixels; ++p) {
          for (int c = 0; c < C; ++c) {
            run[(p * C + c) * kRows + r] = static_cast<double>(line[p * Step + c]);
          }
        }
      }
    }
    for (int x = part.left; x < part.right; ++x) {
      const double* weights = weightTable + static_cast<std::size_t>(x) * stride;
      const double* values = run + static_cast<std::ptrdiff_t>(first[x] - begin) * kRun;
      double sums[kRun] = {};
      for (int i = 0; i < count[x]; ++i, values += kRun) {
        const double weight = weights[i];
        for (int k = 0; k < kRun; ++k) sums[k] += weight * values[k];
      }
      for (int r = 0; r < rows; ++r) {
        std::uint8_t* out = to.bits + (y + r) * to.pitch + static_cast<std::ptrdiff_t>(x) * C;
        for (int c = 0; c < C; ++c) out[c] = ToByte(sums[c * kRows + r]);
      }
    }
  }
}

// Down the columns, one output row at a time: the sums of a row lie side by side, each adding
// its terms in tap order from zero, as the library does column by column.
template <int C, int Step>
VORLIX_INLINE void DownColumns(const StretchTaps& taps, ConstPixelRows from, PixelRows to,
                               MemoryRect part) {
  const int pixels = part.right - part.left;
  const std::size_t length = static_cast<std::size_t>(pixels) * C;
  std::vector<double> row(length);
  double* sums = row.data();
  for (int y = part.top; y < part.bottom; ++y) {
    std::fill(row.begin(), row.end(), 0.0);
    const double* weights = taps.weights.data() + static_cast<std::size_t>(y) * taps.stride;
    for (int i = 0; i < taps.count[y]; ++i) {
      const double weight = weights[i];
      const std::uint8_t* line = from.bits + (taps.first[y] + i) * from.pitch +
                                 static_cast<std::ptrdiff_t>(part.left) * Step;
      if constexpr (Step == C) {
        for (std::size_t j = 0; j < length; ++j) sums[j] += weight * static_cast<double>(line[j]);
      } else {
        for (int p = 0; p < pixels; ++p) {
          for (int c = 0; c < C; ++c) {
            sums[p * C + c] += weight * static_cast<double>(line[p * Step + c]);
          }
        }
      }
    }
    std::uint8_t* out = to.bits + y * to.pitch + static_cast<std::ptrdiff_t>(part.left) * C;
    for (std::size_t j = 0; j < length; ++j) out[j] = ToByte(sums[j]);
  }
}

template <int C, int Step>
void Copy(const StretchTaps&, ConstPixelRows from, PixelRows to, MemoryRect part) {
  for (int y = part.top; y < part.bottom; ++y) {
    const std::uint8_t* in =
        from.bits + y * from.pitch + static_cast<std::ptrdiff_t>(part.left) * Step;
    std::uint8_t* out = to.bits + y * to.pitch + static_cast<std::ptrdiff_t>(part.left) * C;
    if constexpr (Step == C) {
      std::memcpy(out, in, static_cast<std::size_t>(part.right - part.left) * C);
    } else {
      for (int p = 0; p < part.right - part.left; ++p) std::memcpy(out + p * C, in + p * Step, C);
    }
  }
}

template <int C, int Step>
void AlongRowsPlain(const StretchTaps& taps, ConstPixelRows from, PixelRows to, MemoryRect part) {
  AlongRows<C, Step>(taps, from, to, part);
}

template <int C, int Step>
void DownColumnsPlain(const StretchTaps& taps, ConstPixelRows from, PixelRows to, MemoryRect part) {
  DownColumns<C, Step>(taps, from, to, part);
}

#ifdef VORLIX_WIDE_VECTORS
// The same code compiled for 256-bit vectors. Still no fused multiply-add (that is a separate
// instruction set, and contraction is off), so every sum rounds as in the plain code.
template <int C, int Step>
__attribute__((target("avx2"))) void AlongRowsWide(const StretchTaps& taps, ConstPixelRows from,
                                                   PixelRows to, MemoryRect part) {
  AlongRows<C, Step>(taps, from, to, part);
}

template <int C, int Step>
__attribute__((target("avx2"))) void DownColumnsWide(const StretchTaps& taps, ConstPixelRows from,
                                                     PixelRows to, MemoryRect part) {
  DownColumns<C, Step>(taps, from, to, part);
}
#endif

template <int C, int Step>
StretchPassSet PassSet(bool plainVectors) {
#ifdef VORLIX_WIDE_VECTORS
  if (!plainVectors && __builtin_cpu_supports("avx2")) {
    return {AlongRowsWide<C, Step>, DownColumnsWide<C, Step>, Copy<C, Step>};
  }
#else
  (void)plainVectors;
#endif
  return {AlongRowsPlain<C, Step>, DownColumnsPlain<C, Step>, Copy<C, Step>};
}

}  // namespace

StretchPassSet PickStretchPasses(int channels, int fromStep, bool plainVectors) {
  if (channels == 1 && fromStep == 1) return PassSet<1, 1>(plainVectors);
  if (channels == 3 && fromStep == 3) return PassSet<3, 3>(plainVectors);
  if (channels == 3 && fromStep == 4) return PassSet<3, 4>(plainVectors);
  if (channels == 4 && fromStep == 4) return PassSet<4, 4>(plainVectors);
  return {};
}

}  // namespace vorlix
