// Extension blocks that no image depends on: the layout walk finds them, and a stream leaves
// them out exactly, reading, seeking and telling as the stream functions do on a file without
// them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "convert/gif/gif_layout.h"
#include "convert/gif/gif_stream.h"

namespace vorlix {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The parts a test file is made of, by letter.
const std::map<char, Bytes>& Parts() {
  static const std::map<char, Bytes> parts = {
      // Screen of 1x1 with two colours.
      {'H', {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255}},
      {'C', {0x21, 0xFE, 3, 'a', 'b', 'c', 0}},                                     // comment
      {'A', {0x21, 0xFF, 3, 'a', 'p', 'p', 2, 1, 2, 0}},                            // application
      {'P', {0x21, 0x01, 12, 0, 0, 0, 0, 1, 0, 1, 0, 8, 8, 1, 0, 2, 'h', 'i', 0}},  // plain text
      {'X', {0x21, 0x99, 0}},                                                       // another label
      {'G', {0x21, 0xF9, 4, 0, 10, 0, 0, 0}},                      // graphic control
      {'I', {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0}},  // one pixel
      {'c', {0x21, 0xFE, 200, 'x'}},                               // cut comment
      {'T', {0x3B}},
  };
  return parts;
}

// The file the letters spell, and where each part begins (and the end, last).
Bytes Spell(const std::string& letters, std::vector<std::size_t>& starts) {
  Bytes bytes;
  starts.clear();
  for (char letter : letters) {
    starts.push_back(bytes.size());
    const Bytes& part = Parts().at(letter);
    bytes.insert(bytes.end(), part.begin(), part.end());
  }
  starts.push_back(bytes.size());
  return bytes;
}

TEST(GifIdleBlocks, TheWalkFindsEveryBlockNoImageDependsOn) {
  struct Case {
    std::string letters;
    std::size_t maxImages;
    std::vector<std::pair<int, int>> idle;  // first and last part of each stretch
  };
  const Case cases[] = {
      {"HIT", SIZE_MAX, {}},
      {"HGIT", SIZE_MAX, {}},
      {"HCGIT", SIZE_MAX, {{1, 1}}},
      {"HGCIT", SIZE_MAX, {{2, 2}}},
      {"HCCAPXIT", SIZE_MAX, {{1, 5}}},
      // A replaced control block joins the idle blocks around it; the last one stays.
      {"HCAGPXGIT", SIZE_MAX, {{1, 5}}},
      {"HGGGIT", SIZE_MAX, {{1, 2}}},
      {"HGCGCGIT", SIZE_MAX, {{1, 4}}},
      {"HGICGIGT", SIZE_MAX, {{3, 3}}},
      // At most two stretches an image, whatever lies between.
      {"HCGCIACGPIT", SIZE_MAX, {{1, 1}, {3, 3}, {5, 6}, {8, 8}}},
      // A block cut by the end of the file is not whole: it stays.
      {"HICc", SIZE_MAX, {{2, 2}}},
      // The walk stops at the image after the limit.
      {"HCICICT", 1, {{1, 1}, {3, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.letters);
    std::vector<std::size_t> starts;
    const Bytes bytes = Spell(c.letters, starts);
    GifLayout layout;
    ASSERT_EQ(ReadGifLayout(bytes.data(), bytes.size(), layout, c.maxImages), GifStatus::Ok);
    std::vector<std::pair<std::size_t, std::size_t>> got, want;
    for (const GifByteRange& r : layout.idleBlocks) got.emplace_back(r.begin, r.end);
    for (const auto& [first, last] : c.idle) want.emplace_back(starts[first], starts[last + 1]);
    EXPECT_EQ(got, want);
  }
}

std::string WriteFile(const std::string& name, const Bytes& bytes) {
  const std::string path = (std::filesystem::path(::testing::TempDir()) / name).string();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  return path;
}

TEST(GifIdleBlocks, AStreamShowsTheFileWithoutThem) {
  Bytes bytes(3000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  const std::string path = WriteFile("stream.bin", bytes);
  const auto view = FileView::Open(path);
  ASSERT_NE(view, nullptr);
  struct Case {
    const char* what;
    std::size_t cut;
    std::vector<GifByteRange> leftOut;
  };
  const Case cases[] = {
      {"nothing left out", ViewStream::kWhole, {}},
      {"one stretch", ViewStream::kWhole, {{100, 400}}},
      {"at both ends", ViewStream::kWhole, {{0, 10}, {2990, 3000}}},
      {"many", ViewStream::kWhole, {{5, 6}, {7, 300}, {301, 302}, {1000, 2000}}},
      {"with a cut", 2500, {{100, 200}, {2400, 2500}}},
      {"past the cut", 1200, {{100, 200}, {1100, 1500}, {2000, 2100}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The file the stream is to show: the bytes before the cut without the stretches, then the
    // trailer when cut.
    Bytes shown;
    for (std::size_t i = 0; i < std::min(c.cut, bytes.size()); ++i) {
      bool out = false;
      for (const GifByteRange& r : c.leftOut) out = out || (i >= r.begin && i < r.end);
      if (!out) shown.push_back(bytes[i]);
    }
    if (c.cut < bytes.size()) shown.push_back(0x3B);
    std::FILE* file = std::fopen(WriteFile("shown.bin", shown).c_str(), "rb");
    ASSERT_NE(file, nullptr);
    ViewStream stream(*view, c.cut, c.leftOut);
    // Reads of every size from everywhere, past the end too, and seeks from each origin.
    const long offsets[] = {0, 3, 95, 99, 100, 101, 250, 999, 1000, 1099, 1600, 2399, 2600, 4000};
    const unsigned sizes[] = {1, 2, 7, 255, 1000, 5000};
    for (long offset : offsets) {
      for (unsigned size : sizes) {
        for (int origin : {SEEK_SET, SEEK_END}) {
          const long at = origin == SEEK_SET ? offset : -offset;
          SCOPED_TRACE(std::to_string(at) + " " + std::to_string(origin) + " " +
                       std::to_string(size));
          EXPECT_EQ(stream.io.seek_proc(&stream, at, origin) == 0,
                    std::fseek(file, at, origin) == 0);
          EXPECT_EQ(stream.io.tell_proc(&stream), std::ftell(file));
          Bytes a(size + 1, 'x'), b(a);
          EXPECT_EQ(stream.io.read_proc(b.data(), 1, size, &stream),
                    std::fread(a.data(), 1, size, file));
          EXPECT_EQ(b, a);
          EXPECT_EQ(stream.io.tell_proc(&stream), std::ftell(file));
        }
      }
    }
    std::fclose(file);
  }
}

}  // namespace
}  // namespace vorlix
