// A named output that appears whole or not at all.
#include "OutputFile.h"
#include "LineReader.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using nolvex::test::ReadFile;
using nolvex::test::WriteFile;

namespace fs = std::filesystem;

void Write(const OutputFile &file, const std::string &text) {
    ASSERT_EQ(::write(file.Fd(), text.data(), text.size()),
              static_cast<ssize_t>(text.size()));
}

/// A fresh directory per test.
fs::path Dir(const char *name) {
    const fs::path dir = fs::path(testing::TempDir()) / "nolvex-output" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::size_t Entries(const fs::path &dir) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(OutputFile, CommitReplacesTheFileAndKeepsItsMode) {
    const fs::path dir = Dir("commit");
    const fs::path path = dir / "pts.txt";
    WriteFile(path, "old\n");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    {
        OutputFile file(path.string());
        Write(file, "new\n");
        // Until the commit the file keeps its old text; the new one is
        // beside it.
        EXPECT_EQ(ReadFile(path), "old\n");
        EXPECT_EQ(fs::path(file.TemporaryPath()).parent_path(), dir);
        EXPECT_EQ(Entries(dir), 2u);
        file.Commit();
    }
    EXPECT_EQ(ReadFile(path), "new\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(Entries(dir), 1u);
}

TEST(OutputFile, UncommittedRunLeavesNothingBehind) {
    const fs::path dir = Dir("discard");
    const fs::path kept = dir / "kept.txt";
    WriteFile(kept, "old\n");
    {
        OutputFile file(kept.string());
        Write(file, "half a file");
    }
    EXPECT_EQ(ReadFile(kept), "old\n");
    {
        OutputFile file((dir / "new.txt").string());
        Write(file, "half a file");
        file.Discard();
    }
    EXPECT_FALSE(fs::exists(dir / "new.txt"));
    EXPECT_EQ(Entries(dir), 1u);
}

TEST(OutputFile, LinkAndDirectoryRefusedDeviceWrittenDirectly) {
    const fs::path dir = Dir("kinds");
    const fs::path target = dir / "target.txt";
    WriteFile(target, "keep\n");
    fs::create_symlink(target, dir / "link.txt");
    fs::create_symlink(dir / "nowhere.txt", dir / "dangling.txt");
    for (const char *name : {"link.txt", "dangling.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(OutputFile((dir / name).string()), IoError);
    }
    EXPECT_THROW(OutputFile(dir.string()), IoError);
    EXPECT_EQ(ReadFile(target), "keep\n");
    EXPECT_FALSE(fs::exists(dir / "nowhere.txt"));
    EXPECT_EQ(Entries(dir), 3u);

    OutputFile null("/dev/null");
    EXPECT_EQ(null.TemporaryPath(), "");
    Write(null, "gone\n");
    EXPECT_NO_THROW(null.Commit());
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

} // namespace
