#include "convert/gif/gif_layout.h"

#include <gtest/gtest.h>

#include "tests/support/gif_writer.h"

namespace vorlix {
namespace {

using testgif::GifDescription;
using testgif::GifFrame;
using testgif::SolidFrame;

GifLayout Read(const std::vector<std::uint8_t>& bytes, bool* isGif = nullptr) {
  GifLayout layout;
  const bool ok = ReadGifLayout(bytes.data(), bytes.size(), layout) == GifStatus::Ok;
  if (isGif) *isGif = ok;
  return layout;
}

GifDescription ThreeFrames() {
  GifDescription gif;
  gif.width = 40;
  gif.height = 30;
  gif.globalPalette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
  gif.backgroundIndex = 2;
  GifFrame first = SolidFrame(0, 0, 40, 30, 1);
  first.disposal = 2;
  first.delayCs = 7;
  GifFrame second = SolidFrame(5, 6, 10, 12, 3);
  second.disposal = 3;
  second.delayCs = 300;
  second.localPalette = {{9, 9, 9}, {8, 8, 8}};
  GifFrame third = SolidFrame(39, 29, 20, 20, 0);
  third.hasControlExtension = false;
  third.interlaced = true;
  gif.frames = {first, second, third};
  return gif;
}

TEST(GifLayout, ReadsScreenPaletteAndEveryImage) {
  bool isGif = false;
  const GifLayout layout = Read(testgif::EncodeGif(ThreeFrames()), &isGif);
  ASSERT_TRUE(isGif);
  EXPECT_EQ(layout.width, 40);
  EXPECT_EQ(layout.height, 30);
  EXPECT_EQ(layout.backgroundIndex, 2);
  ASSERT_EQ(layout.globalPalette.size(), 4u);
  EXPECT_EQ(layout.globalPalette[3].red, 10);
  EXPECT_EQ(layout.globalPalette[3].blue, 12);
  struct Expected {
    int left, top, width, height;
    GifDisposal disposal;
    int delay;
    bool control;
  };
  const Expected expected[] = {
      {0, 0, 40, 30, GifDisposal::Background, 7, true},
      {5, 6, 10, 12, GifDisposal::Previous, 300, true},
      // Without a control extension: left in place, no delay. It may reach past the screen.
      {39, 29, 20, 20, GifDisposal::Keep, 0, false},
  };
  ASSERT_EQ(layout.images.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const GifImageLayout& f = layout.images[i];
    const Expected& e = expected[i];
    EXPECT_TRUE(f.complete) << i;
    EXPECT_EQ(f.left, e.left) << i;
    EXPECT_EQ(f.top, e.top) << i;
    EXPECT_EQ(f.width, e.width) << i;
    EXPECT_EQ(f.height, e.height) << i;
    EXPECT_EQ(f.disposal, e.disposal) << i;
    EXPECT_EQ(f.delay, e.delay) << i;
    EXPECT_EQ(f.hasControlExtension, e.control) << i;
  }
}

// The walk stops at the image after the limit, and says where the images before it end, so
// that nothing after them is read.
TEST(GifLayout, StopsAtTheImageAfterTheLimit) {
  const std::vector<std::uint8_t> bytes = testgif::EncodeGif(ThreeFrames());
  for (std::size_t limit : {1u, 2u, 3u, 4u}) {
    GifLayout layout;
    ASSERT_EQ(ReadGifLayout(bytes.data(), bytes.size(), layout, limit), GifStatus::Ok);
    const bool cut = limit < 3;
    EXPECT_EQ(layout.images.size(), cut ? limit : 3u) << limit;
    EXPECT_EQ(layout.moreImages, cut) << limit;
    if (!cut) continue;
    // What follows is the next frame's control block or, for the third, its image descriptor.
    ASSERT_LT(layout.imagesEnd, bytes.size());
    EXPECT_EQ(bytes[layout.imagesEnd], limit == 1 ? 0x21 : 0x2C) << limit;
    // The images before the cut read the same from the cut file.
    std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + layout.imagesEnd);
    prefix.push_back(0x3B);
    const GifLayout again = Read(prefix);
    ASSERT_EQ(again.images.size(), limit);
    EXPECT_EQ(again.images.back().left, layout.images.back().left);
  }
}

TEST(GifLayout, RefusesWhatDoesNotStartAsAGif) {
  const std::vector<std::vector<std::uint8_t>> inputs = {
      {},
      {'G', 'I', 'F'},
      {'G', 'I', 'F', '8', '8', 'a', 1, 0, 1, 0, 0, 0, 0},
      {'P', 'N', 'G', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0},
      {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1},  // screen descriptor cut short
  };
  for (const auto& input : inputs) {
    bool isGif = true;
    Read(input, &isGif);
    EXPECT_FALSE(isGif) << input.size();
  }
}

// Every cut of a file gives a prefix of the whole file's images: the walk ends where the data
// end, and only the last image it reports may be incomplete.
TEST(GifLayout, CutFilesGiveAPrefixOfTheImages) {
  const std::vector<std::uint8_t> whole = testgif::EncodeGif(ThreeFrames());
  const GifLayout full = Read(whole);
  for (std::size_t size = 13; size < whole.size(); ++size) {
    const GifLayout cut = Read(std::vector<std::uint8_t>(whole.begin(), whole.begin() + size));
    ASSERT_LE(cut.images.size(), full.images.size()) << size;
    for (std::size_t i = 0; i < cut.images.size(); ++i) {
      const bool last = i + 1 == cut.images.size();
      if (!last) {
        EXPECT_TRUE(cut.images[i].complete) << size;
      }
      if (cut.images[i].complete) {
        EXPECT_EQ(cut.images[i].left, full.images[i].left) << size;
        EXPECT_EQ(cut.images[i].disposal, full.images[i].disposal) << size;
      }
    }
  }
}

TEST(GifLayout, UnknownBlockEndsTheWalk) {
  std::vector<std::uint8_t> bytes = testgif::EncodeGif(ThreeFrames());
  GifDescription one = ThreeFrames();
  one.frames.resize(1);
  const std::size_t firstEnd = testgif::EncodeGif(one).size() - 1;  // before the trailer
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(firstEnd), 0x77);
  EXPECT_EQ(Read(bytes).images.size(), 1u);
}

}  // namespace
}  // namespace vorlix
