#include <FreeImage.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "convert/picture/auto_threshold.h"
#include "convert/picture/dithering.h"

namespace vorlix {
namespace {

struct Unload {
  void operator()(FIBITMAP* dib) const { FreeImage_Unload(dib); }
};
using Bitmap = std::unique_ptr<FIBITMAP, Unload>;

// A 24-bit picture whose pixel (x, y), y = 0 at the top, has the colour `colour(x, y)`.
Bitmap Picture(int w, int h, const std::function<RGBQUAD(int, int)>& colour) {
  Bitmap dib(FreeImage_Allocate(w, h, 24));
  for (int y = 0; y < h; ++y) {
    BYTE* line = FreeImage_GetScanLine(dib.get(), h - 1 - y);
    for (int x = 0; x < w; ++x) {
      const RGBQUAD c = colour(x, y);
      line[3 * x + FI_RGBA_RED] = c.rgbRed;
      line[3 * x + FI_RGBA_GREEN] = c.rgbGreen;
      line[3 * x + FI_RGBA_BLUE] = c.rgbBlue;
    }
  }
  return dib;
}

RGBQUAD Grey(int v) {
  const auto b = static_cast<BYTE>(v);
  return RGBQUAD{b, b, b, 0};
}

int IndexAt(FIBITMAP* bits, int x, int y) {
  BYTE index = 0;
  FreeImage_GetPixelIndex(bits, x, FreeImage_GetHeight(bits) - 1 - y, &index);
  return index;
}

constexpr DitherMethod kAllMethods[] = {DitherMethod::None,     DitherMethod::FloydSteinberg,
                                        DitherMethod::Bayer4,   DitherMethod::Bayer8,
                                        DitherMethod::Bayer16,  DitherMethod::Cluster6,
                                        DitherMethod::Cluster8, DitherMethod::Cluster16};
constexpr DitherMethod kOrderedMethods[] = {DitherMethod::Bayer4,   DitherMethod::Bayer8,
                                            DitherMethod::Bayer16,  DitherMethod::Cluster6,
                                            DitherMethod::Cluster8, DitherMethod::Cluster16};

TEST(ReduceToOneBit, BrightIsIndexOneForTheThresholdAndEveryDither) {
  const Bitmap black = Picture(32, 32, [](int, int) { return Grey(0); });
  const Bitmap white = Picture(32, 32, [](int, int) { return Grey(255); });
  for (DitherMethod method : kAllMethods) {
    const Bitmap dark(ReduceToOneBit(black.get(), 160, method).bits);
    const Bitmap light(ReduceToOneBit(white.get(), 160, method).bits);
    ASSERT_TRUE(dark && light);
    ASSERT_EQ(FreeImage_GetBPP(dark.get()), 1u);
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        ASSERT_EQ(IndexAt(dark.get(), x, y), 0) << int(method);
        ASSERT_EQ(IndexAt(light.get(), x, y), 1) << int(method);
      }
    }
  }
}

TEST(ReduceToOneBit, OrderedDithersGiveAnUnchangedAreaTheSameDots) {
  auto gradient = [](int x, int y) { return Grey((x * 3 + y * 5) % 256); };
  const Bitmap before = Picture(96, 64, gradient);
  // The next frame changes only a box at the right.
  const Bitmap after = Picture(96, 64, [&](int x, int y) {
    return x >= 80 && y >= 20 && y < 40 ? Grey(255 - gradient(x, y).rgbRed) : gradient(x, y);
  });
  for (DitherMethod method : kOrderedMethods) {
    const Bitmap a(ReduceToOneBit(before.get(), 160, method).bits);
    const Bitmap b(ReduceToOneBit(after.get(), 160, method).bits);
    int changed = 0;
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 80; ++x) changed += IndexAt(a.get(), x, y) != IndexAt(b.get(), x, y);
    }
    EXPECT_EQ(changed, 0) << int(method);
  }
}

TEST(AutoThreshold, HistogramMeansWhatTheThresholdCompares) {
  // Colours of every kind: the pixels counted below T are exactly those the library's threshold
  // at T makes dark, for every T.
  std::uint32_t state = 1;
  auto next = [&state] { return static_cast<BYTE>((state = state * 1103515245u + 12345u) >> 23); };
  const Bitmap colours = Picture(64, 64, [&](int, int) {
    return RGBQUAD{next(), next(), next(), 0};
  });
  LuminanceHistogram histogram{};
  ASSERT_TRUE(AddLuminance(colours.get(), histogram));
  std::uint64_t below = 0;
  for (int t = 0; t < 256; ++t) {
    const Bitmap bits(FreeImage_Threshold(colours.get(), static_cast<BYTE>(t)));
    std::uint64_t dark = 0;
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) dark += IndexAt(bits.get(), x, y) == 0;
    }
    ASSERT_EQ(below, dark) << "threshold " << t;
    below += histogram[t];
  }
  EXPECT_EQ(below, 64u * 64u);
}

TEST(AutoThreshold, OtsuSplitsBetweenTheClasses) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, std::uint64_t>> levels;  // luminance, pixel count
    int lowest, highest;                                // the range T must fall in
  };
  const Case cases[] = {
      {"two clean levels: the middle", {{30, 900}, {200, 100}}, 115, 115},
      {"black and white", {{0, 1}, {255, 1}}, 128, 128},
      {"dark screen, light text, blends between",
       {{20, 8000}, {21, 500}, {60, 300}, {110, 200}, {150, 150}, {190, 300}, {200, 600}},
       61,
       150},
      {"two broad hills",
       {{40, 50}, {50, 100}, {60, 50}, {170, 60}, {180, 120}, {190, 60}},
       61,
       170},
  };
  for (const Case& c : cases) {
    LuminanceHistogram h{};
    for (const auto& [level, count] : c.levels) h[level] = count;
    const std::optional<std::uint8_t> t = OtsuThreshold(h);
    ASSERT_TRUE(t.has_value()) << c.what;
    EXPECT_GE(*t, c.lowest) << c.what;
    EXPECT_LE(*t, c.highest) << c.what;
  }
  LuminanceHistogram single{};
  single[77] = 1000;
  EXPECT_FALSE(OtsuThreshold(single).has_value());
  EXPECT_FALSE(OtsuThreshold(LuminanceHistogram{}).has_value());
}

}  // namespace
}  // namespace vorlix
