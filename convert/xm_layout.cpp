#include "convert/xm_layout.h"

#include <cstring>

namespace vorlix {
namespace {

constexpr char kIdText[] = "Extended Module: ";          // 17 characters
constexpr char kModuleName[] = "vorlix";                 // padded with zeros to 20
constexpr char kTrackerName[] = "FastTracker v2.00   ";  // 20 characters, no terminator
constexpr std::size_t kOrderTableSize = 256;
constexpr int kOrdersListed = 240;  // entries 0..239 play patterns 0..239; the rest stay 0

// Writes a two-byte field as its low 8 bits followed by a zero byte.
void PutLowByteField(ModuleHeader& h, std::size_t at, std::int32_t value) {
  h[at] = static_cast<std::uint8_t>(value & 0xFF);
  h[at + 1] = 0;
}

}  // namespace

ModuleHeader BuildModuleHeader(const ConversionSettings& settings) {
  ModuleHeader h{};
  std::memcpy(&h[0], kIdText, 17);                           //   0: identification text
  std::memcpy(&h[17], kModuleName, sizeof kModuleName - 1);  //  17: module name, zero padded
  h[37] = 0x1A;                                              //  37: separator
  std::memcpy(&h[38], kTrackerName, 20);                     //  38: tracker name
  h[58] = 0x04;                                              //  58: format version 0x0104
  h[59] = 0x01;
  h[60] = 0x14;  //  60: header size 276 (from 60)
  h[61] = 0x01;
  PutLowByteField(h, 64, settings.FrameCount);  //  64: song length
  PutLowByteField(h, 66, 0);                    //  66: restart position
  PutLowByteField(h, 68, settings.Width / 4);   //  68: channels
  PutLowByteField(h, 70, settings.FrameCount);  //  70: patterns
  PutLowByteField(h, 72, 1);                    //  72: instruments
  PutLowByteField(h, 74, 1);                    //  74: flags, linear frequencies
  PutLowByteField(h, 76, settings.Speed);       //  76: default tempo (ticks/row)
  PutLowByteField(h, 78, settings.Tempo);       //  78: default BPM
  for (int i = 0; i < kOrdersListed; ++i) {     //  80: order table
    h[80 + i] = static_cast<std::uint8_t>(i);
  }
  static_assert(80 + kOrderTableSize == kModuleHeaderSize);
  return h;
}

void AppendPatternBlock(std::vector<std::uint8_t>& out, std::int32_t rows,
                        const PatternBytes& bytes) {
  const std::size_t n = bytes.size();
  const std::uint8_t header[kPatternHeaderSize] = {
      0x09,
      0x00,
      0x00,
      0x00,  // pattern header length 9
      0x00,  // packing type
      static_cast<std::uint8_t>(rows & 0xFF),
      0,                                    // rows
      static_cast<std::uint8_t>(n & 0xFF),  // packed data size
      static_cast<std::uint8_t>((n >> 8) & 0xFF),
  };
  out.insert(out.end(), header, header + kPatternHeaderSize);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

namespace {
bool WriteAll(std::FILE* out, const std::uint8_t* data, std::size_t size) {
  return size == 0 || std::fwrite(data, 1, size, out) == size;
}
}  // namespace

bool WriteModuleHeader(std::FILE* out, const ModuleHeader& header) {
  return WriteAll(out, header.data(), header.size());
}

bool WritePatternBlock(std::FILE* out, std::int32_t rows, const PatternBytes& bytes) {
  std::vector<std::uint8_t> block;
  block.reserve(kPatternHeaderSize + bytes.size());
  AppendPatternBlock(block, rows, bytes);
  return WriteAll(out, block.data(), block.size());
}

bool WriteInstrumentBlock(std::FILE* out) {
  return WriteAll(out, ConversionSettings::InstrumentBlock.data(), kInstrumentBlockSize);
}

std::vector<std::uint8_t> BuildModule(ConversionSettings settings,
                                      const std::vector<PatternBytes>& frames) {
  settings.FrameCount = static_cast<std::int32_t>(frames.size());
  const ModuleHeader header = BuildModuleHeader(settings);
  std::vector<std::uint8_t> out(header.begin(), header.end());
  for (const PatternBytes& bytes : frames) AppendPatternBlock(out, settings.Height, bytes);
  out.insert(out.end(), ConversionSettings::InstrumentBlock.begin(),
             ConversionSettings::InstrumentBlock.end());
  return out;
}

}  // namespace vorlix
