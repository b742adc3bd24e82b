// A whole input file held in memory: mapped where the system can, read otherwise, or bytes a
// caller already holds. The image library's multi-page interface goes back over the whole file
// each time it loads a page; from memory that costs no system call per block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform_status.h"

namespace vorlix {

// More of a file than this is never read: 6 GiB. The largest GIF that converts, 240 frames each
// covering the whole 4096 x 4096 screen and coded at one 12-bit code per pixel, takes 240 x
// 16,777,216 x 1.5 bytes plus one length byte per 255, about 6.06 GB.
inline constexpr std::uint64_t kMaxInputBytes = 6ull << 30;

class FileView {
 public:
  // The bytes of a regular file, mapped when possible and read otherwise; nullptr when it cannot
  // be opened or held, and `status` says why. Opening never waits on a pipe or a device.
  static std::unique_ptr<FileView> Open(const std::string& path, PlatformStatus& status);
  static std::unique_ptr<FileView> Open(const std::string& path) {
    PlatformStatus status;
    return Open(path, status);
  }
  // A view of `size` bytes at `data` that the caller holds in memory: nothing is copied. `owner`,
  // when given, keeps them alive as long as the view; otherwise the caller does. Such bytes exist,
  // are readable and never change: Changed() is false. Over the bound: nullptr, TooLarge.
  static std::unique_ptr<FileView> OverBytes(const std::uint8_t* data, std::size_t size,
                                             std::shared_ptr<const void> owner,
                                             PlatformStatus& status);
  ~FileView();
  FileView(const FileView&) = delete;
  FileView& operator=(const FileView&) = delete;

  const std::uint8_t* Data() const { return data_; }
  std::size_t Size() const { return size_; }

  // True when the file changed under a mapped view: it shrank or grew since it was opened, or a
  // read touched a page past its new end. Such a read does not end the process: the rest of the
  // view reads as zeros from then on. Whatever was made from the bytes is not to be trusted.
  bool Changed() const;

 private:
  FileView() = default;
  // An empty view for a file of `size` bytes; nullptr, with `status` TooLarge, when the size is
  // over the bound or memory runs out. Both systems' Open start with it.
  static std::unique_ptr<FileView> ForSize(std::uint64_t size, PlatformStatus& status);
  // Makes the bytes read into the copy the view's bytes.
  void AdoptCopy(PlatformStatus& status);
  const std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  void* mapping_ = nullptr;  // set when the bytes are mapped
  int fd_ = -1;              // kept open while mapped, to see the file's size
  int watch_ = -1;           // the mapping's place among the watched ones, -1 when not watched
  std::vector<std::uint8_t> copy_;
  std::shared_ptr<const void> owner_;  // what keeps a caller's bytes alive, when given
};

}  // namespace vorlix
