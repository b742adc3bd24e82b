// Paths at the edge to the system: UTF-8 inside the program, wide characters for the system's
// calls, and the names the system keeps for devices.
#pragma once

#include <cstddef>
#include <string>

namespace vorlix {

// The path as the wide-character calls take it: both slashes turned into backslashes, and a path
// that is long once absolute (near or past the old limit of 260 characters) made absolute with
// the \\?\ prefix.
// Empty when the path is not valid UTF-8 or holds a NUL.
std::wstring WidePath(const std::string& path);

// The wide text as UTF-8; invalid pairs become U+FFFD.
std::string Utf8FromWide(const wchar_t* text);

// True when the last component names a device rather than a file: cut at its first '.' or ':',
// without the spaces and dots at its end, it is CON, PRN, AUX, NUL, CONIN$, CONOUT$, CLOCK$,
// COM0-9, LPT0-9, or COM or LPT with a superscript 1, 2 or 3, in any case ("aux.gif", "CON.xm",
// "nul:x", "c:\dir\lpt1 .txt"); or when the path is in the device namespace (\\.\...) other
// than a drive's files (\\.\X:\...). Such names are never opened or created.
bool IsDeviceName(const std::string& path);

// True when the path holds a ':' after its drive ("X:"): a stream of a file, not a file of its
// own. Such names are never created.
bool IsStreamName(const std::string& path);

// Where the last component of the path starts: after its last slash or backslash, else after
// its drive ("X:name" names "name" in the drive's working folder).
std::size_t NameStart(const std::string& path);

// A name for a temporary beside `stem`: `stem` followed by six characters that differ from
// call to call and from process to process.
std::string UniqueSuffix(const std::string& stem);

}  // namespace vorlix
