// tracker_gif_bench GIF OUT.gif STYLE [CHANNELS ABOVE BELOW]: writes the GIF preview of every
// frame (at most 240) in the style (tracker, ft2 or schism) at the default options, as
// vorlix-cli --preview writes it: opened, prepared, drawn and stored as changes. With a window,
// ft2 and schism draw only those channels and rows around the cursor row, as a fitted preview
// does. Prints the wall seconds of the whole run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "preview/module_timing.h"
#include "preview/preview_frames.h"
#include "preview/preview_image.h"
#include "preview/tracker_screen.h"

int main(int argc, char** argv) {
  if (argc != 4 && argc != 7) {
    std::fprintf(stderr, "usage: tracker_gif_bench GIF OUT.gif STYLE [CHANNELS ABOVE BELOW]\n");
    return 2;
  }
  const std::string style = argv[3];
  std::optional<vorlix::PatternWindow> window;
  if (argc == 7)
    window = vorlix::PatternWindow{std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6])};
  std::remove(argv[2]);
  const auto start = std::chrono::steady_clock::now();
  vorlix::RunError error = vorlix::RunError::None;
  auto frames = vorlix::PreviewFrames::Open(argv[1], vorlix::StartupSettings(), error);
  if (!frames || !frames->WaitUntilPrepared(std::chrono::minutes(10))) {
    std::fprintf(stderr, "tracker_gif_bench: cannot open %s\n", argv[1]);
    return 1;
  }
  const vorlix::ConversionSettings used = frames->Used();
  const bool ok = vorlix::WritePreviewGif(
      argv[2], frames->FrameCount(),
      [&](int j) {
        vorlix::PatternView view;
        if (!frames->View(j, view)) return vorlix::PreviewImage();
        if (style == "tracker") return vorlix::DrawTracker(view);
        return vorlix::DrawTrackerScreen(
            view, style == "schism" ? vorlix::TrackerLook::Schism : vorlix::TrackerLook::Ft2,
            window);
      },
      [&](int j) { return vorlix::FrameMilliseconds(used, j); },
      vorlix::GifWriting{vorlix::GifFrameStorage::Changes, {}});
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!ok) {
    std::fprintf(stderr, "tracker_gif_bench: cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%.3f\n", seconds);
  return 0;
}
