// The system-free half of new files: the temporary's name and the order in which names are
// tried, which both systems' CreateTemporaryFor and CommitTemporary follow.
#include "platform/temporary_name.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <vector>

namespace vorlix {
namespace {

TEST(TemporaryName, StemIsTheLastComponentBetweenDotsCutToItsLength) {
  const std::string longName(300, 'n');
  const struct {
    std::string finalName;
    std::size_t nameStart;
    std::string stem;
  } cases[] = {
      {"out.xm", 0, ".out.xm."},
      {"dir/sub/out.xm", 8, ".out.xm."},
      {"dir/" + longName, 4, std::string(".").append(longName, 0, kTemporaryStemLength) + "."},
      {"dir/", 4, ".."},
  };
  for (const auto& c : cases) EXPECT_EQ(TemporaryStem(c.finalName, c.nameStart), c.stem);
}

TEST(TemporaryName, LettersDifferFromCallToCallForOneSeed) {
  std::set<std::string> seen;
  for (int i = 0; i < 1000; ++i) {
    const std::string letters = UniqueLetters(12345);
    ASSERT_EQ(letters.size(), 6u);
    for (char c : letters) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << letters;
    seen.insert(letters);
  }
  EXPECT_EQ(seen.size(), 1000u);
}

TEST(TemporaryName, NamesAreTriedInTurnUntilOneIsGivenOrTheTriesEnd) {
  const struct {
    const char* what;
    std::vector<NameAttempt> attempts;  // one a name tried; Taken past the end
    int namesLeft;                      // names nextName gives before ""
    std::string given;
    int tried;
  } cases[] = {
      {"given at once", {NameAttempt::Given}, 5, "0", 1},
      {"taken twice", {NameAttempt::Taken, NameAttempt::Taken, NameAttempt::Given}, 5, "2", 3},
      {"a failure ends it", {NameAttempt::Taken, NameAttempt::Failed}, 5, "", 2},
      {"no more names", {}, 2, "", 3},
      {"every try taken", {}, 1000000, "", kMaxCommitAttempts},
  };
  for (const auto& c : cases) {
    int tried = 0, given = 0, discarded = 0;
    const std::string name =
        GiveFirstFreeName(
            "0", [&] { return given < c.namesLeft ? std::to_string(++given) : std::string(); },
            [&](const std::string& candidate) {
              EXPECT_EQ(candidate, std::to_string(tried)) << c.what;
              const std::size_t i = static_cast<std::size_t>(tried++);
              return i < c.attempts.size() ? c.attempts[i] : NameAttempt::Taken;
            },
            [&] { ++discarded; })
            .name;
    EXPECT_EQ(name, c.given) << c.what;
    EXPECT_EQ(tried, c.tried) << c.what;
    EXPECT_EQ(discarded, c.given.empty() ? 1 : 0) << c.what;
  }
}

}  // namespace
}  // namespace vorlix
