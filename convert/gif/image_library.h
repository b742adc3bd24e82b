// Ownership of the image library's pictures, and the library's start-up.
#pragma once

#include <FreeImage.h>

#include <memory>

namespace vorlix {

struct BitmapDeleter {
  void operator()(FIBITMAP* dib) const {
    if (dib != nullptr) FreeImage_Unload(dib);
  }
};
// A picture of the image library, unloaded when the owner goes.
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

// The image library, initialised for as long as the object lives.
struct ImageLibrary {
  ImageLibrary() { FreeImage_Initialise(FALSE); }
  ~ImageLibrary() { FreeImage_DeInitialise(); }
  ImageLibrary(const ImageLibrary&) = delete;
  ImageLibrary& operator=(const ImageLibrary&) = delete;
};

}  // namespace vorlix
