// preview_bench GIF [RUNS]: how fast the preview answers, on the frames of one GIF. Prints the
// median milliseconds of: opening until frame 0 is drawn, preparing every frame, and redrawing
// the shown frame after a change of threshold, inverse colors, fill bytes, width and height,
// in both styles; then the memory the preview keeps beyond what the process held before.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "preview/preview_frames.h"
#include "preview/preview_picture.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM").
long StatusKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
  }
  return 0;
}

// Median time of `runs` option changes, each followed by drawing the shown frame.
double TimeChanges(vorlix::PreviewFrames& frames, vorlix::ConversionSettings base, int runs,
                   vorlix::PreviewStyle style,
                   const std::function<void(vorlix::ConversionSettings&, int)>& change) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    vorlix::ConversionSettings s = base;
    change(s, i);
    const auto start = Clock::now();
    frames.SetSettings(s);
    vorlix::PatternView view;
    while (!frames.View(0, view)) {
    }
    const vorlix::PreviewImage image = vorlix::DrawPreview(view, style);
    times.push_back(Milliseconds(start));
    if (image.pixels.empty()) std::abort();
  }
  frames.SetSettings(base);
  return Median(times);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: preview_bench GIF [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
  const vorlix::ConversionSettings base = vorlix::StartupSettings();
  const long rssBefore = StatusKiB("VmRSS");

  const auto opening = Clock::now();
  vorlix::RunError error = vorlix::RunError::None;
  auto frames = vorlix::PreviewFrames::Open(argv[1], base, error);
  if (!frames) {
    std::fprintf(stderr, "preview_bench: cannot open %s\n", argv[1]);
    return 1;
  }
  vorlix::PatternView view;
  while (!frames->View(0, view)) {
  }
  const vorlix::PreviewImage first = vorlix::DrawPicture(view);
  const double firstMs = Milliseconds(opening);
  frames->WaitUntilPrepared(std::chrono::minutes(10));
  const double allMs = Milliseconds(opening);
  const long rssPrepared = StatusKiB("VmRSS");

  std::printf("%-34s %10s\n", "preview of", argv[1]);
  std::printf("%-34s %10d\n", "frames", frames->FrameCount());
  std::printf("%-34s %10.1f\n", "open until frame 0 drawn, ms", firstMs);
  std::printf("%-34s %10.1f\n", "every frame prepared, ms", allMs);
  using Change = std::function<void(vorlix::ConversionSettings&, int)>;
  const std::pair<const char*, Change> changes[] = {
      {"threshold", [](vorlix::ConversionSettings& s, int i) { s.Threshold = 60 + 7 * i; }},
      {"inverse", [](vorlix::ConversionSettings& s, int i) { s.InverseColors = i % 2; }},
      {"fill", [](vorlix::ConversionSettings& s, int i) { s.FillBytes[2] = 0x10 + i; }},
      {"width", [](vorlix::ConversionSettings& s, int i) { s.Width = 64 + 3 * i; }},
      {"height", [](vorlix::ConversionSettings& s, int i) { s.Height = 40 + 5 * i; }},
  };
  for (const auto style : {vorlix::PreviewStyle::Picture, vorlix::PreviewStyle::Tracker}) {
    const std::string name = style == vorlix::PreviewStyle::Picture ? "picture" : "tracker";
    for (const auto& [what, change] : changes) {
      const std::string label = name + ": " + what + " change, ms";
      std::printf("%-34s %10.2f\n", label.c_str(), TimeChanges(*frames, base, runs, style, change));
    }
  }
  frames->WaitUntilPrepared(std::chrono::minutes(10));
  std::printf("%-34s %10.1f\n", "kept by the preview, MiB", frames->KeptBytes() / 1048576.0);
  std::printf("%-34s %10.1f\n", "resident growth when prepared, MiB",
              (rssPrepared - rssBefore) / 1024.0);
  std::printf("%-34s %10.1f\n", "resident growth at the end, MiB",
              (StatusKiB("VmRSS") - rssBefore) / 1024.0);
  return first.pixels.empty() ? 1 : 0;
}
