// Helpers shared by the fuzz targets: a private scratch folder and whole-file writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlix::fuzz {

// A fresh folder under the temporary directory, made once per process and removed at exit.
const std::string& ScratchDir();

// Writes the bytes as the whole content of the file; aborts when that fails, because every
// later check would then be about the wrong input.
void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size);

// Entries of a folder other than "." and "..", sorted.
std::string ListEntries(const std::string& dir);

}  // namespace vorlix::fuzz
