// The system-free half of creating and publishing a new file: the temporary's name and the
// order in which names are tried. Each platform half gives only its system calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/new_file.h"

namespace vorlix {

// Attempts at a free temporary name before giving up.
inline constexpr int kMaxCreateAttempts = 100;
// Commit attempts before giving up: each taken name is taken by a file that exists, so this is
// reached only when the folder changes faster than names can be tried.
inline constexpr int kMaxCommitAttempts = 10000;
// Of a long name only this much goes into the temporary's name, which must stay within the
// 255 bytes a file name may have.
inline constexpr std::size_t kTemporaryStemLength = 200;

// ".NAME." for the last component NAME of `finalName`, which starts at `nameStart`, cut to
// kTemporaryStemLength bytes.
std::string TemporaryStem(const std::string& finalName, std::size_t nameStart);

// Six letters and digits from `seed` (what differs from process to process and over time: a
// clock and the process id) and a count of calls, mixed so that close seeds give unrelated
// letters.
std::string UniqueLetters(std::uint64_t seed);

// The temporary `path` as a TemporaryFile once it is open as `file`; when it is not (nullptr),
// it is removed and the TemporaryFile says CannotWrite.
TemporaryFile OpenedTemporary(std::FILE* file, std::string path);

// What one attempt at giving the temporary a name did.
enum class NameAttempt { Given, Taken, Failed };

// Tries `name`, then the names `nextName` gives while each is taken, until one is given, an
// attempt fails, `nextName` gives "" or kMaxCommitAttempts are made. Returns the name given, or
// CannotWrite after removing the temporary with `discard`.
CommittedFile GiveFirstFreeName(std::string name, const std::function<std::string()>& nextName,
                                const std::function<NameAttempt(const std::string&)>& give,
                                const std::function<void()>& discard);

}  // namespace vorlix
