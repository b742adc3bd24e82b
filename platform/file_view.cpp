#include "platform/file_view.h"

#include <new>

namespace vorlix {

std::unique_ptr<FileView> FileView::ForSize(std::uint64_t size, PlatformStatus& status) {
  std::unique_ptr<FileView> view;
  if (size <= kMaxInputBytes) view.reset(new (std::nothrow) FileView);
  if (!view) status = PlatformStatus::TooLarge;
  return view;
}

void FileView::AdoptCopy(PlatformStatus& status) {
  data_ = copy_.data();
  size_ = copy_.size();
  status = PlatformStatus::Ok;
}

}  // namespace vorlix
