// The in-memory reading interface must answer every read, seek and tell exactly as the C stream
// functions answer on the file itself: the image library's GIF reader relies on those answers,
// at the end of a truncated file too.
#include "convert/gif/gif_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace vorlix {
namespace {

std::string WriteFile(const std::string& name, const std::vector<char>& bytes) {
  const std::string path = (std::filesystem::path(::testing::TempDir()) / name).string();
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
  return path;
}

struct Step {
  enum Kind { Read, Seek, Tell } kind;
  unsigned size = 0, count = 0;  // Read
  long offset = 0;               // Seek
  int origin = SEEK_SET;         // Seek
};

// Runs the steps on the file through stdio and through the view; every answer and every byte
// read must agree.
void ExpectSameAnswers(const std::string& path, const std::vector<Step>& steps) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  const auto view = FileView::Open(path);
  ASSERT_NE(view, nullptr);
  ViewStream stream(*view);
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(i);
    const Step& s = steps[i];
    if (s.kind == Step::Read) {
      std::vector<char> a(s.size * s.count + 1, 'x'), b(a);
      EXPECT_EQ(stream.io.read_proc(b.data(), s.size, s.count, &stream),
                std::fread(a.data(), s.size, s.count, file));
      EXPECT_EQ(b, a);
    } else if (s.kind == Step::Seek) {
      EXPECT_EQ(stream.io.seek_proc(&stream, s.offset, s.origin) == 0,
                std::fseek(file, s.offset, s.origin) == 0);
    }
    EXPECT_EQ(stream.io.tell_proc(&stream), std::ftell(file));
  }
  std::fclose(file);
}

TEST(FileView, ReadsSeeksAndTellsAsTheStreamFunctions) {
  std::vector<char> bytes(1000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 37 + 5);
  const std::string path = WriteFile("view.bin", bytes);
  using S = Step;
  ExpectSameAnswers(path, {
                              {S::Read, 6, 1},
                              {S::Read, 1, 7},
                              {S::Seek, 0, 0, 255, SEEK_CUR},
                              {S::Read, 255, 1},
                              {S::Seek, 0, 0, -3, SEEK_END},
                              {S::Read, 2, 4},  // one whole item, then half of one
                              {S::Read, 1, 1},  // at the end
                              {S::Seek, 0, 0, 50, SEEK_END},
                              {S::Read, 1, 1},  // past the end
                              {S::Seek, 0, 0, -5000, SEEK_CUR},
                              {S::Seek, 0, 0, 10, SEEK_SET},
                              {S::Read, 0, 3},
                              {S::Read, 100, 0},
                              {S::Read, 3, 3},
                          });
}

// A cut stream ends with one trailer byte after the cut, as a file of that length would.
TEST(FileView, ACutStreamEndsWithATrailerByte) {
  const std::string path = WriteFile("cut.bin", std::vector<char>(100, 'a'));
  const auto view = FileView::Open(path);
  ASSERT_NE(view, nullptr);
  ViewStream stream(*view, 10);
  std::vector<char> buffer(20, 'x');
  EXPECT_EQ(stream.io.read_proc(buffer.data(), 1, 20, &stream), 11u);
  EXPECT_EQ(std::string(buffer.data(), 11), std::string(10, 'a') + ';');
  EXPECT_EQ(stream.io.seek_proc(&stream, -1, SEEK_END), 0);
  EXPECT_EQ(stream.io.tell_proc(&stream), 10);
  EXPECT_EQ(stream.io.read_proc(buffer.data(), 2, 1, &stream), 0u);  // half an item
  EXPECT_EQ(buffer[0], ';');
}

TEST(FileView, HoldsEmptyAndMissingFiles) {
  const std::string empty = WriteFile("empty.bin", {});
  const auto view = FileView::Open(empty);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->Size(), 0u);
  ExpectSameAnswers(empty, {{Step::Read, 1, 1}, {Step::Seek, 0, 0, 4, SEEK_SET}});
  EXPECT_EQ(FileView::Open(empty + ".missing"), nullptr);
}

}  // namespace
}  // namespace vorlix
