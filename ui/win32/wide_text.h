// Text between the program (UTF-8) and the system's wide-character calls (UTF-16). The other
// way, Utf8FromWide, is the platform room's.
#pragma once

#include <string>

#include "platform/windows/wide_path.h"

namespace vorlix {

// Invalid UTF-8 becomes U+FFFD.
std::wstring WideFromUtf8(const std::string& text);

// At most `characters` UTF-16 units of the text, never cutting a pair in half.
std::wstring CutToCharacters(const std::wstring& text, int characters);

}  // namespace vorlix
