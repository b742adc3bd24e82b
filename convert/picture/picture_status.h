// How an operation of the picture room ended.
#pragma once

namespace vorlix {

enum class PictureStatus {
  Ok,
  NoMemory,     // the image library gives no picture only when it has no memory
  Unsupported,  // no stretch for these sizes (one below 1) or this pixel layout
};

}  // namespace vorlix
