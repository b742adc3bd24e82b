// The limits that keep a conversion's memory and time bounded whatever a GIF claims: the canvas
// budget, MaxFrames frames, frames clipped to their canvas, and the time one GIF of the largest
// accepted size takes.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "base/limits.h"
#include "convert/conversion_run.h"
#include "convert/gif/gif_compositor.h"
#include "settings/conversion_settings.h"
#include "tests/support/gif_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xm_reader.h"

#if defined(__SANITIZE_ADDRESS__)
#define VORLIX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORLIX_ASAN 1
#endif
#endif

namespace vorlix {
namespace {

using testgif::GifDescription;
using testgif::GifFrame;
using testgif::SolidFrame;
using Bytes = std::vector<std::uint8_t>;

// Processor time that one GIF of the largest accepted size (the whole canvas budget,
// MaxFrames frames of the full canvas, the widest and tallest options) may take: a bound that
// catches work growing faster than the frames, not a speed target. Measured for the tall canvas
// below: 67 to 79 s on one 2-core machine, 139 s on another (alone, two threads, 70 s of wall
// clock), 36 s for a square canvas.
constexpr double kLargestGifSeconds = 300.0;
#ifdef VORLIX_ASAN
constexpr double kSanitizerSlowdown = 3.0;  // the image library itself is not instrumented
// A tenth of the frames keeps the sanitizer run short; the bound is scaled to match.
constexpr int kLargestGifFrames = MaxFrames / 10;
#else
constexpr double kSanitizerSlowdown = 1.0;
constexpr int kLargestGifFrames = MaxFrames;
#endif

// What one Load and Save said and left behind.
struct Outcome {
  int saveOutcome = 0;
  std::vector<std::string> messages;
  std::string lastStatus;
  int frameCount = 0;
};

Outcome Convert(const std::string& input, const std::string& output, int width, int height) {
  Outcome outcome;
  const RunReporter reporter{
      [&outcome](MessageKind, const std::string& text) { outcome.messages.push_back(text); },
      [&outcome](const std::string& text) { outcome.lastStatus = text; }};
  RunState state;
  LoadInput(input, reporter, state);
  ConversionSettings settings = StartupSettings();
  settings.Width = width;
  settings.Height = height;
  std::ostringstream progress;
  outcome.saveOutcome =
      static_cast<int>(ConversionRun(output, input, reporter, progress, settings, state));
  // The frame total as the written module's header gives it.
  // The frame total as the header of the module it wrote gives it ("Saving to: NAME.").
  if (outcome.saveOutcome == 1) {
    const std::string line = progress.str().substr(0, progress.str().find('\n'));
    const std::string written = line.substr(std::string("Saving to: ").size(),
                                            line.size() - std::string("Saving to: .").size());
    outcome.frameCount = testxm::ParseModule(testxm::ReadFileBytes(written)).patternCount;
  }
  return outcome;
}

// The header and colour table of an encoded GIF without a loop block, and its frame blocks.
std::size_t FirstBlock(const Bytes& gif) {
  const std::uint8_t packed = gif[10];
  return 13 + ((packed & 0x80) ? 3u * (2u << (packed & 7)) : 0u);
}
Bytes FrameBlock(const Bytes& gif) {
  return Bytes(gif.begin() + static_cast<std::ptrdiff_t>(FirstBlock(gif)), gif.end() - 1);
}

// A GIF whose frames are copies of already encoded frame blocks, so that hundreds of large frames
// cost one encoding each. `disposals[i]`, when given, replaces the disposal of copy i.
Bytes Splice(const Bytes& header, const std::vector<const Bytes*>& frames,
             const std::vector<int>& disposals = {}) {
  Bytes out = header;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const std::size_t at = out.size();
    out.insert(out.end(), frames[i]->begin(), frames[i]->end());
    if (i < disposals.size() && out[at] == 0x21 && out[at + 1] == 0xF9) {
      out[at + 3] = static_cast<std::uint8_t>((out[at + 3] & ~0x1C) | (disposals[i] << 2));
    }
  }
  out.push_back(0x3B);
  return out;
}

GifDescription Screen(int width, int height) {
  GifDescription gif;
  gif.width = width;
  gif.height = height;
  gif.globalPalette = {{0, 0, 0}, {255, 255, 255}, {128, 128, 128}, {30, 30, 30}};
  gif.loopExtension = false;
  return gif;
}

// A full frame of the given size: light, with dark bars whose place depends on `shift`.
GifFrame Bars(int width, int height, int shift) {
  GifFrame frame = SolidFrame(0, 0, width, height, 1);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (((x + shift) / 64 + y / 256) % 3 == 0) frame.indices[y * width + x] = 0;
    }
  }
  return frame;
}

// Runs `body` in a child process whose address space is limited to `megabytes` more than the
// test already uses; true when the child ended normally with status 0.
template <typename Body>
bool RunWithAddressSpaceLimit(std::size_t megabytes, Body body) {
  const pid_t child = ::fork();
  if (child == 0) {
    long pages = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    const rlim_t limit = static_cast<rlim_t>(pages) * ::sysconf(_SC_PAGESIZE) + (megabytes << 20);
    const rlimit r{limit, limit};
    ::setrlimit(RLIMIT_AS, &r);
    ::_exit(body() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(Limits, CanvasBudgetBoundsMemory) {
  testfs::TempDir dir;
  // 4096 x 4096 is the whole budget; one column more is over it.
  const Bytes atBudget = testgif::EncodeGif([] {
    GifDescription gif = Screen(4096, 4096);
    GifFrame full = Bars(4096, 4096, 0);
    full.disposal = 3;  // the pixels under it are saved too: a second canvas-sized buffer
    GifFrame last = Bars(4096, 4096, 32);
    gif.frames = {full, last};
    return gif;
  }());
  Bytes overBudget = atBudget;
  overBudget[6] = 0x01;  // width 4097
  overBudget[7] = 0x10;
  ASSERT_TRUE(testfs::WriteBytes(dir / "at.gif", atBudget));
  ASSERT_TRUE(testfs::WriteBytes(dir / "over.gif", overBudget));

  const Outcome over = Convert(dir / "over.gif", dir / "over", 128, 200);
  EXPECT_EQ(over.saveOutcome, 0);
  EXPECT_EQ(over.messages,
            (std::vector<std::string>{"File loaded.", "This animation is too large."}));
  EXPECT_FALSE(testfs::Exists(dir / "over.xm"));

#ifdef VORLIX_ASAN
  GTEST_SKIP() << "the address sanitizer reserves more address space than any limit allows";
#else
  // The largest accepted canvas converts within 640 MB of address space: the canvas and the
  // saved pixels, and for each of the two threads a decoded frame, its copy of the canvas, the
  // stretched pictures and the allocator's own reserve.
  EXPECT_TRUE(RunWithAddressSpaceLimit(640, [&] {
    const Outcome at = Convert(dir / "at.gif", dir / "at", 128, 200);
    return at.saveOutcome == 1 && at.frameCount == 2;
  }));
  EXPECT_TRUE(testfs::Exists(dir / "at.xm"));
  // Short of memory part way, a run either writes the whole module or reports failure and
  // removes what it wrote; it never ends the program. Both limits leave room for the library.
  for (std::size_t megabytes : {150, 200}) {
    SCOPED_TRACE(megabytes);
    const std::string name = dir / ("short" + std::to_string(megabytes));
    EXPECT_TRUE(RunWithAddressSpaceLimit(megabytes, [&] {
      const Outcome outcome = Convert(dir / "at.gif", name, 128, 200);
      return outcome.saveOutcome == 1 ? testfs::Exists(name + ".xm") && outcome.frameCount == 2
                                      : !testfs::Exists(name + ".xm");
    }));
  }
  // A canvas of 65535 x 65535 would need 16 GiB: under the same limit it is refused by its
  // size, not by a failed allocation.
  Bytes huge = atBudget;
  huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;
  ASSERT_TRUE(testfs::WriteBytes(dir / "huge.gif", huge));
  EXPECT_TRUE(RunWithAddressSpaceLimit(400, [&] {
    const Outcome refused = Convert(dir / "huge.gif", dir / "huge", 128, 200);
    return refused.saveOutcome == 0 && refused.messages.back() == "This animation is too large." &&
           !testfs::Exists(dir / "huge.xm");
  }));
#endif
}

TEST(Limits, ConvertsAtMostMaxFramesFrames) {
  testfs::TempDir dir;
  // MaxFrames one-pixel frames, then thousands of frames that would each take a while to decode.
  GifDescription screen = Screen(512, 512);
  screen.frames = {SolidFrame(0, 0, 1, 1, 0)};
  const Bytes small = testgif::EncodeGif(screen);
  screen.frames = {Bars(512, 512, 0)};
  const Bytes large = FrameBlock(testgif::EncodeGif(screen));
  const Bytes tiny = FrameBlock(small);
  std::vector<const Bytes*> frames(MaxFrames, &tiny);
  frames.insert(frames.end(), 6000, &large);
  const Bytes header(small.begin(), small.begin() + static_cast<std::ptrdiff_t>(FirstBlock(small)));
  ASSERT_TRUE(testfs::WriteBytes(dir / "long.gif", Splice(header, frames)));

  const std::clock_t start = std::clock();
  const Outcome outcome = Convert(dir / "long.gif", dir / "long", 16, 16);
  const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  EXPECT_EQ(outcome.saveOutcome, 1);
  EXPECT_EQ(outcome.messages,
            (std::vector<std::string>{"File loaded.", "Too many frames. The animation will be cut.",
                                      "Successfully saved to file " + (dir / "long.xm") + "."}));
  EXPECT_EQ(outcome.frameCount, MaxFrames);
  EXPECT_EQ(outcome.lastStatus, "Converted frames: 240/240");
  const testxm::Module module = testxm::ParseModule(testxm::ReadFileBytes(dir / "long.xm"));
  EXPECT_EQ(module.patternCount, MaxFrames);
  EXPECT_EQ(module.songLength, MaxFrames);
  // Decoding the 6000 frames past the cut would take far longer than this.
  EXPECT_LT(seconds, 10.0 * kSanitizerSlowdown);
}

TEST(Limits, FramesLargerThanTheCanvasAreClipped) {
  testfs::TempDir dir;
  // A dark frame of the whole budget over an 8 x 8 canvas, one starting in its middle and one
  // starting past its edge, each against the frame that only covers what is visible.
  struct Case {
    GifFrame oversized, visible;
  };
  const std::vector<Case> cases = {
      {SolidFrame(0, 0, 4096, 4096, 3), SolidFrame(0, 0, 8, 8, 3)},
      {SolidFrame(4, 2, 4096, 4000, 3), SolidFrame(4, 2, 4, 6, 3)},
      {SolidFrame(9, 0, 4000, 4000, 3), SolidFrame(0, 0, 1, 1, 1)},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(number);
    GifDescription gif = Screen(8, 8);
    gif.backgroundIndex = 1;
    gif.frames = {SolidFrame(0, 0, 8, 8, 1), c.oversized};
    ASSERT_TRUE(testgif::WriteGif(dir / "big.gif", gif));
    gif.frames[1] = c.visible;
    ASSERT_TRUE(testgif::WriteGif(dir / "fit.gif", gif));
    const std::string big = dir / ("big" + std::to_string(number));
    const std::string fit = dir / ("fit" + std::to_string(number));
    ASSERT_EQ(Convert(dir / "big.gif", big, 8, 16).saveOutcome, 1);
    ASSERT_EQ(Convert(dir / "fit.gif", fit, 8, 16).saveOutcome, 1);
    EXPECT_EQ(testxm::ReadFileBytes(big + ".xm"), testxm::ReadFileBytes(fit + ".xm"));
    ++number;
  }
}

TEST(Limits, LargestGifConvertsWithinTimeBound) {
  testfs::TempDir dir;
  // kLargestGifFrames frames of the whole canvas budget in two alternating pictures, every third
  // one restoring what was under it. Of the canvases within the budget a tall and narrow one
  // takes longest: about twice as long as a square one.
  GifDescription screen = Screen(256, 65535);
  screen.frames = {Bars(256, 65535, 0)};
  const Bytes first = testgif::EncodeGif(screen);
  screen.frames = {Bars(256, 65535, 100)};
  const Bytes blockA = FrameBlock(first);
  const Bytes blockB = FrameBlock(testgif::EncodeGif(screen));
  std::vector<const Bytes*> frames;
  std::vector<int> disposals;
  for (int i = 0; i < kLargestGifFrames; ++i) {
    frames.push_back(i % 2 ? &blockB : &blockA);
    disposals.push_back(i % 3 == 2 ? 3 : 1);
  }
  const Bytes header(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(FirstBlock(first)));
  ASSERT_TRUE(testfs::WriteBytes(dir / "largest.gif", Splice(header, frames, disposals)));

  const std::clock_t start = std::clock();
  const auto wallStart = std::chrono::steady_clock::now();
  const Outcome outcome = Convert(dir / "largest.gif", dir / "largest", 128, 200);
  const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
  std::printf("largest GIF: %.1f s processor time, %.1f s wall clock\n", seconds, wall.count());
  EXPECT_EQ(outcome.saveOutcome, 1);
  EXPECT_EQ(outcome.frameCount, kLargestGifFrames);
  EXPECT_LT(seconds, kLargestGifSeconds * kSanitizerSlowdown * kLargestGifFrames / MaxFrames);
}

}  // namespace
}  // namespace vorlix
