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
  // the image library gave no picture for lack of memory. Rethrows what a worker ended with
  // (std::bad_alloc when memory ran out inside the library's own allocations).
  RunError Take(int j, PatternBytes& bytes);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vorlix
