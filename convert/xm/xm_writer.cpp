#include "convert/xm/xm_writer.h"

#include "base/field_writer.h"

namespace vorlix {
namespace {

// A two-byte field of the header: the low 8 bits of the value, then a zero byte. Within the
// clamped ranges every value fits the low byte.
constexpr std::uint32_t LowByteField(std::int32_t value) {
  return static_cast<std::uint32_t>(value) & 0xFF;
}

bool WriteAll(std::FILE* out, const std::uint8_t* data, std::size_t size) {
  return size == 0 || std::fwrite(data, 1, size, out) == size;
}

constexpr void PutModuleHeader(FieldWriter& w, const ConversionSettings& settings, int frameCount) {
  w.Text(kIdText, kIdTextSize);  //   0: identification text
  if (settings.Title) {          //  17: module name
    for (const char c : *settings.Title) w.U8(static_cast<std::uint8_t>(c));
  } else {
    w.Text(kModuleName, kModuleNameSize);
  }
  w.U8(kNameSeparator);                         //  37: separator
  w.Text(kTrackerName, kTrackerNameSize);       //  38: tracker name
  w.U16(kFormatVersion);                        //  58: format version
  w.U32(kHeaderSizeField);                      //  60: header size
  w.U16(LowByteField(frameCount));              //  64: song length
  w.U16(0);                                     //  66: restart position
  w.U16(LowByteField(ChannelCount(settings)));  //  68: channels
  w.U16(LowByteField(frameCount));              //  70: patterns
  w.U16(1);                                     //  72: instruments
  w.U16(kLinearFrequencies);                    //  74: flags
  w.U16(LowByteField(settings.Speed));          //  76: default tempo (ticks a row)
  w.U16(LowByteField(settings.Tempo));          //  78: default BPM
  for (int i = 0; i < MaxFrames; ++i) w.U8(i);  //  80: order table: pattern i
  w.Zeros(kOrderTableSize - MaxFrames);         // 320: unused order entries
}
static_assert(WrittenSize<kModuleHeaderSize>([](FieldWriter& w) {
                PutModuleHeader(w, ConversionSettings{}, 0);
              }) == kModuleHeaderSize);

constexpr void PutPatternHeader(FieldWriter& w, std::int32_t rows, std::size_t packedSize) {
  w.U32(kPatternHeaderSize);                      // 0: pattern header length
  w.U8(0);                                        // 4: packing type
  w.U16(LowByteField(rows));                      // 5: rows
  w.U16(static_cast<std::uint32_t>(packedSize));  // 7: packed data size
}
static_assert(WrittenSize<kPatternHeaderSize>([](FieldWriter& w) { PutPatternHeader(w, 0, 0); }) ==
              kPatternHeaderSize);

}  // namespace

ModuleHeader BuildModuleHeader(const ConversionSettings& settings, int frameCount) {
  ModuleHeader h{};
  FieldWriter w(h.data(), h.size());
  PutModuleHeader(w, settings, frameCount);
  return h;
}

void AppendPatternBlock(std::vector<std::uint8_t>& out, std::int32_t rows,
                        const PatternBytes& bytes) {
  std::uint8_t header[kPatternHeaderSize] = {};
  FieldWriter w(header, sizeof header);
  PutPatternHeader(w, rows, bytes.size());
  out.insert(out.end(), header, header + kPatternHeaderSize);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

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
  return WriteAll(out, InstrumentBlock.data(), InstrumentBlock.size());
}

std::vector<std::uint8_t> BuildModule(const ConversionSettings& settings,
                                      const std::vector<PatternBytes>& frames) {
  const ModuleHeader header = BuildModuleHeader(settings, static_cast<int>(frames.size()));
  std::vector<std::uint8_t> out(header.begin(), header.end());
  for (const PatternBytes& bytes : frames) AppendPatternBlock(out, settings.Height, bytes);
  out.insert(out.end(), InstrumentBlock.begin(), InstrumentBlock.end());
  return out;
}

}  // namespace vorlix
