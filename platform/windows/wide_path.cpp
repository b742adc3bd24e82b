#include "platform/windows/wide_path.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>

#include "platform/temporary_name.h"

namespace vorlix {
namespace {

// Paths from this length on get the \\?\ prefix: a folder's path must leave room for a
// 12-character name within the old limit of 260.
constexpr std::size_t kLongPath = MAX_PATH - 12;

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.rfind(prefix, 0) == 0;
}

std::wstring Widen(const std::string& text) {
  if (text.empty() || text.find('\0') != std::string::npos) return std::wstring();
  const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        wide.data(), size);
  return wide;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string BackslashPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// True when `path` holds a drive's root at `at`: a letter, ':' and '\\'.
bool DriveFolderAt(const std::string& path, std::size_t at) {
  return path.size() > at + 2 && std::isalpha(static_cast<unsigned char>(path[at])) &&
         path[at + 1] == ':' && path[at + 2] == '\\';
}

// The length of the part of a path (with backslashes) that names where it starts rather than a
// file: the \\?\ or \\.\ prefix, then a drive ("X:"), when they are there.
std::size_t RootLength(const std::string& path) {
  std::size_t length = 0;
  if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0) length = 4;
  if (path.size() > length + 1 && std::isalpha(static_cast<unsigned char>(path[length])) &&
      path[length + 1] == ':') {
    length += 2;
  }
  return length;
}

}  // namespace

std::wstring WidePath(const std::string& path) {
  std::wstring wide = Widen(path);
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  if (wide.empty() || StartsWith(wide, L"\\\\?\\") || StartsWith(wide, L"\\\\.\\")) {
    return wide;
  }
  // A short relative path may still be long once joined to the working folder.
  const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::wstring full(size, L'\0');
  const DWORD length = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return wide;
  full.resize(length);
  if (full.size() < kLongPath) return wide;
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string Utf8FromWide(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string narrow(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), size, nullptr, nullptr);
  narrow.resize(static_cast<std::size_t>(size) - 1);
  return narrow;
}

bool IsDeviceName(const std::string& path) {
  const std::string upper = Upper(BackslashPath(path));
  // In the device namespace only a drive's files are files.
  if (upper.rfind("\\\\.\\", 0) == 0 && !DriveFolderAt(upper, 4)) return true;
  std::string stem = upper.substr(NameStart(upper));
  stem = stem.substr(0, stem.find_first_of(".:"));
  // The system ignores spaces and dots at the end of the name.
  while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) stem.pop_back();
  static const std::array<const char*, 7> kNames = {"CON",    "PRN",     "AUX",   "NUL",
                                                    "CONIN$", "CONOUT$", "CLOCK$"};
  if (std::find(kNames.begin(), kNames.end(), stem) != kNames.end()) return true;
  if (stem.rfind("COM", 0) != 0 && stem.rfind("LPT", 0) != 0) return false;
  // A digit, or a superscript one, two or three (in UTF-8), which the system counts as digits.
  const std::string number = stem.substr(3);
  return (number.size() == 1 && std::isdigit(static_cast<unsigned char>(number[0]))) ||
         number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
}

bool IsStreamName(const std::string& path) {
  const std::string native = BackslashPath(path);
  return native.find(':', RootLength(native)) != std::string::npos;
}

std::size_t NameStart(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? RootLength(BackslashPath(path)) : slash + 1;
}

std::string UniqueSuffix(const std::string& stem) {
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  return stem + UniqueLetters(static_cast<std::uint64_t>(now.QuadPart) ^
                              (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32));
}

}  // namespace vorlix
