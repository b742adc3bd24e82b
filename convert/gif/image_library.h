// Ownership of the image library's pictures, and the library's start-up.
#pragma once

#include <FreeImage.h>

#include <memory>
#include <mutex>

namespace vorlix {

struct BitmapDeleter {
  void operator()(FIBITMAP* dib) const {
    if (dib != nullptr) FreeImage_Unload(dib);
  }
};
// A picture of the image library, unloaded when the owner goes.
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

// The image library, initialised by the first of these objects for the rest of the process.
struct ImageLibrary {
  ImageLibrary() {
    // Once per process, and never released: a release would free the plugin list under threads
    // still using it, and where the library is linked statically nothing else holds it. TRUE
    // keeps it from changing the working folder and loading plugin files found beside the
    // program (it matters only on Windows).
    static std::once_flag initialised;
    std::call_once(initialised, [] { FreeImage_Initialise(TRUE); });
  }
  ImageLibrary(const ImageLibrary&) = delete;
  ImageLibrary& operator=(const ImageLibrary&) = delete;
};

}  // namespace vorlix
