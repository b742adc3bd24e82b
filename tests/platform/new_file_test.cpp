// Giving a finished temporary its name: the name it got, or CannotWrite when none could be given;
// never a file replaced, never a temporary left.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/new_file.h"

namespace vorlix {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(NewFile, CommitSaysWhichNameTheFileGotOrThatItGotNone) {
  struct Case {
    const char* what;
    std::vector<std::string> taken;    // names that exist before the commit
    std::vector<std::string> offered;  // what nextName gives in turn, then ""
    PlatformStatus status;
    std::string name;  // the name the new file got
  };
  const Case cases[] = {
      {"a free name", {}, {}, PlatformStatus::Ok, "out.xm"},
      {"the next free name",
       {"out.xm", "out1.xm"},
       {"out1.xm", "out2.xm"},
       PlatformStatus::Ok,
       "out2.xm"},
      {"every name taken", {"out.xm"}, {}, PlatformStatus::CannotWrite, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path folder = fs::path(::testing::TempDir()) / "commit";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const std::string& name : c.taken) std::ofstream(folder / name) << "old";
    const std::string finalName = (folder / "out.xm").string();
    const TemporaryFile temp = CreateTemporaryFor(finalName);
    ASSERT_NE(temp.file, nullptr);
    std::fputs("new", temp.file);
    ASSERT_EQ(FinishFile(temp.file), PlatformStatus::Ok);
    std::size_t next = 0;
    const CommittedFile committed = CommitTemporary(temp.path, finalName, [&] {
      return next < c.offered.size() ? (folder / c.offered[next++]).string() : std::string();
    });
    EXPECT_EQ(committed.status, c.status);
    EXPECT_EQ(committed.name, c.name.empty() ? "" : (folder / c.name).string());
    // The taken names keep their files, the new one holds what was written, nothing else is left.
    for (const std::string& name : c.taken) {
      EXPECT_EQ(Contents(folder / name), "old") << name;
    }
    if (!c.name.empty()) {
      EXPECT_EQ(Contents(folder / c.name), "new");
    }
    const auto files = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
    EXPECT_EQ(files, static_cast<long>(c.taken.size() + (c.name.empty() ? 0 : 1)));
  }
}

}  // namespace
}  // namespace vorlix
