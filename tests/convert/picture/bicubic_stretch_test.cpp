// The project's bicubic stretch against the image library's FreeImage_Rescale, byte for byte,
// on generated pictures of many shapes and on frame sequences that change parts of a picture.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "convert/picture/bicubic_stretch.h"
#include "convert/picture/stretched_picture.h"

namespace vorlix {
namespace {

struct BitmapDeleter {
  void operator()(FIBITMAP* dib) const {
    if (dib != nullptr) FreeImage_Unload(dib);
  }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

// A stretch that the sizes and layout allow.
BicubicStretch MadeStretch(int sourceWidth, int sourceHeight, int width, int height,
                           StretchLayout layout = {}) {
  std::optional<BicubicStretch> stretch;
  EXPECT_EQ(BicubicStretch::Make(sourceWidth, sourceHeight, width, height, layout, stretch),
            PictureStatus::Ok);
  return *stretch;
}

// What making a stretch answers.
PictureStatus MakeStatus(int sourceWidth, int sourceHeight, int width, int height,
                         StretchLayout layout = {}) {
  std::optional<BicubicStretch> stretch;
  const PictureStatus status =
      BicubicStretch::Make(sourceWidth, sourceHeight, width, height, layout, stretch);
  EXPECT_EQ(stretch.has_value(), status == PictureStatus::Ok);
  return status;
}

// What a generated picture shows. Edges and stripes are black and white, so that the cubic's
// overshoot is clamped; a fill stands for an area that disposal restored to one colour.
enum class Content { Random, Edges, Ramp, Stripes, Fill };

const char* Name(Content content) {
  static const char* const names[] = {"random", "edges", "ramp", "stripes", "fill"};
  return names[static_cast<int>(content)];
}

// Paints `area` (row 0 at the top) of the picture; `variant` varies the content.
void Paint(FIBITMAP* dib, Rect area, Content content, unsigned variant) {
  const int width = static_cast<int>(FreeImage_GetWidth(dib));
  const int height = static_cast<int>(FreeImage_GetHeight(dib));
  const int channels = static_cast<int>(FreeImage_GetBPP(dib) / 8);
  std::mt19937 random(variant);
  for (int y = std::max(area.top, 0); y < std::min(area.bottom, height); ++y) {
    BYTE* line = FreeImage_GetScanLine(dib, height - 1 - y);
    for (int x = std::max(area.left, 0); x < std::min(area.right, width); ++x) {
      for (int c = 0; c < channels; ++c) {
        const unsigned block = (x / 5) * 7919u + (y / 3) * 104729u + c * 31u + variant;
        BYTE value = 0;
        switch (content) {
          case Content::Random:
            value = static_cast<BYTE>(random());
            break;
          case Content::Edges:
            value = (block * 2654435761u >> 16) & 1 ? 255 : 0;
            break;
          case Content::Ramp:
            value = static_cast<BYTE>(x * 7 + y * 3 + c * 50 + variant);
            break;
          case Content::Stripes:
            value = ((x + y + c + variant) & 1) ? 255 : 0;
            break;
          case Content::Fill:
            value = static_cast<BYTE>(variant * 37 + c * 80);
            break;
        }
        line[x * channels + c] = value;
      }
    }
  }
}

Bitmap MakePicture(int width, int height, int bpp, Content content, unsigned variant) {
  Bitmap dib(FreeImage_Allocate(width, height, bpp));
  if (dib) Paint(dib.get(), {0, 0, width, height}, content, variant);
  return dib;
}

// The library's stretch; with dropAlpha, of the picture's 24-bit copy, as the conversion makes
// it before stretching.
Bitmap LibraryStretch(FIBITMAP* picture, int width, int height, bool dropAlpha = false) {
  if (!dropAlpha || FreeImage_GetBPP(picture) != 32) {
    return Bitmap(FreeImage_Rescale(picture, width, height, FILTER_BICUBIC));
  }
  const Bitmap copy(FreeImage_ConvertTo24Bits(picture));
  return Bitmap(FreeImage_Rescale(copy.get(), width, height, FILTER_BICUBIC));
}

::testing::AssertionResult SameBytes(FIBITMAP* expected, FIBITMAP* actual) {
  if (expected == nullptr || actual == nullptr) {
    return ::testing::AssertionFailure() << "no picture";
  }
  const unsigned width = FreeImage_GetWidth(expected), height = FreeImage_GetHeight(expected);
  const unsigned bpp = FreeImage_GetBPP(expected);
  if (FreeImage_GetWidth(actual) != width || FreeImage_GetHeight(actual) != height ||
      FreeImage_GetBPP(actual) != bpp) {
    return ::testing::AssertionFailure()
           << "shape " << FreeImage_GetWidth(actual) << "x" << FreeImage_GetHeight(actual) << "x"
           << FreeImage_GetBPP(actual) << ", library " << width << "x" << height << "x" << bpp;
  }
  const unsigned bytes = width * bpp / 8;
  for (unsigned row = 0; row < height; ++row) {
    const BYTE* want = FreeImage_GetScanLine(expected, row);
    const BYTE* got = FreeImage_GetScanLine(actual, row);
    if (std::memcmp(want, got, bytes) == 0) continue;
    unsigned i = 0;
    while (want[i] == got[i]) ++i;
    return ::testing::AssertionFailure()
           << "first difference at x " << i / (bpp / 8) << ", y " << height - 1 - row
           << " (from the top), byte " << i % (bpp / 8) << ": " << int{got[i]} << ", library "
           << int{want[i]};
  }
  return ::testing::AssertionSuccess();
}

struct Shape {
  int sourceWidth, sourceHeight, width, height;
};

std::string Label(const Shape& s, int bpp, Content content, StretchChoices choices = {}) {
  std::ostringstream text;
  text << s.sourceWidth << "x" << s.sourceHeight << " -> " << s.width << "x" << s.height << ", "
       << bpp << "-bit" << (choices.dropAlpha ? " without alpha" : "") << ", " << Name(content)
       << (choices.plainVectors ? ", plain vectors" : "");
  return text.str();
}

// The ways of stretching a picture of `bpp` bits: with the widest vectors the processor has and
// with the plain ones; for 32 bits also without the alpha byte.
std::vector<StretchChoices> ChoicesFor(int bpp) {
  std::vector<StretchChoices> all = {{false, false}, {false, true}};
  if (bpp == 32) all.insert(all.end(), {{true, false}, {true, true}});
  return all;
}

// Stretches a fresh picture of every shape, depth and content in every way and compares the
// bytes with the library's.
void ExpectLikeLibrary(const std::vector<Shape>& shapes, std::vector<int> depths,
                       std::vector<Content> contents) {
  unsigned variant = 1;
  for (const Shape& s : shapes) {
    for (int bpp : depths) {
      for (Content content : contents) {
        const Bitmap picture = MakePicture(s.sourceWidth, s.sourceHeight, bpp, content, ++variant);
        for (const StretchChoices choices : ChoicesFor(bpp)) {
          const Bitmap expected =
              LibraryStretch(picture.get(), s.width, s.height, choices.dropAlpha);
          StretchedPicture ours(s.width, s.height, choices);
          EXPECT_TRUE(SameBytes(expected.get(), ours.Stretch(picture.get()).picture))
              << Label(s, bpp, content, choices);
        }
      }
    }
  }
}

const std::vector<Content> kAllContents = {Content::Random, Content::Edges, Content::Ramp,
                                           Content::Stripes};

// A shape and the passes the library runs for it.
struct PassCase {
  Shape shape;
  StretchPasses passes;
};

// Each shape runs the passes given and stretches like the library, in every depth and content.
void ExpectPassesAndLikeLibrary(const std::vector<PassCase>& cases) {
  for (const PassCase& c : cases) {
    const Shape& s = c.shape;
    EXPECT_EQ(MadeStretch(s.sourceWidth, s.sourceHeight, s.width, s.height).passes(), c.passes)
        << Label(s, 24, Content::Random);
    ExpectLikeLibrary({s}, {8, 24, 32}, kAllContents);
  }
}

TEST(BicubicStretchLikeLibrary, EqualSizesCopyAndEqualSidesRunOnePass) {
  const std::vector<PassCase> cases = {
      {{7, 5, 7, 5}, StretchPasses::Copy},
      {{120, 150, 120, 150}, StretchPasses::Copy},
      {{1, 1, 1, 1}, StretchPasses::Copy},
      {{120, 300, 120, 150}, StretchPasses::Vertical},
      {{120, 41, 120, 150}, StretchPasses::Vertical},
      {{1, 9, 1, 200}, StretchPasses::Vertical},
      {{640, 150, 120, 150}, StretchPasses::Horizontal},
      {{33, 150, 120, 150}, StretchPasses::Horizontal},
      {{4096, 1, 120, 1}, StretchPasses::Horizontal},
  };
  ExpectPassesAndLikeLibrary(cases);
}

TEST(BicubicStretchLikeLibrary, PassOrderFlipsWhereThePictureGetsWider) {
  const std::vector<PassCase> cases = {
      {{121, 150, 120, 200}, StretchPasses::HorizontalFirst},
      {{119, 150, 120, 200}, StretchPasses::VerticalFirst},
      {{121, 90, 120, 100}, StretchPasses::HorizontalFirst},
      {{119, 90, 120, 100}, StretchPasses::VerticalFirst},
      {{121, 301, 120, 150}, StretchPasses::HorizontalFirst},
      {{119, 301, 120, 150}, StretchPasses::VerticalFirst},
      {{2, 3, 1, 4}, StretchPasses::HorizontalFirst},
      {{1, 3, 2, 4}, StretchPasses::VerticalFirst},
  };
  ExpectPassesAndLikeLibrary(cases);
}

TEST(BicubicStretchLikeLibrary, TinyPictures) {
  ExpectLikeLibrary({{1, 1, 8, 16},
                     {1, 1, 128, 200},
                     {2, 2, 128, 200},
                     {1, 7, 8, 16},
                     {7, 1, 8, 16},
                     {3, 2, 5, 9},
                     {2, 3, 1, 1},
                     {5, 5, 1, 1},
                     {9, 4, 2, 3}},
                    {8, 24, 32}, kAllContents);
}

TEST(BicubicStretchLikeLibrary, VeryWideAndVeryTallPictures) {
  ExpectLikeLibrary({{4096, 2, 128, 200},
                     {4096, 3, 8, 16},
                     {4096, 17, 120, 150},
                     {4096, 4, 4096, 9},
                     {3, 2, 4096, 2},
                     {3, 4096, 120, 150},
                     {5, 4096, 8, 16}},
                    {24}, {Content::Random, Content::Edges});
}

TEST(BicubicStretchLikeLibrary, CanvasSizesToModuleSizes) {
  ExpectLikeLibrary({{640, 480, 120, 150},
                     {320, 240, 120, 150},
                     {641, 479, 121, 151},
                     {800, 421, 120, 150},
                     {97, 61, 120, 150},
                     {333, 257, 64, 17}},
                    {24}, {Content::Random, Content::Edges, Content::Stripes});
  ExpectLikeLibrary({{640, 480, 120, 150}, {97, 61, 120, 150}}, {8, 32}, {Content::Random});
}

TEST(BicubicStretchLikeLibrary, SampleOfOutputSizes) {
  std::vector<Shape> shapes;
  for (const int width : {8, 12, 36, 64, 100, 128}) {
    for (const int height : {16, 17, 99, 150, 200}) {
      shapes.push_back({211, 163, width, height});
      shapes.push_back({50, 40, width, height});
    }
  }
  ExpectLikeLibrary(shapes, {24}, {Content::Random, Content::Edges});
}

// One frame of a sequence: `area` (row 0 at the top, possibly reaching past the picture) is all
// that changed, painted with `content`; a step with no content changes nothing.
struct Step {
  Rect area;
  bool painted;
  Content content;
};

std::vector<Step> Steps(int w, int h) {
  const int cx = w / 3, cy = h / 3;
  return {
      {{cx, cy, std::min(cx + 5, w), std::min(cy + 4, h)}, true, Content::Random},  // small
      {{0, 0, 1, 1}, true, Content::Random},                                        // corners
      {{std::max(w - 3, 0), std::max(h - 2, 0), w, h}, true, Content::Edges},
      {{w - 1, 0, w, 1}, true, Content::Random},
      {{0, h - 1, 1, h}, true, Content::Random},
      {{0, 0, w, std::min(2, h)}, true, Content::Stripes},  // edges
      {{0, 0, 1, h}, true, Content::Random},
      {{w - 1, 0, w, h}, true, Content::Edges},
      {{0, h - 1, w, h}, true, Content::Random},
      {{0, 0, 0, 0}, false, Content::Random},              // nothing at all
      {{cx, cy, cx + 2, cy + 2}, false, Content::Random},  // a rectangle redrawn the same
      {{cx / 2, cy / 2, w - cx / 2, h - cy / 2}, true, Content::Fill},  // disposed area
      {{w - 2, h - 2, w + 10, h + 10}, true, Content::Edges},           // reaching past the picture
      {{0, 0, w, h}, true, Content::Ramp},                              // everything
      {{cx, 0, std::min(cx + 1, w), h}, true, Content::Fill},
  };
}

TEST(BicubicStretchUpdate, FrameSequencesEqualFullStretches) {
  const std::vector<Shape> shapes = {
      {160, 120, 120, 150},  // horizontal pass first
      {64, 48, 120, 150},    // vertical pass first
      {320, 240, 120, 150}, {640, 480, 120, 150},
      {37, 23, 128, 200},   {100, 150, 120, 150},  // horizontal pass only
      {120, 90, 120, 150},                         // vertical pass only
      {120, 150, 120, 150},                        // copy
      {1, 1, 8, 16},        {3, 2, 8, 16},
  };
  for (const Shape& s : shapes) {
    for (const int bpp : {24, 32}) {
      for (const StretchChoices choices : ChoicesFor(bpp)) {
        if (bpp == 32 && s.sourceWidth > 200 && !choices.dropAlpha) continue;
        const Bitmap frame = MakePicture(s.sourceWidth, s.sourceHeight, bpp, Content::Random, 7);
        StretchedPicture ours(s.width, s.height, choices);
        ASSERT_NE(ours.Stretch(frame.get()).picture, nullptr);
        unsigned variant = 100;
        for (const Step& step : Steps(s.sourceWidth, s.sourceHeight)) {
          if (step.painted) Paint(frame.get(), step.area, step.content, ++variant);
          const Bitmap expected = LibraryStretch(frame.get(), s.width, s.height, choices.dropAlpha);
          ASSERT_TRUE(SameBytes(expected.get(), ours.Update(frame.get(), step.area).picture))
              << Label(s, bpp, step.content, choices) << ", change " << step.area.left << ","
              << step.area.top << " to " << step.area.right << "," << step.area.bottom;
        }
      }
    }
  }
}

// Inverts every byte of the output outside `keep` (memory rows), so that an update that writes
// there shows.
void Spoil(FIBITMAP* dib, MemoryRect keep) {
  const int channels = static_cast<int>(FreeImage_GetBPP(dib) / 8);
  for (int row = 0; row < static_cast<int>(FreeImage_GetHeight(dib)); ++row) {
    BYTE* line = FreeImage_GetScanLine(dib, row);
    for (int x = 0; x < static_cast<int>(FreeImage_GetWidth(dib)); ++x) {
      const bool inside = x >= keep.left && x < keep.right && row >= keep.top && row < keep.bottom;
      for (int c = 0; c < channels && !inside; ++c) line[x * channels + c] ^= 0xFF;
    }
  }
}

TEST(BicubicStretchUpdate, TouchesOnlyWhatTheChangeReaches) {
  struct Case {
    Shape shape;
    MemoryRect change;
    int most;  // widest and highest reach in output pixels
  };
  const std::vector<Case> cases = {
      {{640, 480, 120, 150}, {320, 240, 321, 241}, 6}, {{320, 240, 120, 150}, {0, 0, 1, 1}, 4},
      {{64, 48, 120, 150}, {30, 20, 32, 21}, 12},      {{100, 150, 120, 150}, {50, 70, 51, 71}, 6},
      {{640, 480, 120, 150}, {0, 0, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    const Shape& s = c.shape;
    const Bitmap frame = MakePicture(s.sourceWidth, s.sourceHeight, 24, Content::Random, 3);
    StretchedPicture ours(s.width, s.height);
    ASSERT_NE(ours.Stretch(frame.get()).picture, nullptr);
    const int h = s.sourceHeight;
    Paint(frame.get(), {c.change.left, h - c.change.bottom, c.change.right, h - c.change.top},
          Content::Edges, 9);
    const BicubicStretch stretch = MadeStretch(s.sourceWidth, s.sourceHeight, s.width, s.height);
    const MemoryRect reach = stretch.ReachedOutput(c.change);
    EXPECT_LE(reach.right - reach.left, c.most) << Label(s, 24, Content::Edges);
    EXPECT_LE(reach.bottom - reach.top, c.most) << Label(s, 24, Content::Edges);
    // Bytes outside the reach are spoilt and must stay so; inside they must match.
    const Bitmap expected = LibraryStretch(frame.get(), s.width, s.height);
    Spoil(expected.get(), reach);
    Spoil(ours.result(), reach);
    const Rect changed{c.change.left, h - c.change.bottom, c.change.right, h - c.change.top};
    EXPECT_TRUE(SameBytes(expected.get(), ours.Update(frame.get(), changed).picture))
        << Label(s, 24, Content::Edges);
  }
}

TEST(StretchedPicture, TakesOnlyPicturesItStretchesAsTheLibraryDoes) {
  const Bitmap rgb(FreeImage_Allocate(4, 4, 24)), rgba(FreeImage_Allocate(4, 4, 32));
  const Bitmap grey(FreeImage_Allocate(4, 4, 8)), palette(FreeImage_Allocate(4, 4, 8));
  FreeImage_GetPalette(palette.get())[3].rgbRed = 200;  // no longer a grey ramp
  const Bitmap transparentGrey(FreeImage_Allocate(4, 4, 8));
  BYTE table[256];
  std::fill(std::begin(table), std::end(table), BYTE{255});
  table[0] = 0;
  FreeImage_SetTransparencyTable(transparentGrey.get(), table, 256);
  const Bitmap bits(FreeImage_Allocate(4, 4, 1)), high(FreeImage_Allocate(4, 4, 16));
  const Bitmap rgb16(FreeImage_AllocateT(FIT_RGB16, 4, 4));
  EXPECT_TRUE(StretchedPicture::Takes(rgb.get()));
  EXPECT_TRUE(StretchedPicture::Takes(rgba.get()));
  EXPECT_TRUE(StretchedPicture::Takes(grey.get()));
  for (FIBITMAP* other : {palette.get(), transparentGrey.get(), bits.get(), high.get(), rgb16.get(),
                          static_cast<FIBITMAP*>(nullptr)}) {
    EXPECT_FALSE(StretchedPicture::Takes(other));
    StretchedPicture ours(8, 8);
    EXPECT_EQ(ours.Stretch(other).picture, nullptr);
  }
}

TEST(StretchedPicture, AnotherSizeOrDepthIsStretchedWhole) {
  StretchedPicture ours(120, 150);
  const Bitmap first = MakePicture(160, 120, 24, Content::Random, 1);
  ASSERT_NE(ours.Stretch(first.get()).picture, nullptr);
  const std::vector<Bitmap> others = [] {
    std::vector<Bitmap> pictures;
    pictures.push_back(MakePicture(161, 120, 24, Content::Random, 2));
    pictures.push_back(MakePicture(161, 121, 24, Content::Edges, 3));
    pictures.push_back(MakePicture(161, 121, 32, Content::Random, 4));
    pictures.push_back(MakePicture(161, 121, 8, Content::Random, 5));
    return pictures;
  }();
  for (const Bitmap& next : others) {
    const Bitmap expected = LibraryStretch(next.get(), 120, 150);
    EXPECT_TRUE(SameBytes(expected.get(), ours.Update(next.get(), {0, 0, 1, 1}).picture))
        << FreeImage_GetWidth(next.get()) << "x" << FreeImage_GetHeight(next.get()) << "x"
        << FreeImage_GetBPP(next.get());
  }
}

TEST(BicubicStretch, RefusesEmptySizesAndOtherPixelLayouts) {
  EXPECT_EQ(MakeStatus(0, 1, 1, 1), PictureStatus::Unsupported);
  EXPECT_EQ(MakeStatus(1, 1, 1, -1), PictureStatus::Unsupported);
  for (const StretchLayout layout : {StretchLayout{2, 2}, StretchLayout{3, 2}, StretchLayout{4, 3},
                                     StretchLayout{1, 4}, StretchLayout{3, 5}}) {
    EXPECT_EQ(MakeStatus(1, 1, 1, 1, layout), PictureStatus::Unsupported)
        << layout.channels << " channels, step " << layout.sourceStep;
  }
  for (const StretchLayout layout :
       {StretchLayout{1, 1}, StretchLayout{3, 3}, StretchLayout{3, 4}, StretchLayout{4, 4}}) {
    EXPECT_EQ(MakeStatus(1, 1, 1, 1, layout), PictureStatus::Ok)
        << layout.channels << " channels, step " << layout.sourceStep;
  }
}

}  // namespace
}  // namespace vorlix
