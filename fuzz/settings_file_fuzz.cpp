// Fuzz target: the input bytes as the settings file "vorlix.conf", read by LoadSettingsFile and
// written back by SaveSettingsFile in a scratch working folder. Checks that the save succeeds,
// leaves exactly one file and no temporary file, of kSettingsFileSize bytes plus a tail only when
// a picture option other than its default was loaded, and that reading the saved file gives back
// every option that was loaded.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "settings/conversion_settings.h"
#include "settings/settings_file.h"
#include "settings/settings_tail.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "settings file check failed: %s\n", what);
  std::abort();
}

bool SameOptions(const vorlix::ConversionSettings& a, const vorlix::ConversionSettings& b) {
  return a.Tempo == b.Tempo && a.Speed == b.Speed && a.Width == b.Width && a.Height == b.Height &&
         a.Threshold == b.Threshold && a.FillBytes == b.FillBytes &&
         a.InverseColors == b.InverseColors && a.BreakPatterns == b.BreakPatterns &&
         a.Picture == b.Picture;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The settings file lives in the working folder.
  if (::chdir(vorlix::fuzz::ScratchDir().c_str()) != 0) {
    std::perror("chdir");
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vorlix;
  fuzz::WriteWholeFile(SettingsFileName, data, size);

  ConversionSettings loaded = StartupSettings();
  LoadSettingsFile(loaded);
  ConversionSettings saved = loaded;
  if (!SaveSettingsFile(saved)) Fail("saving into a writable folder failed");
  if (fuzz::ListEntries(".") != std::string(SettingsFileName) + "\n") {
    Fail("the save left other files than the settings file");
  }
  struct stat info {};
  const std::size_t expected =
      kSettingsFileSize + (loaded.Picture == PictureOptions{} ? 0 : kSettingsTailSize);
  if (::stat(SettingsFileName, &info) != 0 || static_cast<std::size_t>(info.st_size) != expected) {
    Fail("the saved settings file has the wrong size");
  }
  ConversionSettings reloaded = StartupSettings();
  LoadSettingsFile(reloaded);
  if (!SameOptions(reloaded, loaded)) Fail("the saved options do not read back the same");
  ::unlink(SettingsFileName);
  return 0;
}
