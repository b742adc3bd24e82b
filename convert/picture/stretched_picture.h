// A picture stretched as the image library's bicubic FreeImage_Rescale stretches it, kept from
// one frame to the next so that a frame which changed a rectangle recomputes only what that
// rectangle reaches.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "convert/gif/image_library.h"
#include "convert/picture/bicubic_stretch.h"

namespace vorlix {

// A stretched picture, owned by the StretchedPicture that made it: `picture` is set when `status`
// is Ok.
struct StretchResult {
  PictureStatus status = PictureStatus::Ok;
  FIBITMAP* picture = nullptr;
};

struct StretchChoices {
  bool dropAlpha = false;     // a 32-bit picture gives what its 24-bit copy would give
  bool plainVectors = false;  // see StretchLayout
};

class StretchedPicture {
 public:
  // Pictures are stretched to width x height (both at least 1).
  StretchedPicture(int width, int height, StretchChoices choices = {});
  ~StretchedPicture();
  StretchedPicture(const StretchedPicture&) = delete;
  StretchedPicture& operator=(const StretchedPicture&) = delete;

  // Plain 24- and 32-bit pictures and 8-bit greys without transparency are stretched here; for
  // other pictures the library's own stretch gives a different depth or palette. The result
  // has the picture's depth (24 bits for a 32-bit picture with dropAlpha).
  static bool Takes(FIBITMAP* picture);

  // Stretches the whole picture and returns the result, which stays owned here and changes with
  // the next call. Unsupported when the picture is not taken, NoMemory when there is no memory
  // for the result.
  StretchResult Stretch(FIBITMAP* picture);

  // The same for a picture that differs from the one stretched last only within `changed`, in
  // picture coordinates (row 0 at the top). A picture of another size or depth than the last
  // one is stretched whole.
  StretchResult Update(FIBITMAP* picture, Rect changed);

  FIBITMAP* result() const { return output_; }

 private:
  // Makes the tables and pictures fit the picture; false when they were made anew (or could not
  // be made: no output then).
  bool Fit(FIBITMAP* picture);
  ConstPixelRows Source(FIBITMAP* picture) const;
  PixelRows Middle();
  PixelRows Output() const;

  int width_, height_;
  StretchChoices choices_;
  std::optional<BicubicStretch> stretch_;
  std::vector<std::uint8_t> intermediate_;
  FIBITMAP* output_ = nullptr;
};

}  // namespace vorlix
