// Writing preview images through the image library: one frame as PNG, all frames as an
// animated GIF. Files are always created new, like modules; the same bytes can go to memory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "preview/preview_picture.h"

namespace vorlix {

enum class PreviewFileKind { Unknown, Png, Gif };

// The kind a file name asks for, by its extension (".png" or ".gif", any case).
PreviewFileKind PreviewKindOf(const std::string& name);

// The name itself when no file of that name exists, otherwise numbered before the extension
// ("x.gif", "x_1.gif", "x_2.gif", ...); "" when every numbered name is taken
// (FirstFreeNumberedName).
std::string ResolvePreviewName(const std::string& name);

// Writes the image as an 8-bit palette PNG into a new file; false when the file exists already
// or cannot be written completely (nothing is left behind then).
bool WritePreviewPng(const std::string& path, const PreviewImage& image);

// How the frames of a GIF are stored. Whole: every frame complete, with its own palette.
// Changes: only the rectangle that changed since the frame before, its unchanged pixels
// transparent, drawn over that frame, with one shared palette; a viewer shows the same frames,
// in a much smaller file that is written much faster when little changes between frames.
enum class GifFrameStorage { Whole, Changes };

struct GifWriting {
  GifFrameStorage storage = GifFrameStorage::Whole;
  std::function<void(int j)> appended;  // told after frame j is stored, when set
};

// Writes `count` frames, asked for one at a time, as a looping animated GIF into a new file;
// frame j is shown for frameMs(j) milliseconds (kept to the format's hundredths). False as for
// WritePreviewPng, also when a frame has another size than the first.
bool WritePreviewGif(const std::string& path, int count,
                     const std::function<PreviewImage(int j)>& frame,
                     const std::function<int(int j)>& frameMs, const GifWriting& how = {});

// The same two into `bytes` (replacing what they held) when it is set, with no file made and
// `path` unused; into the file at `path` otherwise. On failure `bytes` is left empty.
bool WritePreviewPng(const std::string& path, std::vector<std::uint8_t>* bytes,
                     const PreviewImage& image);
bool WritePreviewGif(const std::string& path, std::vector<std::uint8_t>* bytes, int count,
                     const std::function<PreviewImage(int j)>& frame,
                     const std::function<int(int j)>& frameMs, const GifWriting& how = {});

}  // namespace vorlix
