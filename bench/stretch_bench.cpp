// stretch_bench [RUNS]: the image library's bicubic FreeImage_Rescale against the project's
// stretch, on 640x480 and 320x240 canvases stretched to 120x150 as the conversion stretches
// them: whole frames (from the 24-bit copy the conversion makes today, or straight from the
// 32-bit canvas), and frames that changed a 16x16 rectangle or nothing. Prints the median
// processor microseconds per frame and the library's time over ours (from the 32-bit canvas:
// over the library's time with the copy); every result is checked against the library's bytes.
#include <FreeImage.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "convert/picture/bicubic_stretch.h"
#include "convert/picture/stretched_picture.h"

namespace {

// Processor time of this thread in microseconds: other work on a busy machine slows it less
// than it slows the wall clock.
double ThreadMicros() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// Processor microseconds of one call of each function: each sample times a batch of every function
// in turn, so that a busy machine slows all of them alike; the median sample counts.
std::vector<double> MedianMicros(int runs,
                                 const std::vector<std::pair<int, std::function<void()>>>& calls) {
  std::vector<std::vector<double>> samples(calls.size());
  for (int r = 0; r < runs; ++r) {
    for (std::size_t f = 0; f < calls.size(); ++f) {
      const double start = ThreadMicros();
      for (int i = 0; i < calls[f].first; ++i) calls[f].second();
      samples[f].push_back((ThreadMicros() - start) / calls[f].first);
    }
  }
  std::vector<double> medians;
  for (std::vector<double>& v : samples) {
    std::sort(v.begin(), v.end());
    medians.push_back(v[v.size() / 2]);
  }
  return medians;
}

// A 32-bit canvas of soft shapes and noise, as the compositor draws it.
FIBITMAP* MakeCanvas(int width, int height) {
  FIBITMAP* dib = FreeImage_Allocate(width, height, 32);
  std::mt19937 random(5);
  for (int y = 0; y < height; ++y) {
    BYTE* line = FreeImage_GetScanLine(dib, y);
    for (int x = 0; x < width * 4; ++x) {
      line[x] = x % 4 == 3 ? 255 : static_cast<BYTE>((x * 3 + y * 2) / 5 + (random() & 15));
    }
  }
  return dib;
}

// The 24-bit copy the conversion makes of the canvas before the library stretches it.
void CopyWithoutAlpha(FIBITMAP* from, FIBITMAP* to) {
  const unsigned width = FreeImage_GetWidth(from), height = FreeImage_GetHeight(from);
  for (unsigned y = 0; y < height; ++y) {
    const BYTE* in = FreeImage_GetScanLine(from, y);
    BYTE* out = FreeImage_GetScanLine(to, y);
    for (unsigned x = 0; x < width; ++x, in += 4, out += 3) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    }
  }
}

void Repaint(FIBITMAP* dib, int left, int top, int size, unsigned variant) {
  const int height = static_cast<int>(FreeImage_GetHeight(dib));
  const int step = static_cast<int>(FreeImage_GetBPP(dib) / 8);
  for (int y = top; y < top + size; ++y) {
    BYTE* line = FreeImage_GetScanLine(dib, height - 1 - y);
    for (int x = left * step; x < (left + size) * step; ++x) {
      line[x] = static_cast<BYTE>(x * variant + y);
    }
  }
}

void Check(FIBITMAP* rgb, FIBITMAP* ours) {
  FIBITMAP* library = FreeImage_Rescale(rgb, 120, 150, FILTER_BICUBIC);
  for (int y = 0; y < 150; ++y) {
    if (std::memcmp(FreeImage_GetScanLine(library, y), FreeImage_GetScanLine(ours, y), 360) != 0) {
      std::fprintf(stderr, "stretch_bench: the stretch differs from the library's\n");
      std::exit(1);
    }
  }
  FreeImage_Unload(library);
}

void Measure(int width, int height, int runs) {
  FIBITMAP* canvas = MakeCanvas(width, height);
  FIBITMAP* rgb = FreeImage_Allocate(width, height, 24);
  CopyWithoutAlpha(canvas, rgb);
  vorlix::StretchedPicture fromRgb(120, 150), fromCanvas(120, 150, {true, false});
  vorlix::StretchedPicture plain(120, 150, {false, true}), moving(120, 150);
  FIBITMAP* sprite = FreeImage_Clone(rgb);
  moving.Stretch(sprite);
  int step = 0;
  struct Row {
    const char* what;
    int against;  // the library's row to compare with, or -1
    int batch;
    std::function<void()> call;
  };
  const std::vector<Row> rows = {
      {"library (FreeImage_Rescale of the 24-bit copy)", -1, 5,
       [&] { FreeImage_Unload(FreeImage_Rescale(rgb, 120, 150, FILTER_BICUBIC)); }},
      {"library, 24-bit copy of the canvas included", -1, 5,
       [&] {
         CopyWithoutAlpha(canvas, rgb);
         FreeImage_Unload(FreeImage_Rescale(rgb, 120, 150, FILTER_BICUBIC));
       }},
      {"ours, whole frame from the 24-bit copy", 0, 5, [&] { fromRgb.Stretch(rgb); }},
      {"ours, whole frame from the 32-bit canvas", 1, 5, [&] { fromCanvas.Stretch(canvas); }},
      {"ours, whole frame, plain vectors", 0, 5, [&] { plain.Stretch(rgb); }},
      {"ours, whole frame, tables made anew", 0, 5,
       [&] {
         vorlix::StretchedPicture once(120, 150);
         once.Stretch(rgb);
       }},
      // A 16x16 sprite moving across the canvas: each frame changes one place of it.
      {"ours, frame that changed 16x16 pixels", 0, 50,
       [&] {
         const int left = (step * 7) % (width - 16), top = (step * 5) % (height - 16);
         Repaint(sprite, left, top, 16, ++step);
         moving.Update(sprite, {left, top, left + 16, top + 16});
       }},
      {"ours, frame that changed nothing", 0, 50, [&] { fromRgb.Update(rgb, {}); }},
  };
  std::vector<std::pair<int, std::function<void()>>> calls;
  for (const Row& row : rows) calls.emplace_back(row.batch, row.call);
  const std::vector<double> t = MedianMicros(runs, calls);
  for (vorlix::StretchedPicture* ours : {&fromRgb, &fromCanvas, &plain}) Check(rgb, ours->result());
  Check(sprite, moving.result());
  std::printf("%dx%d -> 120x150\n", width, height);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::printf("  %-48s %9.1f", rows[i].what, t[i]);
    if (rows[i].against >= 0) std::printf("  %8.1fx", t[rows[i].against] / t[i]);
    std::printf("\n");
  }
  FreeImage_Unload(sprite);
  FreeImage_Unload(rgb);
  FreeImage_Unload(canvas);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  std::printf("processor microseconds per frame, median of %d; Nx: the library's time / ours\n",
              runs);
  Measure(640, 480, runs);
  Measure(320, 240, runs);
  return 0;
}
