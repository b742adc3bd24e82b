// bench_floor IN.gif: decodes each raw frame once (at most 240) and nothing else, the least any
// conversion of the file has to do.
#include <FreeImage.h>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_floor IN.gif\n");
    return 2;
  }
  FreeImage_Initialise(FALSE);
  FIMULTIBITMAP* gif = FreeImage_OpenMultiBitmap(FIF_GIF, argv[1], FALSE, TRUE, FALSE, GIF_LOAD256);
  if (!gif) {
    std::fprintf(stderr, "bench_floor: cannot open %s\n", argv[1]);
    FreeImage_DeInitialise();
    return 1;
  }
  const int pages = std::min(FreeImage_GetPageCount(gif), 240);
  unsigned long checksum = 0;
  for (int j = 0; j < pages; ++j) {
    FIBITMAP* page = FreeImage_LockPage(gif, j);
    if (page) {
      checksum += FreeImage_GetWidth(page);
      FreeImage_UnlockPage(gif, page, FALSE);
    }
  }
  FreeImage_CloseMultiBitmap(gif);
  FreeImage_DeInitialise();
  return checksum > 0 ? 0 : 1;
}
