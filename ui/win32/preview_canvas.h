// The picture area of the preview window: a picture in the preview's palette, each pixel a
// square of whole screen pixels, scrolled when it is larger than the area.
#pragma once

#include "preview/preview_picture.h"

namespace vorlix {

// The window class of the area, registered on first use.
const wchar_t* PreviewCanvasClass();

// Shows the image in the area (a window of that class), each pixel `zoom` pixels wide and tall.
void SetCanvasImage(void* canvas, PreviewImage image, int zoom);

}  // namespace vorlix
