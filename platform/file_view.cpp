#include "platform/file_view.h"

#include <new>
#include <utility>

namespace vorlix {

std::unique_ptr<FileView> FileView::ForSize(std::uint64_t size, PlatformStatus& status) {
  std::unique_ptr<FileView> view;
  if (size <= kMaxInputBytes) view.reset(new (std::nothrow) FileView);
  if (!view) status = PlatformStatus::TooLarge;
  return view;
}

std::unique_ptr<FileView> FileView::OverBytes(const std::uint8_t* data, std::size_t size,
                                              std::shared_ptr<const void> owner,
                                              PlatformStatus& status) {
  std::unique_ptr<FileView> view = ForSize(size, status);
  if (!view) return nullptr;
  view->data_ = data;
  view->size_ = size;
  view->owner_ = std::move(owner);
  status = PlatformStatus::Ok;
  return view;
}

void FileView::AdoptCopy(PlatformStatus& status) {
  data_ = copy_.data();
  size_ = copy_.size();
  status = PlatformStatus::Ok;
}

}  // namespace vorlix
