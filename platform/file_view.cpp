#include "platform/file_view.h"

#include <new>

namespace vorlix {

std::unique_ptr<FileView> FileView::ForSize(std::uint64_t size, FileViewStatus& status) {
  std::unique_ptr<FileView> view;
  if (size <= kMaxInputBytes) view.reset(new (std::nothrow) FileView);
  if (!view) status = FileViewStatus::TooLarge;
  return view;
}

void FileView::AdoptCopy(FileViewStatus& status) {
  data_ = copy_.data();
  size_ = copy_.size();
  status = FileViewStatus::Ok;
}

}  // namespace vorlix
