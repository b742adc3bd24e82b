#include "settings/settings_file.h"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "base/field_writer.h"
#include "platform/file_checks.h"
#include "platform/small_file.h"
#include "settings/settings_tail.h"

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

// The 11-byte settings, written field by field.
constexpr void PutSettings(FieldWriter& w, const ConversionSettings& settings) {
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
}
static_assert(WrittenSize<kSettingsFileSize>([](FieldWriter& w) {
                PutSettings(w, ConversionSettings{});
              }) == kSettingsFileSize);

}  // namespace

void LoadSettingsFile(ConversionSettings& settings) {
  if (!FileExists(SettingsFileName)) return;
  // The options of the 11-byte settings, then the tail of the picture options; bytes after it
  // are not read.
  const SmallFile file = ReadSmallFile(SettingsFileName, kSettingsFileSize + kSettingsTailSize);
  if (file.status != PlatformStatus::Ok) return;
  const std::vector<std::uint8_t>& b = file.bytes;
  const std::size_t got = b.size();
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
  if (got > kSettingsFileSize) {
    DecodeSettingsTail(std::span(b.data() + kSettingsFileSize, got - kSettingsFileSize),
                       settings.Picture);
  }
}

bool SaveSettingsFile(const ConversionSettings& settings) {
  std::uint8_t image[kSettingsFileSize + kSettingsTailSize] = {};
  FieldWriter w(image, kSettingsFileSize);
  PutSettings(w, settings);
  // The picture options follow only when one differs from its default.
  const std::vector<std::uint8_t> tail = EncodeSettingsTail(settings.Picture);
  std::copy(tail.begin(), tail.end(), image + kSettingsFileSize);
  const std::size_t size = kSettingsFileSize + tail.size();

  // Written beside the old file and renamed over it: the old settings survive any failure.
  return ReplaceFileAtomically(SettingsFileName, std::span(image, size)) == PlatformStatus::Ok;
}

}  // namespace vorlix
