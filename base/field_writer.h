// Little-endian fields written one after the other into a byte buffer of fixed size. Every
// binary layout of the program (module header, pattern header, instrument block, settings file)
// is written through it field by field, in offset order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace vorlix {

class FieldWriter {
 public:
  constexpr FieldWriter(std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  // One byte: the low 8 bits of the value.
  constexpr FieldWriter& U8(std::uint32_t value) {
    Put(static_cast<std::uint8_t>(value & 0xFF));
    return *this;
  }
  constexpr FieldWriter& U16(std::uint32_t value) { return U8(value).U8(value >> 8); }
  constexpr FieldWriter& U32(std::uint32_t value) { return U16(value).U16(value >> 16); }
  // A text of `width` bytes: the characters of `text`, then zero bytes.
  constexpr FieldWriter& Text(const char* text, std::size_t width) {
    std::size_t i = 0;
    for (; i < width && text[i] != '\0'; ++i) U8(static_cast<std::uint8_t>(text[i]));
    return Zeros(width - i);
  }
  constexpr FieldWriter& Zeros(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) Put(0);
    return *this;
  }

  // Where the next field goes; equals the buffer size once the layout is complete.
  constexpr std::size_t Offset() const { return offset_; }

 private:
  constexpr void Put(std::uint8_t byte) {
    // The layouts are fixed, so an overrun is a broken invariant, never an input's fault: no
    // status for a caller to handle, the process ends. In a constant expression it does not
    // compile.
    if (offset_ >= size_) std::abort();
    data_[offset_++] = byte;
  }

  std::uint8_t* data_;
  std::size_t size_;
  std::size_t offset_ = 0;
};

// The bytes that `layout` (called with a FieldWriter) writes into a buffer of Size bytes, for a
// static_assert that a layout fills its format's size exactly: an overrun does not compile.
template <std::size_t Size, typename Layout>
constexpr std::size_t WrittenSize(Layout layout) {
  std::array<std::uint8_t, Size> buffer{};
  FieldWriter w(buffer.data(), buffer.size());
  layout(w);
  return w.Offset();
}

}  // namespace vorlix
