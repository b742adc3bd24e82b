#include "convert/gif_input.h"

#include <utility>

#include "platform/file_checks.h"

namespace vorlix {

GifInput GifInputFromPath(const std::string& path) {
  GifInput input;
  input.name = path;
  input.path = path;
  return input;
}

GifInput GifInputFromBytes(const std::string& name, const std::uint8_t* data, std::size_t size) {
  GifInput input;
  input.name = name;
  input.inMemory = true;
  input.data = data;
  input.size = size;
  return input;
}

GifInput GifInputFromBytes(const std::string& name,
                           std::shared_ptr<const std::vector<std::uint8_t>> bytes) {
  GifInput input = GifInputFromBytes(name, bytes->data(), bytes->size());
  input.owner = std::move(bytes);
  return input;
}

bool GifInputExists(const GifInput& input) {
  return input.inMemory || FileExists(input.path);
}

std::unique_ptr<FileView> OpenGifInput(const GifInput& input, PlatformStatus& status) {
  if (input.inMemory) return FileView::OverBytes(input.data, input.size, input.owner, status);
  return FileView::Open(input.path, status);
}

}  // namespace vorlix
