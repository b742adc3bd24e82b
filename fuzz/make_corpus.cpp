// Writes the starting corpus of both fuzz targets:
//   make_fuzz_corpus gif DIR        valid GIFs covering every disposal, transparency, local
//                                   colour tables, interlacing, extensions and odd geometry,
//                                   plus truncated and bit-flipped copies of them
//   make_fuzz_corpus settings DIR   settings files of every length around 11 bytes
// The output is the same on every run, so a corpus can be rebuilt instead of stored.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/support/gif_writer.h"

namespace {

using vorlix::testgif::EncodeGif;
using vorlix::testgif::GifDescription;
using vorlix::testgif::GifFrame;
using vorlix::testgif::Rgb;
using vorlix::testgif::SolidFrame;
using Bytes = std::vector<std::uint8_t>;

std::vector<Rgb> Palette(int count, int shift) {
  std::vector<Rgb> palette;
  for (int i = 0; i < count; ++i) {
    palette.push_back({static_cast<std::uint8_t>(i * 37 + shift), static_cast<std::uint8_t>(i * 11),
                       static_cast<std::uint8_t>(255 - i * 5 - shift)});
  }
  return palette;
}

// A frame whose indices vary with position, so decoding errors show.
GifFrame Stripes(int left, int top, int width, int height, int colours) {
  GifFrame frame = SolidFrame(left, top, width, height, 0);
  for (std::size_t i = 0; i < frame.indices.size(); ++i) {
    frame.indices[i] = static_cast<std::uint8_t>((i / 3 + i / width) % colours);
  }
  return frame;
}

GifDescription Screen(int width, int height, int colours) {
  GifDescription gif;
  gif.width = width;
  gif.height = height;
  if (colours > 0) gif.globalPalette = Palette(colours, 0);
  return gif;
}

// Offset of the first block after the header and the global colour table.
std::size_t FirstBlock(const Bytes& gif) {
  const std::uint8_t packed = gif[10];
  return 13 + ((packed & 0x80) ? 3u * (2u << (packed & 7)) : 0u);
}

Bytes WithBlockInserted(Bytes gif, const Bytes& block) {
  gif.insert(gif.begin() + static_cast<std::ptrdiff_t>(FirstBlock(gif)), block.begin(),
             block.end());
  return gif;
}

std::vector<std::pair<std::string, Bytes>> ValidGifs() {
  std::vector<std::pair<std::string, Bytes>> out;
  auto add = [&out](const std::string& name, const Bytes& bytes) { out.emplace_back(name, bytes); };

  // Each disposal method, including the undefined ones 4..7, over a full first frame.
  for (int disposal = 0; disposal < 8; ++disposal) {
    GifDescription gif = Screen(12, 10, 4);
    GifFrame base = Stripes(0, 0, 12, 10, 4);
    GifFrame top = Stripes(3, 2, 5, 4, 4);
    top.disposal = disposal;
    GifFrame after = SolidFrame(1, 1, 4, 4, 3);
    after.disposal = disposal;
    gif.frames = {base, top, after};
    add("disposal" + std::to_string(disposal), EncodeGif(gif));
  }
  {  // transparency, with and without disposal to background
    GifDescription gif = Screen(9, 9, 8);
    GifFrame base = Stripes(0, 0, 9, 9, 8);
    GifFrame hole = Stripes(2, 2, 5, 5, 8);
    hole.transparentIndex = 1;
    hole.disposal = 2;
    GifFrame last = Stripes(0, 0, 9, 9, 8);
    last.transparentIndex = 0;
    gif.frames = {base, hole, last};
    add("transparent", EncodeGif(gif));
  }
  {  // local colour tables of several sizes, and no global table at all
    GifDescription gif = Screen(8, 8, 0);
    for (int bits = 1; bits <= 8; bits += 3) {
      GifFrame frame = Stripes(0, 0, 8, 8, 1 << bits);
      frame.localPalette = Palette(1 << bits, bits);
      gif.frames.push_back(frame);
    }
    add("local_tables", EncodeGif(gif));
    gif.globalPalette = Palette(2, 9);
    gif.frames.push_back(Stripes(4, 4, 4, 4, 2));
    add("local_and_global", EncodeGif(gif));
  }
  {  // interlaced frames of heights that end in every pass
    GifDescription gif = Screen(7, 13, 4);
    for (int height : {1, 2, 3, 5, 8, 13}) {
      GifFrame frame = Stripes(0, 0, 7, height, 4);
      frame.interlaced = true;
      gif.frames.push_back(frame);
    }
    add("interlaced", EncodeGif(gif));
  }
  {  // frames without a control extension, frames off the screen and larger than it
    GifDescription gif = Screen(6, 5, 4);
    GifFrame bare = Stripes(0, 0, 6, 5, 4);
    bare.hasControlExtension = false;
    gif.frames = {bare, Stripes(4, 3, 10, 9, 4), Stripes(300, 2, 3, 3, 4), Stripes(0, 0, 0, 0, 4)};
    gif.loopExtension = false;
    add("geometry", EncodeGif(gif));
  }
  {  // background index outside the palette, a single pixel, a one-frame still
    GifDescription gif = Screen(1, 1, 2);
    gif.backgroundIndex = 200;
    gif.frames = {SolidFrame(0, 0, 1, 1, 1)};
    add("one_pixel", EncodeGif(gif));
    GifDescription still = Screen(40, 30, 256);
    still.frames = {Stripes(0, 0, 40, 30, 256)};
    add("still_256_colours", EncodeGif(still));
  }
  {  // many small frames
    GifDescription gif = Screen(16, 16, 4);
    for (int f = 0; f < 30; ++f) {
      GifFrame frame =
          SolidFrame(f % 16, (f * 3) % 16, 1 + f % 5, 1 + f % 4, static_cast<std::uint8_t>(f % 4));
      frame.disposal = f % 4;
      gif.frames.push_back(frame);
    }
    add("many_frames", EncodeGif(gif));
  }
  {  // extension blocks the compositor and the library must step over
    GifDescription gif = Screen(5, 5, 2);
    gif.frames = {Stripes(0, 0, 5, 5, 2), Stripes(1, 1, 3, 3, 2)};
    const Bytes plain = EncodeGif(gif);
    add("comment", WithBlockInserted(plain, {0x21, 0xFE, 0x05, 'h', 'e', 'l', 'l', 'o', 0x00}));
    add("plain_text", WithBlockInserted(plain, {0x21, 0x01, 0x0C, 0, 0, 0, 0, 5, 0, 5, 0, 1, 1, 0,
                                                1, 0x02, 'h', 'i', 0x00}));
    add("unknown_extension", WithBlockInserted(plain, {0x21, 0x99, 0x02, 1, 2, 0x00}));
    add("xmp_application",
        WithBlockInserted(plain, {0x21, 0xFF, 0x0B, 'X', 'M', 'P', ' ', 'D', 'a', 't', 'a', 'X',
                                  'M', 'P', 0x03, 'a', 'b', 'c', 0x00}));
    add("empty_control", WithBlockInserted(plain, {0x21, 0xF9, 0x00}));
    Bytes old = plain;
    old[4] = '7';
    add("gif87a", old);
    Bytes noTrailer = plain;
    noTrailer.pop_back();
    add("no_trailer", noTrailer);
    Bytes garbageAfter = plain;
    garbageAfter.insert(garbageAfter.end(), {0x2C, 0xFF, 0xFF, 0x00});
    add("garbage_after_trailer", garbageAfter);
  }
  {  // a screen just inside the canvas budget with a tiny frame, and one far above it
    GifDescription gif = Screen(4096, 4096, 2);
    gif.frames = {SolidFrame(0, 0, 2, 2, 1)};
    add("budget_screen", EncodeGif(gif));
    gif.width = gif.height = 65535;
    add("huge_screen", EncodeGif(gif));
    GifDescription huge = Screen(8, 8, 2);
    GifFrame claim = SolidFrame(0, 0, 65535, 65535, 1);
    claim.indices.clear();
    huge.frames = {claim, SolidFrame(0, 0, 8, 8, 1)};
    add("huge_frame_claim", EncodeGif(huge));
  }
  return out;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

bool WriteGifCorpus(const std::string& dir) {
  std::mt19937 random(20260);  // fixed, so the corpus is the same on every run
  bool ok = true;
  for (const auto& [name, bytes] : ValidGifs()) {
    ok = WriteFile(dir + "/" + name + ".gif", bytes) && ok;
    // Truncated inside the header, the colour table, the first blocks and near the end.
    for (std::size_t cut : {std::size_t{3}, std::size_t{11}, std::size_t{20}, bytes.size() / 3,
                            bytes.size() / 2, bytes.size() - 2}) {
      if (cut >= bytes.size()) continue;
      ok = WriteFile(dir + "/" + name + "_cut" + std::to_string(cut) + ".gif",
                     Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut))) &&
           ok;
    }
    // A few copies with bits flipped past the signature.
    for (int copy = 0; copy < 3; ++copy) {
      Bytes flipped = bytes;
      std::uniform_int_distribution<std::size_t> at(6, flipped.size() - 1);
      for (int flip = 0; flip <= copy; ++flip) flipped[at(random)] ^= 1u << (random() % 8);
      ok = WriteFile(dir + "/" + name + "_flip" + std::to_string(copy) + ".gif", flipped) && ok;
    }
  }
  return ok;
}

bool WriteSettingsCorpus(const std::string& dir) {
  // Tempo, speed, width, height, threshold, five fill bytes, flags.
  const Bytes typical = {250, 5, 120, 150, 160, 0x3D, 0x7F, 0x4D, 0x09, 0x63, 0x02};
  bool ok = true;
  for (std::size_t length = 0; length <= typical.size(); ++length) {
    ok = WriteFile(dir + "/length" + std::to_string(length),
                   Bytes(typical.begin(), typical.begin() + static_cast<std::ptrdiff_t>(length))) &&
         ok;
  }
  for (int flags : {0, 1, 3, 6, 0x7F, 0x80, 0x81, 0xFF}) {
    Bytes file = typical;
    file[10] = static_cast<std::uint8_t>(flags);
    ok = WriteFile(dir + "/flags" + std::to_string(flags), file) && ok;
  }
  Bytes longer = typical;
  longer.insert(longer.end(), {1, 2, 3, 4, 5});
  ok = WriteFile(dir + "/longer", longer) && ok;
  ok = WriteFile(dir + "/extremes", Bytes(11, 0xFF)) && ok;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string kind = argc == 3 ? argv[1] : "";
  bool ok = false;
  if (kind == "gif") {
    ok = WriteGifCorpus(argv[2]);
  } else if (kind == "settings") {
    ok = WriteSettingsCorpus(argv[2]);
  } else {
    std::fprintf(stderr, "usage: make_fuzz_corpus gif|settings DIR\n");
    return 2;
  }
  if (!ok) std::fprintf(stderr, "make_fuzz_corpus: cannot write into %s\n", argv[2]);
  return ok ? 0 : 1;
}
