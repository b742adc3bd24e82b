// The picture options kept in the settings file after the 11-byte settings. Readers that take
// 11 bytes never see them. Layout: the tag "VXPO", a version byte (1), then one byte per option:
// dither, threshold mode (0 a number, 1 automatic), timing, backdrop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "settings/picture_options.h"

namespace vorlix {

inline constexpr std::size_t kSettingsTailSize = 9;

// The tail for these options; empty when every option has its default, so that a file of
// 11-byte settings alone stays 11 bytes.
std::vector<std::uint8_t> EncodeSettingsTail(const PictureOptions& options);

// Sets the options that the tail holds with a value in range; every other option keeps its
// value. A missing, short, foreign or damaged tail is never an error. A later version keeps the
// bytes of version 1 and adds after them, so its first bytes are read as version 1's.
void DecodeSettingsTail(std::span<const std::uint8_t> tail, PictureOptions& options);

}  // namespace vorlix
