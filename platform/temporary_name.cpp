#include "platform/temporary_name.h"

#include <atomic>

namespace vorlix {

std::string TemporaryStem(const std::string& finalName, std::size_t nameStart) {
  std::string stem = ".";
  stem.append(finalName, nameStart, kTemporaryStemLength).append(".");
  return stem;
}

std::string UniqueLetters(std::uint64_t seed) {
  static std::atomic<std::uint64_t> counter{0};
  std::uint64_t x = seed ^ (++counter * 0x9E3779B97F4A7C15ull);
  // A 64-bit mix, so that close inputs give unrelated names.
  x ^= x >> 33;
  x *= 0xFF51AFD7ED558CCDull;
  x ^= x >> 33;
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string letters;
  for (int i = 0; i < 6; ++i, x /= 62) letters += kLetters[x % 62];
  return letters;
}

TemporaryFile OpenedTemporary(std::FILE* file, std::string path) {
  if (!file) {
    DiscardTemporary(path);
    return {PlatformStatus::CannotWrite, nullptr, {}};
  }
  return {PlatformStatus::Ok, file, std::move(path)};
}

CommittedFile GiveFirstFreeName(std::string name, const std::function<std::string()>& nextName,
                                const std::function<NameAttempt(const std::string&)>& give,
                                const std::function<void()>& discard) {
  for (int attempt = 0; attempt < kMaxCommitAttempts && !name.empty(); ++attempt) {
    const NameAttempt result = give(name);
    if (result == NameAttempt::Given) return {PlatformStatus::Ok, std::move(name)};
    if (result == NameAttempt::Failed) break;
    name = nextName();
  }
  discard();
  return {PlatformStatus::CannotWrite, {}};
}

}  // namespace vorlix
