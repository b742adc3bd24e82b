// Text between the program (UTF-8) and the system's wide-character calls (UTF-16).
#pragma once

#include <string>

namespace vorlix {

// Invalid UTF-8 becomes U+FFFD.
std::wstring WideFromUtf8(const std::string& text);

// Invalid UTF-16 (a lone half of a pair) becomes U+FFFD.
std::string Utf8FromWide(const std::wstring& text);

// At most `characters` UTF-16 units of the text, never cutting a pair in half.
std::wstring CutToCharacters(const std::wstring& text, int characters);

}  // namespace vorlix
