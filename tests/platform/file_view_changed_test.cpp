// A mapped input that another program shrinks or grows while it is read: a read past the new end
// gives zeros instead of ending the process, and the view says that the file changed.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/file_view.h"

namespace vorlix {
namespace {

// Three pages of the largest page size there is, and a part page.
constexpr std::size_t kFileSize = 3 * 65536 + 123;

std::uint8_t ByteAt(std::size_t i) {
  return static_cast<std::uint8_t>(i % 251 + 1);  // never 0
}

std::string WriteFile(const std::string& name) {
  const std::string path = (std::filesystem::path(::testing::TempDir()) / name).string();
  std::vector<char> bytes(kFileSize);
  for (std::size_t i = 0; i < kFileSize; ++i) bytes[i] = static_cast<char>(ByteAt(i));
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<long>(bytes.size()));
  return path;
}

std::uint8_t Read(const FileView& view, std::size_t at) {
  return static_cast<const volatile std::uint8_t*>(view.Data())[at];
}

TEST(FileViewChanged, ReadsZerosPastANewEndAndSaysTheFileChanged) {
  struct Case {
    const char* what;
    std::uintmax_t newSize;
    bool changed;
  };
  const Case cases[] = {
      {"left alone", kFileSize, false},         {"cut to nothing", 0, true},
      {"cut inside the first page", 100, true}, {"cut inside the last page", kFileSize - 50, true},
      {"grown", kFileSize + 70000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = WriteFile("shrinking.bin");
    const auto view = FileView::Open(path);
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->Size(), kFileSize);
    EXPECT_FALSE(view->Changed());
    std::filesystem::resize_file(path, c.newSize);
    // Every byte is read: those the file still has as they were, the others as zeros.
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < kFileSize; ++i) {
      const std::uint8_t want = i < c.newSize ? ByteAt(i) : 0;
      if (Read(*view, i) != want) ++wrong;
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(view->Changed(), c.changed);
  }
}

TEST(FileViewChanged, AViewOpenedAfterwardsIsWatchedOnItsOwn) {
  const std::string path = WriteFile("watched.bin");
  const std::string other = WriteFile("other.bin");
  auto first = FileView::Open(path);
  const auto second = FileView::Open(other);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  std::filesystem::resize_file(other, 10);
  EXPECT_EQ(Read(*second, kFileSize - 1), 0);
  EXPECT_TRUE(second->Changed());
  EXPECT_FALSE(first->Changed());
  // A place freed by a view is taken again, unmarked.
  first.reset();
  const auto third = FileView::Open(path);
  ASSERT_NE(third, nullptr);
  EXPECT_FALSE(third->Changed());
  EXPECT_EQ(Read(*third, kFileSize - 1), ByteAt(kFileSize - 1));
}

TEST(FileViewChangedDeathTest, ABusErrorElsewhereStillEndsTheProcess) {
  const std::string path = WriteFile("elsewhere.bin");
  const auto view = FileView::Open(path);
  ASSERT_NE(view, nullptr);
  EXPECT_DEATH(std::raise(SIGBUS), "");
}

}  // namespace
}  // namespace vorlix
