#include "cli/core/fit_screen.h"

#include "convert/gif/gif_layout.h"
#include "platform/file_checks.h"
#include "platform/file_view.h"

namespace vorlix {

void ReadFitScreen(const CliOptions& options) {
  if (!options.fits || options.input.empty()) return;
  const auto bytes = FileView::Open(NativePath(options.input));
  if (!bytes) return;
  // The screen is in the header: the walk stops before the first image.
  GifLayout layout;
  if (ReadGifLayout(bytes->Data(), bytes->Size(), layout, 0) != GifStatus::Ok) return;
  *options.fitScreen = {layout.width, layout.height};
}

}  // namespace vorlix
