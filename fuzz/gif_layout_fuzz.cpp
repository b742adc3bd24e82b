// Fuzz target: the input bytes read as a GIF's block structure. Besides the sanitizers it checks
// that every image the walk reports lies within what the bytes can hold: each image costs at
// least the 10 bytes of its descriptor.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "convert/gif/gif_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vorlix::GifLayout layout;
  if (vorlix::ReadGifLayout(data, size, layout) != vorlix::GifStatus::Ok) return 0;
  if (layout.images.size() * 10 > size) {
    std::fprintf(stderr, "gif layout check failed: more images than the bytes can hold\n");
    std::abort();
  }
  for (const vorlix::GifImageLayout& frame : layout.images) {
    if (frame.width < 0 || frame.width > 65535 || frame.height < 0 || frame.height > 65535 ||
        frame.delay < 0 || frame.delay > 65535 || static_cast<int>(frame.disposal) > 7) {
      std::fprintf(stderr, "gif layout check failed: a field outside its 16 or 3 bits\n");
      std::abort();
    }
  }
  return 0;
}
