#include "platform/console.h"

// windows.h first: shellapi.h relies on its definitions.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <streambuf>

#include "platform/windows/wide_path.h"

namespace vorlix {
namespace {

// The C runtime here has no line buffering (_IOLBF buffers fully), so standard output's stream
// flushes itself at each line end.
class LineFlushingBuffer : public std::streambuf {
 protected:
  int overflow(int c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    if (std::fputc(c, stdout) == EOF) return traits_type::eof();
    if (c == '\n') std::fflush(stdout);
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const std::size_t size = static_cast<std::size_t>(n);
    const std::size_t written = std::fwrite(s, 1, size, stdout);
    if (std::memchr(s, '\n', size) != nullptr) std::fflush(stdout);
    return static_cast<std::streamsize>(written);
  }
  int sync() override { return std::fflush(stdout) == 0 ? 0 : -1; }
};

UINT gConsoleCodePage = 0;

void RestoreCodePage() {
  ::SetConsoleOutputCP(gConsoleCodePage);
}

// A console shows the UTF-8 the program writes; the console's own code page comes back at exit.
void ShowUtf8InConsole() {
  DWORD mode = 0;
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  if (!::GetConsoleMode(out, &mode) && !::GetConsoleMode(err, &mode)) return;
  gConsoleCodePage = ::GetConsoleOutputCP();
  if (gConsoleCodePage == CP_UTF8 || !::SetConsoleOutputCP(CP_UTF8)) return;
  std::atexit(RestoreCodePage);
}

}  // namespace

std::vector<std::string> CommandLineArguments(int, char**) {
  // The narrow arguments are in the system's code page, which cannot hold every name.
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

void PrepareStandardStreams() {
  // Binary: a line ends in LF alone, as on other systems.
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  static char buffer[1 << 12];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  // Never destroyed: standard output is flushed through it after static objects are gone.
  static auto* const lines = new LineFlushingBuffer;
  std::cout.rdbuf(lines);
  ShowUtf8InConsole();
}

}  // namespace vorlix
