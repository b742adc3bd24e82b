// preview_gif_bench GIF FOLDER [FRAMES]: the tracker-style GIF preview of the first FRAMES frames
// (default 60) written into FOLDER both ways, side by side: every frame stored whole, as the
// picture style stores it, and only what changes between frames, as vorlix-cli stores it. Prints
// the wall milliseconds and bytes of each and their ratios. Both draw every frame anew.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "preview/module_timing.h"
#include "preview/preview_frames.h"
#include "preview/preview_image.h"

namespace {

using Clock = std::chrono::steady_clock;

long FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  return file ? static_cast<long>(file.tellg()) : -1;
}

// Writes the GIF and returns its wall milliseconds; exits when it cannot be written.
double TimeWrite(vorlix::PreviewFrames& frames, int count, const std::string& path,
                 vorlix::GifFrameStorage storage) {
  std::remove(path.c_str());
  const vorlix::ConversionSettings used = frames.Used();
  const auto start = Clock::now();
  const bool ok = vorlix::WritePreviewGif(
      path, count,
      [&](int j) {
        vorlix::PatternView view;
        while (!frames.View(j, view)) {
        }
        return vorlix::DrawTracker(view);
      },
      [&](int j) { return vorlix::FrameMilliseconds(used, j); }, vorlix::GifWriting{storage, {}});
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  if (!ok) {
    std::fprintf(stderr, "preview_gif_bench: cannot write %s\n", path.c_str());
    std::exit(1);
  }
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: preview_gif_bench GIF FOLDER [FRAMES]\n");
    return 2;
  }
  vorlix::RunError error = vorlix::RunError::None;
  auto frames = vorlix::PreviewFrames::Open(argv[1], vorlix::StartupSettings(), error);
  if (!frames || !frames->WaitUntilPrepared(std::chrono::minutes(10))) {
    std::fprintf(stderr, "preview_gif_bench: cannot open %s\n", argv[1]);
    return 1;
  }
  const int count = std::min(frames->FrameCount(), argc > 3 ? std::max(1, std::atoi(argv[3])) : 60);
  const std::string folder = argv[2];
  const std::string wholePath = folder + "/whole.gif", changesPath = folder + "/changes.gif";
  const double wholeMs = TimeWrite(*frames, count, wholePath, vorlix::GifFrameStorage::Whole);
  const double changesMs = TimeWrite(*frames, count, changesPath, vorlix::GifFrameStorage::Changes);
  const long wholeBytes = FileBytes(wholePath), changesBytes = FileBytes(changesPath);
  std::printf("%-13s %6s %9s %10s %11s %12s %9s %10s\n", "tracker gif", "frames", "whole_ms",
              "changes_ms", "whole_MiB", "changes_MiB", "time/old", "bytes/old");
  std::printf("%-13s %6d %9.0f %10.0f %11.2f %12.2f %9.3f %10.3f\n",
              std::string(argv[1]).substr(std::string(argv[1]).find_last_of('/') + 1).c_str(),
              count, wholeMs, changesMs, wholeBytes / 1048576.0, changesBytes / 1048576.0,
              changesMs / wholeMs, static_cast<double>(changesBytes) / wholeBytes);
  return 0;
}
