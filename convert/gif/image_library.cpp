#include "convert/gif/image_library.h"

#include <FreeImage.h>

#include <mutex>

namespace vorlix {

void BitmapDeleter::operator()(Picture* picture) const {
  if (picture != nullptr) FreeImage_Unload(picture);
}

ImageLibrary::ImageLibrary() {
  // Once per process, and never released: a release would free the plugin list under threads
  // still using it, and where the library is linked statically nothing else holds it. TRUE
  // keeps it from changing the working folder and loading plugin files found beside the
  // program (it matters only on Windows).
  static std::once_flag initialised;
  std::call_once(initialised, [] { FreeImage_Initialise(TRUE); });
}

}  // namespace vorlix
