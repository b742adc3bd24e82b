// Fuzz target: the input bytes as a GIF file, taken through the whole headless conversion (Load,
// then Save into a new module) with small options so that each input runs quickly. Besides the
// sanitizers it checks what a run leaves behind: a module exactly when the run says it wrote
// one, never a partial file, and never more than MaxFrames patterns.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <streambuf>
#include <string>

#include "convert/conversion_run.h"
#include "convert/xm/xm_format.h"
#include "fuzz/fuzz_support.h"
#include "settings/conversion_settings.h"

namespace {

struct NullBuffer : std::streambuf {
  int overflow(int c) override { return c; }
};

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "gif conversion check failed: %s\n", what);
  std::abort();
}

// The pattern count field of a written module (offset 70), -1 when it cannot be read.
int PatternCount(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return -1;
  std::uint8_t field[2] = {};
  const bool read = std::fseek(file, 70, SEEK_SET) == 0 && std::fread(field, 1, 2, file) == 2;
  std::fclose(file);
  return read ? field[0] | field[1] << 8 : -1;
}

long FileSize(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return -1;
  return static_cast<long>(info.st_size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vorlix;
  const std::string& dir = fuzz::ScratchDir();
  const std::string input = dir + "/input.gif";
  const std::string output = dir + "/output.xm";
  fuzz::WriteWholeFile(input, data, size);

  const RunReporter reporter{[](MessageKind, const std::string&) {}, [](const std::string&) {}};
  RunState state;
  LoadInput(input, reporter, state);
  if (state.InputLoadedFlag) {
    ConversionSettings settings = StartupSettings();
    settings.Width = 16;
    settings.Height = 16;
    NullBuffer nothing;
    std::ostream silent(&nothing);
    const SaveOutcome outcome = ConversionRun(output, input, reporter, silent, settings, state);
    const long written = FileSize(output);
    if (outcome == SaveOutcome::Written) {
      if (written < static_cast<long>(kModuleHeaderSize + kInstrumentBlockSize)) {
        Fail("a written module is missing or shorter than its fixed parts");
      }
      const int patterns = PatternCount(output);
      if (patterns < 0 || patterns > MaxFrames) {
        Fail("frame count outside 0..MaxFrames");
      }
    } else if (written >= 0) {
      Fail("a failed run left a module behind");
    }
    ::unlink(output.c_str());
  }
  ::unlink(input.c_str());
  if (!fuzz::ListEntries(dir).empty()) Fail("the run left files in its folder");
  return 0;
}
