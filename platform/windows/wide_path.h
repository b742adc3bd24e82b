// Paths at the edge to the system: UTF-8 inside the program, wide characters for the system's
// calls, and the names the system keeps for devices.
#pragma once

#include <string>

namespace vorlix {

// The path as the wide-character calls take it: both slashes turned into backslashes, and a path
// that is long once absolute (near or past the old limit of 260 characters) made absolute with
// the \\?\ prefix.
// Empty when the path is not valid UTF-8 or holds a NUL.
std::wstring WidePath(const std::string& path);

// The wide text as UTF-8; invalid pairs become U+FFFD.
std::string Utf8FromWide(const wchar_t* text);

// True when the last component names a device rather than a file: CON, PRN, AUX, NUL, COM0-9,
// LPT0-9, CONIN$, CONOUT$, CLOCK$, with any extension ("aux.gif", "CON.xm") and any case; or
// when the path is in the device namespace (\\.\...). Such names are never opened or created.
bool IsDeviceName(const std::string& path);

// A name for a temporary beside `stem`: `stem` followed by six characters that differ from
// call to call and from process to process.
std::string UniqueSuffix(const std::string& stem);

}  // namespace vorlix
