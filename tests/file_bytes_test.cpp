#include "core/file_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "desktop/temp_dir.h"

namespace tabulox {
namespace {

class FileBytesTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& content) {
    dir_.WriteFile(name, content);
    return dir_.Path() + "/" + name;
  }

  TempDir dir_;
};

// Every byte lands where it belongs, for empty, small and large files.
TEST_F(FileBytesTest, ReadsEveryByteInPlace) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4095},
                                 std::size_t{(9u << 20) + 3}}) {
    std::string content(size, '\0');
    std::uint32_t state = 12345;
    for (char& c : content) {
      state = state * 1103515245u + 12345u;
      c = static_cast<char>(state >> 24);
    }
    const std::string path = Write("f" + std::to_string(size), content);
    FileBytes bytes;
    ASSERT_EQ(ReadFileBytes(path, bytes), 0) << size;
    ASSERT_EQ(bytes.size(), size);
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == content) << size;
    // A large file's room starts on a 2 MiB boundary, so all of it can be
    // huge pages.
    if (size >= kLeastHugePageRoom) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bytes.data()) % (2u << 20), 0u);
    }
  }
}

TEST_F(FileBytesTest, MissingFilesAndFoldersAreMissingSources) {
  FileBytes bytes;
  EXPECT_EQ(ReadFileBytes(dir_.Path() + "/absent", bytes), kSourceMissing);
  EXPECT_EQ(ReadFileBytes(dir_.Path(), bytes), kSourceMissing);
}

// Only what a file held when it was opened is read, so a file that keeps
// growing cannot keep the reading going. Files under /proc report a size of 0
// while they read as text, which pins that down without a race.
TEST_F(FileBytesTest, ReadsNoMoreThanTheSizeAtOpening) {
  FileBytes bytes;
  ASSERT_EQ(ReadFileBytes("/proc/self/status", bytes), 0);
  EXPECT_EQ(bytes.size(), 0u);
}

}  // namespace
}  // namespace tabulox
