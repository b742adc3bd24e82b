#include "convert/gif/gif_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vorlix {

namespace {

constexpr std::uint8_t kGifTrailer = 0x3B;

// The bytes of the view that the stream shows, and the length it shows, trailer included.
std::size_t ShownBytes(const ViewStream& stream) {
  return stream.pieces.empty() ? 0 : stream.pieces.back().shownAt + stream.pieces.back().length;
}
long ShownLength(const ViewStream& stream) {
  return static_cast<long>(ShownBytes(stream) + (stream.cut < stream.view->Size() ? 1 : 0));
}

// Copies `count` shown bytes from stream offset `from`, all before the trailer.
void CopyShown(const ViewStream& stream, std::size_t from, std::size_t count, std::uint8_t* to) {
  auto piece =
      std::upper_bound(stream.pieces.begin(), stream.pieces.end(), from,
                       [](std::size_t at, const ViewStream::Piece& p) { return at < p.shownAt; });
  --piece;  // the first piece starts at 0
  while (count > 0) {
    const std::size_t offset = from - piece->shownAt;
    const std::size_t n = std::min(count, piece->length - offset);
    const std::size_t viewFrom = piece->viewAt + offset;
    std::memcpy(to, stream.view->Data() + viewFrom, n);
    auto change = std::lower_bound(
        stream.replaced.begin(), stream.replaced.end(), viewFrom,
        [](const ViewStream::Replaced& r, std::size_t at) { return r.viewAt < at; });
    for (; change != stream.replaced.end() && change->viewAt < viewFrom + n; ++change) {
      to[change->viewAt - viewFrom] = change->value;
    }
    to += n;
    from += n;
    count -= n;
    ++piece;
  }
}

unsigned DLL_CALLCONV ReadProc(void* buffer, unsigned size, unsigned count, fi_handle handle) {
  auto* stream = static_cast<ViewStream*>(handle);
  if (size == 0 || count == 0) return 0;
  const long end = ShownLength(*stream);
  const long available = stream->position < end ? end - stream->position : 0;
  const std::size_t wanted = static_cast<std::size_t>(size) * count;
  const std::size_t copied = std::min(wanted, static_cast<std::size_t>(available));
  const auto from = static_cast<std::size_t>(stream->position);
  const std::size_t bytes = ShownBytes(*stream);
  const std::size_t fromView = from < bytes ? std::min(copied, bytes - from) : 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  if (fromView > 0) CopyShown(*stream, from, fromView, out);
  if (copied > fromView) out[fromView] = kGifTrailer;
  stream->position += static_cast<long>(copied);
  return static_cast<unsigned>(copied / size);
}

unsigned DLL_CALLCONV WriteProc(void*, unsigned, unsigned, fi_handle) {
  return 0;
}

int DLL_CALLCONV SeekProc(fi_handle handle, long offset, int origin) {
  auto* stream = static_cast<ViewStream*>(handle);
  long base = 0;
  if (origin == SEEK_CUR) {
    base = stream->position;
  } else if (origin == SEEK_END) {
    base = ShownLength(*stream);
  } else if (origin != SEEK_SET) {
    return -1;
  }
  if (offset < 0 && base + offset < 0) return -1;
  stream->position = base + offset;
  return 0;
}

long DLL_CALLCONV TellProc(fi_handle handle) {
  return static_cast<ViewStream*>(handle)->position;
}

}  // namespace

ViewStream::ViewStream(const FileView& v, std::size_t cutAt,
                       const std::vector<GifByteRange>& leftOut)
    : view(&v), cut(cutAt), io{ReadProc, WriteProc, SeekProc, TellProc} {
  const std::size_t shown = std::min(cut, view->Size());
  std::size_t at = 0;  // in the view
  std::size_t shownAt = 0;
  for (const GifByteRange& gap : leftOut) {
    const std::size_t end = std::min(gap.end, shown);  // nothing past the cut is shown anyway
    if (gap.begin < at || end <= gap.begin) continue;
    if (gap.begin > at) pieces.push_back({shownAt, at, gap.begin - at});
    shownAt += gap.begin - at;
    at = end;
  }
  if (shown > at) pieces.push_back({shownAt, at, shown - at});
}

FIMULTIBITMAP* OpenGifFromStream(ViewStream& stream, int flags) {
  stream.position = 0;
  return FreeImage_OpenMultiBitmapFromHandle(FIF_GIF, &stream.io, &stream, flags);
}

std::optional<int> LibraryPageCount(ViewStream& stream) {
  FIMULTIBITMAP* gif = OpenGifFromStream(stream, GIF_PLAYBACK);
  if (!gif) return std::nullopt;
  const int pages = FreeImage_GetPageCount(gif);
  FreeImage_CloseMultiBitmap(gif, GIF_PLAYBACK);
  return pages;
}

}  // namespace vorlix
