// The program's version record.
#pragma once

namespace vorlix {

inline constexpr const char* kVersionText = "0.4";       // shown to users
inline constexpr int kFileVersion[4] = {0, 4, 0, 0};     // file version 0.4.0.0
inline constexpr int kProductVersion[4] = {0, 0, 0, 0};  // product version 0.0.0.0
inline constexpr const char* kFileVersionString = "0.40";
inline constexpr const char* kProductVersionString = "0.40";
inline constexpr const char* kFileDescription = ".gif to .xm converter";
inline constexpr const char* kInternalName = "vorlix";
inline constexpr const char* kOriginalFilename = "vorlix";
inline constexpr const char* kProductName = "vorlix";
inline constexpr const char* kCompanyName = "the vorlix authors";

}  // namespace vorlix
