// Ownership of the image library's pictures, and the library's start-up. Only the GIF and
// picture rooms (and the preview's image files) look inside a picture; the rooms above hand it
// on as a `Picture` or a `Bitmap` without the library's header.
#pragma once

#include <memory>

struct FIBITMAP;  // the image library's picture, defined in its header

namespace vorlix {

// A picture of the image library: a canvas, a stretched luminance, a reduced frame.
using Picture = FIBITMAP;

struct BitmapDeleter {
  void operator()(Picture* picture) const;
};
// A picture of the image library, unloaded when the owner goes.
using Bitmap = std::unique_ptr<Picture, BitmapDeleter>;

// The image library, initialised by the first of these objects for the rest of the process.
struct ImageLibrary {
  ImageLibrary();
  ImageLibrary(const ImageLibrary&) = delete;
  ImageLibrary& operator=(const ImageLibrary&) = delete;
};

}  // namespace vorlix
