// A view over bytes a caller holds: the caller's bytes themselves, never changed, kept alive by
// their owner as long as the view, and refused over the input bound as a file is.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/file_view.h"

namespace vorlix {
namespace {

TEST(FileViewOverBytes, SharedBorrowedAndTooLarge) {
  auto shared = std::make_shared<std::vector<std::uint8_t>>(1000, 7);
  const std::uint8_t* data = shared->data();
  std::vector<std::uint8_t> borrowed = {1, 2, 3};
  struct Case {
    const char* name;
    const std::uint8_t* data;
    std::uint64_t size;
    std::shared_ptr<const void> owner;
    PlatformStatus status;
  };
  const Case cases[] = {
      {"shared", data, 1000, shared, PlatformStatus::Ok},
      {"borrowed", borrowed.data(), 3, nullptr, PlatformStatus::Ok},
      {"empty", nullptr, 0, nullptr, PlatformStatus::Ok},
      {"over the bound", borrowed.data(), kMaxInputBytes + 1, nullptr, PlatformStatus::TooLarge},
  };
  std::vector<std::unique_ptr<FileView>> views;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlatformStatus status = PlatformStatus::CannotOpen;
    auto view = FileView::OverBytes(c.data, static_cast<std::size_t>(c.size), c.owner, status);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(view != nullptr, c.status == PlatformStatus::Ok);
    if (!view) continue;
    EXPECT_EQ(view->Data(), c.data);
    EXPECT_EQ(view->Size(), c.size);
    EXPECT_FALSE(view->Changed());
    views.push_back(std::move(view));
  }
  // The view keeps the shared bytes alive after their last other owner lets go.
  shared.reset();
  EXPECT_EQ(views[0]->Data()[999], 7);
}

}  // namespace
}  // namespace vorlix
