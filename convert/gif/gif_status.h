// How an operation of the GIF room ended.
#pragma once

namespace vorlix {

enum class GifStatus {
  Ok,
  CannotOpen,  // not a GIF: its blocks cannot be read, or the image library reads none
  TooLarge,    // the logical screen is above the canvas budget, the file too large to hold, or
               // no memory for the canvas
  NoFrame,     // a frame number outside the frames shown
};

}  // namespace vorlix
