#include "ui/win32/wide_text.h"

#include <windows.h>

namespace vorlix {

std::wstring WideFromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::wstring CutToCharacters(const std::wstring& text, int characters) {
  if (characters <= 0) return {};
  std::size_t keep = static_cast<std::size_t>(characters);
  if (keep >= text.size()) return text;
  // The first half of a pair goes with its second half.
  if (IS_HIGH_SURROGATE(text[keep - 1])) --keep;
  return text.substr(0, keep);
}

}  // namespace vorlix
