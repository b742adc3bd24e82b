// The fixed data of the written module: every size, text and constant of the XM format as vorlix
// writes it, each named once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/field_writer.h"
#include "base/limits.h"
#include "settings/conversion_settings.h"

namespace vorlix {

// ---- The picture in the patterns ----
inline constexpr int kBreakRowCap = 63;  // the break cell sits in row min(Height / 2, 63)

// ---- Packed cells ----
inline constexpr std::uint8_t PackingBase = 0x80;  // flag byte with no column following
inline constexpr std::uint8_t kNoteFlag = 0x01;
inline constexpr std::uint8_t kInstrumentFlag = 0x02;
inline constexpr std::uint8_t kVolumeFlag = 0x04;
inline constexpr std::uint8_t kEffectFlags = 0x18;     // effect type and parameter together
inline constexpr std::uint8_t kAllColumnFlags = 0x1F;  // a cell with all five bytes
inline constexpr std::uint8_t kPatternBreakEffect = 0x0D;

// ---- Module header, 336 bytes ----
inline constexpr std::size_t kModuleHeaderSize = 336;
inline constexpr char kIdText[] = "Extended Module: ";  // 17 characters
inline constexpr std::size_t kIdTextSize = 17;
inline constexpr char kModuleName[] = "vorlix";  // zero padded
inline constexpr std::size_t kModuleNameSize = kModuleTitleSize;
inline constexpr std::uint8_t kNameSeparator = 0x1A;
inline constexpr char kTrackerName[] = "FastTracker v2.00   ";  // no terminator in the file
inline constexpr std::size_t kTrackerNameSize = 20;
inline constexpr std::uint16_t kFormatVersion = 0x0104;
inline constexpr std::uint32_t kHeaderSizeField = 276;  // counted from offset 60
inline constexpr std::uint16_t kLinearFrequencies = 1;  // flags
inline constexpr std::size_t kOrderTableSize = 256;     // entries 0..MaxFrames-1 listed

// ---- Pattern block: 9 header bytes, then the packed cells ----
inline constexpr std::size_t kPatternHeaderSize = 9;

// ---- Instrument block: instrument header and the one empty sample's header ----
inline constexpr std::size_t kInstrumentHeaderSize = 263;
inline constexpr std::size_t kSampleHeaderSize = 40;
inline constexpr std::size_t kInstrumentBlockSize = kInstrumentHeaderSize + kSampleHeaderSize;
using InstrumentBytes = std::array<std::uint8_t, kInstrumentBlockSize>;

// Written unchanged at the end of every module. The sample is empty, so the module is silent.
constexpr void PutInstrumentBlock(FieldWriter& w) {
  w.U32(kInstrumentHeaderSize);  //   0: instrument header size
  w.Zeros(22);                   //   4: instrument name
  w.U8(0);                       //  26: instrument type
  w.U16(1);                      //  27: number of samples
  w.U32(kSampleHeaderSize);      //  29: sample header size
  w.Zeros(96);                   //  33: sample of each note, all sample 0
  w.Zeros(48);                   // 129: volume envelope points
  w.Zeros(48);                   // 177: panning envelope points
  w.Zeros(14);                   // 225: envelope point counts, sustain and loops, types,
                                 //      vibrato: all off
  w.U16(256);                    // 239: volume fadeout
  w.Zeros(22);                   // 241: reserved
  w.U32(0);                      // 263: sample length: no sample data follows
  w.U32(0);                      // 267: loop start
  w.U32(0);                      // 271: loop length
  w.U8(0x40);                    // 275: volume 64
  w.U8(0);                       // 276: finetune
  w.U8(0);                       // 277: type: no loop, 8-bit
  w.U8(0x80);                    // 278: panning, centre
  w.U8(0);                       // 279: relative note
  w.U8(0);                       // 280: reserved
  w.Zeros(22);                   // 281: sample name
}
static_assert(WrittenSize<kInstrumentBlockSize>(PutInstrumentBlock) == kInstrumentBlockSize);

constexpr InstrumentBytes MakeInstrumentBlock() {
  InstrumentBytes b{};
  FieldWriter w(b.data(), b.size());
  PutInstrumentBlock(w);
  return b;
}
inline constexpr InstrumentBytes InstrumentBlock = MakeInstrumentBlock();

}  // namespace vorlix
