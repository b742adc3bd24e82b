// Where a run reads its GIF from: a file named by a path, or bytes a front end holds in memory
// (a page in the browser has no file system worth the name). Every reader of the GIF opens it
// through OpenGifInput, so a file is one caller of the byte path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_view.h"

namespace vorlix {

struct GifInput {
  std::string name;  // what a front end shows for it; the path for a file
  std::string path;  // the path of a file, as the system takes it; empty for bytes
  bool inMemory = false;
  const std::uint8_t* data = nullptr;  // the bytes, when in memory
  std::size_t size = 0;
  std::shared_ptr<const void> owner;  // keeps the bytes alive, when shared
};

// The file at `path`, a path as the system takes it (NativePath makes one from a typed path).
GifInput GifInputFromPath(const std::string& path);
// Bytes the caller keeps alive as long as anything opened from them: a run, a preview.
GifInput GifInputFromBytes(const std::string& name, const std::uint8_t* data, std::size_t size);
// Bytes shared with the input, alive as long as anything opened from them.
GifInput GifInputFromBytes(const std::string& name,
                           std::shared_ptr<const std::vector<std::uint8_t>> bytes);

// A byte input is there and readable; a file is when FileExists says so.
bool GifInputExists(const GifInput& input);

// The input's bytes; nullptr when they cannot be had, and `status` says why.
std::unique_ptr<FileView> OpenGifInput(const GifInput& input, PlatformStatus& status);

}  // namespace vorlix
