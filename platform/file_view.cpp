#include "platform/file_view.h"

#include <new>
#include <utility>

namespace vorlix {

std::unique_ptr<FileView> FileView::ForSize(std::uint64_t size, FileViewStatus& status) {
  std::unique_ptr<FileView> view;
  if (size <= kMaxInputBytes) view.reset(new (std::nothrow) FileView);
  if (!view) status = FileViewStatus::TooLarge;
  return view;
}

std::unique_ptr<FileView> FileView::OverBytes(const std::uint8_t* data, std::size_t size,
                                              std::shared_ptr<const void> owner,
                                              FileViewStatus& status) {
  std::unique_ptr<FileView> view = ForSize(size, status);
  if (!view) return nullptr;
  view->data_ = data;
  view->size_ = size;
  view->owner_ = std::move(owner);
  status = FileViewStatus::Ok;
  return view;
}

void FileView::AdoptCopy(FileViewStatus& status) {
  data_ = copy_.data();
  size_ = copy_.size();
  status = FileViewStatus::Ok;
}

}  // namespace vorlix
