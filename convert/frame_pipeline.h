// The frames of a conversion composed, sampled and encoded on two worker threads, handed to the
// writer in frame order.
#pragma once

#include <memory>

#include "convert/gif/gif_compositor.h"
#include "convert/messages.h"
#include "convert/xm/xm_writer.h"
#include "settings/conversion_settings.h"

namespace vorlix {

class FramePipeline {
 public:
  // Starts the workers on the first `frameTotal` frames of `compositor`, which must outlive the
  // pipeline.
  FramePipeline(GifCompositor& compositor, int frameTotal, const ConversionSettings& settings);
  ~FramePipeline();
  FramePipeline(const FramePipeline&) = delete;
  FramePipeline& operator=(const FramePipeline&) = delete;

  // The packed bytes of frame j. Frames are taken in order 0, 1, 2, ... RunError::TooLarge when
  // memory ran out: the image library gave no picture, or a worker ran out inside its own
  // allocations. Out of memory on the calling thread reaches the caller as std::bad_alloc, for
  // the top of the command to catch.
  RunError Take(int j, PatternBytes& bytes);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vorlix
