#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "settings/field_writer.h"
#include "settings/file_exists.h"
#include "settings/settings_tail.h"
#include "settings/xm_format.h"

namespace vorlix {
namespace {

// File offsets of the options.
enum SettingsOffset {
  kTempo = 0,
  kSpeed = 1,
  kWidth = 2,
  kHeight = 3,
  kThreshold = 4,
  kFill1 = 5,  // five fill bytes, 5..9
  kFlags = 10,
};
constexpr std::uint8_t kInverseFlag = 1;
constexpr std::uint8_t kBreakFlag = 2;

bool WriteFully(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

void LoadSettingsFile(ConversionSettings& settings) {
  if (!FileExists(SettingsFileName)) return;
  // Only a regular file is read: a pipe or a device of that name could block or never end.
  const int fd = ::open(SettingsFileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  // The classic options, then the tail of the picture options; bytes after it are not read.
  std::uint8_t b[SettingsFileSize + SettingsTailSize] = {};
  std::size_t got = 0;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    while (got < sizeof b) {
      const ssize_t n = ::read(fd, b + got, sizeof b - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
  // A short file sets only the options whose bytes it holds.
  auto have = [got](int offset) { return static_cast<std::size_t>(offset) < got; };
  if (have(kTempo)) settings.Tempo = b[kTempo];
  if (have(kSpeed)) settings.Speed = b[kSpeed];
  if (have(kWidth)) settings.Width = b[kWidth];
  if (have(kHeight)) settings.Height = b[kHeight];
  if (have(kThreshold)) settings.Threshold = b[kThreshold];
  for (int i = 0; i < FillByteCount; ++i) {
    if (have(kFill1 + i)) settings.FillBytes[i] = b[kFill1 + i];
  }
  if (have(kFlags)) {
    // The flags byte is read as a signed number and halved, not tested bit by bit: 6 and every
    // value from 0x80 up set neither option.
    const int f = static_cast<std::int8_t>(b[kFlags]);
    settings.InverseColors = (f % 2 == 1) ? 1 : 0;
    settings.BreakPatterns = (f / 2 == 1) ? 1 : 0;
  }
  if (got > SettingsFileSize) {
    DecodeSettingsTail(std::span(b + SettingsFileSize, got - SettingsFileSize), settings.Picture);
  }
}

bool SaveSettingsFile(const ConversionSettings& settings) {
  std::uint8_t image[SettingsFileSize + SettingsTailSize] = {};
  FieldWriter w(image, SettingsFileSize);
  w.U8(static_cast<std::uint32_t>(settings.Tempo));   //  0: tempo
  w.U8(static_cast<std::uint32_t>(settings.Speed));   //  1: speed
  w.U8(static_cast<std::uint32_t>(settings.Width));   //  2: width
  w.U8(static_cast<std::uint32_t>(settings.Height));  //  3: height
  w.U8(settings.Threshold);                           //  4: threshold
  for (std::uint8_t fill : settings.FillBytes) {      //  5: the five fill bytes
    w.U8(fill);
  }
  w.U8((settings.InverseColors == 1 ? kInverseFlag : 0) |  // 10: flags
       (settings.BreakPatterns == 1 ? kBreakFlag : 0));
  // The picture options follow only when one differs from its default.
  const std::vector<std::uint8_t> tail = EncodeSettingsTail(settings.Picture);
  std::copy(tail.begin(), tail.end(), image + SettingsFileSize);
  const std::size_t size = SettingsFileSize + tail.size();

  // Only a regular file is replaced; a pipe, a device or a folder of that name stays.
  struct stat existing {};
  if (::stat(SettingsFileName, &existing) == 0 && !S_ISREG(existing.st_mode)) return false;

  // Written beside the old file and renamed over it: the old settings survive any failure.
  std::string temp = std::string(SettingsFileName) + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, NewFileMode()) == 0 && WriteFully(fd, image, size) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), SettingsFileName) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace vorlix
