// The settings file "vorlix.conf" in the working directory: the options of the 11-byte settings,
// one byte each, then the picture options as a tail when one of them differs from its default.
#pragma once

#include "settings/conversion_settings.h"

namespace vorlix {

inline constexpr const char* SettingsFileName = "vorlix.conf";
inline constexpr int kSettingsFileSize = 11;  // the 11-byte settings, before the tail

// Overwrites the options from the settings file when there is one. Values are taken as they
// stand, without clamping; options whose bytes are missing from a short file keep their values,
// and so do picture options whose tail bytes are missing or damaged.
void LoadSettingsFile(ConversionSettings& settings);

// Replaces the settings file by the current options. The new file is written beside the old
// one and renamed over it, so a failed save keeps the previous settings. Returns false when the
// file could not be written.
bool SaveSettingsFile(const ConversionSettings& settings);

}  // namespace vorlix
