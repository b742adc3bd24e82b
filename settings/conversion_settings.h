// The one record of conversion options, the fixed instrument template of every module,
// and the working fields of a conversion.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vorlix {

inline constexpr std::size_t kInstrumentBlockSize = 303;
using InstrumentBytes = std::array<std::uint8_t, kInstrumentBlockSize>;

// Instrument header (263 bytes) and its one sample header (40 bytes), written unchanged at the
// end of every module. The sample is empty, so the module plays no sound.
constexpr InstrumentBytes MakeInstrumentBlock() {
  InstrumentBytes b{};
  auto put32 = [&b](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  auto put16 = [&b](std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
  };
  put32(0, 263);    //   0: instrument header size
                    //   4: instrument name, 22 zeros;  26: instrument type 0
  put16(27, 1);     //  27: number of samples
  put32(29, 40);    //  29: sample header size
                    //  33: sample of each of the 96 notes, all 0
                    // 129: volume envelope, 177: panning envelope, 225..238: envelope and vibrato
                    //      settings, all 0 (envelopes off)
  put16(239, 256);  // 239: volume fadeout
                    // 241: reserved, 22 zeros
                    // 263: sample length 0, 267: loop start 0, 271: loop length 0
  b[275] = 0x40;    // 275: sample volume 64
                    // 276: finetune 0, 277: type 0 (no loop, 8-bit)
  b[278] = 0x80;    // 278: panning, centre
                    // 279: relative note 0, 280: reserved, 281: sample name, 22 zeros
  return b;
}

struct ConversionSettings {
  std::array<std::uint8_t, 11> SettingsImage{};  // settings file bytes, assembled when saving
  std::uint8_t BreakPatterns = 1;                // each pattern gets a pattern-break cell
  std::int32_t FrameCount = 240;                 // frame total of the conversion under way
  std::uint8_t ScratchByte = 0x80;               // unused: pattern bytes are written buffered
  static constexpr InstrumentBytes InstrumentBlock = MakeInstrumentBlock();
  // Note, instrument, volume, effect type, effect parameter. The fifth is derived at start-up.
  std::array<std::uint8_t, 5> FillBytes{0x3D, 0x7F, 0x4D, 0x09, 0x00};
  std::int32_t Tempo = 250;  // beats per minute
  std::int32_t Speed = 5;    // ticks per row
  static constexpr std::uint8_t PackingBase = 0x80;
  std::int32_t Height = 150;  // pattern rows
  std::int32_t Width = 120;   // pixels; Width / 4 channels
  std::uint8_t Threshold = 160;
  std::uint8_t InverseColors = 0;
};

// The built-in defaults with the fifth fill byte derived from the built-in height, as the
// programs set them up once at start. Later changes of Height leave that byte alone.
ConversionSettings StartupSettings();

}  // namespace vorlix
