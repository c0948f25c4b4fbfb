// Writing a destination: what counts as existing, what is replaced and how, the
// moment a destination is checked, permissions, long names and signals.
#include "destination/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "desktop/temp_dir.h"

namespace fs = std::filesystem;

namespace tabulox {
namespace {

class DestinationWriting : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.Path() + "/" + name; }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // The names in the folder, so that a temporary file left behind shows.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.Path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  bool MakeFifo(const std::string& name) const { return ::mkfifo(Path(name).c_str(), 0600) == 0; }

  TempDir dir_;
};

using NameList = std::vector<std::string>;

TEST_F(DestinationWriting, AnythingAtThePathExistsAndIsKeptWithoutReplace) {
  dir_.WriteFile("file", "mine");
  fs::create_symlink("file", Path("link"));
  fs::create_symlink("nowhere", Path("dangling"));
  fs::create_directory(Path("folder"));
  ASSERT_TRUE(MakeFifo("fifo"));
  for (const std::string name : {"file", "link", "dangling", "folder", "fifo"}) {
    EXPECT_TRUE(DestinationExists(Path(name))) << name;
    EXPECT_EQ(WriteFileAtomically(Path(name), "text", ExistingDestination::kKeep), AtomicWriteResult::kExists)
        << name;
  }
  EXPECT_FALSE(DestinationExists(Path("absent")));
  EXPECT_EQ(Read("file"), "mine");
  EXPECT_TRUE(fs::is_symlink(Path("dangling")));
  EXPECT_FALSE(fs::exists(Path("nowhere")));
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));
  EXPECT_EQ(Names(), (NameList{"dangling", "fifo", "file", "folder", "link"}));
}

TEST_F(DestinationWriting, ReplacingKeepsLinksAndWritesStreamsInPlace) {
  dir_.WriteFile("file", "old");
  dir_.WriteFile("target", "old");
  fs::create_symlink("target", Path("link"));
  fs::create_symlink("created", Path("dangling"));
  const auto replace = [&](const std::string& name) {
    return WriteFileAtomically(Path(name), "new", ExistingDestination::kReplace);
  };
  EXPECT_EQ(replace("file"), AtomicWriteResult::kOk);
  EXPECT_EQ(Read("file"), "new");
  EXPECT_EQ(replace("link"), AtomicWriteResult::kOk);
  EXPECT_TRUE(fs::is_symlink(Path("link")));
  EXPECT_EQ(Read("target"), "new");
  EXPECT_EQ(replace("dangling"), AtomicWriteResult::kOk);
  EXPECT_TRUE(fs::is_symlink(Path("dangling")));
  EXPECT_EQ(Read("created"), "new");

  ASSERT_TRUE(MakeFifo("fifo"));
  std::string received;
  std::thread reader([&] {
    std::ifstream in(Path("fifo"), std::ios::binary);
    received.assign(std::istreambuf_iterator<char>(in), {});
  });
  EXPECT_EQ(replace("fifo"), AtomicWriteResult::kOk);
  reader.join();
  EXPECT_EQ(received, "new");
  EXPECT_TRUE(fs::is_fifo(Path("fifo")));

  fs::create_directory(Path("folder"));
  EXPECT_EQ(replace("folder"), AtomicWriteResult::kCreateFailed);
  EXPECT_EQ(Names(), (NameList{"created", "dangling", "fifo", "file", "folder", "link", "target"}));
}

// Device nodes of the kinds /dev/null and /dev/full, made where permitted.
TEST_F(DestinationWriting, CharacterDevicesAreWrittenInPlace) {
  if (::mknod(Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
      ::mknod(Path("full").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
    GTEST_SKIP() << "device nodes cannot be made here";
  EXPECT_EQ(WriteFileAtomically(Path("null"), "text", ExistingDestination::kReplace), AtomicWriteResult::kOk);
  EXPECT_EQ(WriteFileAtomically(Path("full"), "text", ExistingDestination::kReplace),
            AtomicWriteResult::kWriteFailed);
  EXPECT_TRUE(fs::is_character_file(Path("null")));
  EXPECT_EQ(Names(), (NameList{"full", "null"}));
}

TEST_F(DestinationWriting, AFileThatAppearsMeanwhileIsReplacedOnlyWithLeave) {
  const auto someoneWrites = [&] { dir_.WriteFile("out.txt", "theirs"); };
  EXPECT_EQ(WriteFileAtomically(Path("out.txt"), "ours", ExistingDestination::kKeep, someoneWrites),
            AtomicWriteResult::kExists);
  EXPECT_EQ(Read("out.txt"), "theirs");
  EXPECT_EQ(Names(), NameList{"out.txt"});

  fs::remove(Path("out.txt"));
  EXPECT_EQ(WriteFileAtomically(Path("out.txt"), "ours", ExistingDestination::kReplace, someoneWrites),
            AtomicWriteResult::kOk);
  EXPECT_EQ(Read("out.txt"), "ours");
  EXPECT_EQ(Names(), NameList{"out.txt"});
}

TEST_F(DestinationWriting, PermissionsAreKeptOrTakenFromTheUmask) {
  dir_.WriteFile("private", "old");
  ASSERT_EQ(::chmod(Path("private").c_str(), 0600), 0);
  ASSERT_EQ(WriteFileAtomically(Path("private"), "new", ExistingDestination::kReplace), AtomicWriteResult::kOk);
  struct stat st {};
  ASSERT_EQ(::stat(Path("private").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);

  const mode_t mask = ::umask(027);
  const AtomicWriteResult created = WriteFileAtomically(Path("new"), "text", ExistingDestination::kKeep);
  ::umask(mask);
  ASSERT_EQ(created, AtomicWriteResult::kOk);
  ASSERT_EQ(::stat(Path("new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(DestinationWriting, NamesAsLongAsTheFolderAllows) {
  for (const std::size_t length : {246, 255}) {
    const std::string name(length, 'n');
    EXPECT_EQ(WriteFileAtomically(Path(name), "text", ExistingDestination::kKeep), AtomicWriteResult::kOk)
        << length;
    EXPECT_EQ(Read(name), "text");
  }
  EXPECT_EQ(Names().size(), 2u);
}

// A signal that comes while the temporary file exists removes it, and the
// process still ends by that signal.
TEST_F(DestinationWriting, SignalsRemoveTheTemporaryFile) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      RemoveTemporaryFilesOnSignals();
      WriteFileAtomically(Path("out.txt"), std::string(1 << 20, 'x'), ExistingDestination::kKeep, [] {
        for (;;) ::pause();
      });
      ::_exit(0);
    }
    // Complete, so that the writer waits before putting it in place.
    bool temporarySeen = false;
    for (int wait = 0; wait < 1000 && !temporarySeen; ++wait) {
      const NameList names = Names();
      temporarySeen = names.size() == 1 && fs::file_size(Path(names[0])) == 1u << 20;
      if (!temporarySeen) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(temporarySeen);
    ::kill(child, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
    EXPECT_EQ(Names(), NameList{}) << signal;
  }
}

}  // namespace
}  // namespace tabulox
