// vorlix_literal IN.gif OUT.xm: converts with default options the straightforward way (playback
// frames from the image library, pixel-by-pixel reads, one write per byte), for comparison.
#include <FreeImage.h>

#include <cstdio>

#include "tests/support/literal_path.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: vorlix_literal IN.gif OUT.xm\n");
    return 2;
  }
  FreeImage_Initialise(FALSE);
  const bool ok = vorlix::literal::ConvertGifToFile(argv[1], vorlix::StartupSettings(), argv[2]);
  FreeImage_DeInitialise();
  if (!ok) std::fprintf(stderr, "vorlix_literal: conversion failed\n");
  return ok ? 0 : 1;
}
