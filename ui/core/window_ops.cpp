#include "ui/core/window_ops.h"

namespace vorlix {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::string CutToBuffer(const std::string& text, int bufferSize) {
  if (bufferSize <= 0) return {};
  return text.substr(0, static_cast<std::size_t>(bufferSize - 1));
}

std::uint32_t ParseDialogNumber(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  const std::size_t first = i;
  std::uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (value > 0xFFFFFFFFu) return 0;
  }
  if (i == first) return 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i == text.size() ? static_cast<std::uint32_t>(value) : 0;
}

}  // namespace vorlix
