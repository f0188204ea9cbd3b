// A named output that appears whole or not at all.
#include "OutputFile.h"
#include "LineReader.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <grp.h>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
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

// Replacing a file carried its set-user-ID, set-group-ID and sticky bits
// over to the converted text: a replaced setuid program stayed setuid with
// the new content. The permission bits themselves stay the replaced file's.
TEST(OutputFile, ReplacementDropsSetIdAndStickyBits) {
    struct Row {
        mode_t before, after;
    };
    const Row rows[] = {
        {04750, 0750}, {02640, 0640}, {01644, 0644},
        {06711, 0711}, {07777, 0777}, {0600, 0600},
    };
    const fs::path dir = Dir("set-id");
    const fs::path path = dir / "pts.txt";
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << std::oct << row.before);
        WriteFile(path, "old\n");
        struct stat st {};
        ASSERT_EQ(::chmod(path.c_str(), row.before), 0);
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        ASSERT_EQ(st.st_mode & 07777, row.before); // the bits really set
        OutputFile file(path.string());
        Write(file, "new\n");
        file.Commit();
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, row.after)
            << std::oct << (st.st_mode & 07777);
        EXPECT_EQ(ReadFile(path), "new\n");
    }
    EXPECT_EQ(Entries(dir), 1u);
}

/// The longest name the file system takes in @p dir.
std::size_t NameMax(const fs::path &dir) {
    const long max = ::pathconf(dir.c_str(), _PC_NAME_MAX);
    return max > 0 ? static_cast<std::size_t>(max) : 255;
}

std::string Repeat(const std::string &text, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += text;
    return out;
}

// A 250-byte output name failed with "File name too long": the temporary
// file's name, the output's with a dot before it and a random ending after,
// was longer than the file system takes.
TEST(OutputFile, LongNamesFitTheFileSystemsLimit) {
    struct Row {
        const char *what;
        std::string name;
        bool exists;
    };
    const Row rows[] = {
        {"250 bytes", std::string(250, 'a'), false},
        {"255 bytes", std::string(255, 'b'), false},
        {"255 bytes replacing", std::string(255, 'c'), true},
        // A cut after 245 bytes would fall inside a character here.
        {"85 Hangul syllables", Repeat("\xED\x95\x9C", 85), false},
        {"63 emoji and xyz", Repeat("\xF0\x9F\x98\x80", 63) + "xyz", true},
    };
    const fs::path dir = Dir("long-names");
    if (NameMax(dir) != 255) // the limit the rows are made for
        GTEST_SKIP() << "names in " << dir << " are limited to " << NameMax(dir)
                     << " bytes, not 255";
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        const fs::path path = dir / row.name;
        if (row.exists)
            WriteFile(path, "old\n");
        std::unique_ptr<OutputFile> file;
        try {
            file = std::make_unique<OutputFile>(path.string());
        } catch (const IoError &e) {
            ADD_FAILURE() << e.what();
            continue;
        }
        Write(*file, "new\n");
        // The temporary's name: the output's first bytes, whole characters
        // only, between a dot and a dot with a random ending.
        const std::string temp = fs::path(file->TemporaryPath()).filename();
        EXPECT_LE(temp.size(), 255u);
        ASSERT_GT(temp.size(), 10u);
        EXPECT_EQ(temp[0], '.');
        EXPECT_EQ(temp[temp.size() - 9], '.');
        const std::string kept = temp.substr(1, temp.size() - 10);
        EXPECT_EQ(row.name.compare(0, kept.size(), kept), 0) << temp;
        EXPECT_NE(static_cast<unsigned char>(row.name[kept.size()]) & 0xC0,
                  0x80)
            << "cut inside a character after " << kept.size() << " bytes";
        file->Commit();
        file.reset();
        EXPECT_EQ(ReadFile(path), "new\n");
        EXPECT_EQ(Entries(dir), 1u);
        fs::remove(path);
    }
}

constexpr uid_t NOBODY = 65534;

/**
 * What OutputFile says about @p path in a child process that runs as
 * nobody when the tests run as root (where every access check passes), as
 * the current user otherwise: the message of its IoError, or "not refused".
 */
std::string RefusalAsUser(const fs::path &path) {
    int fds[2];
    if (::pipe(fds) != 0)
        return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string text = "not refused";
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(NOBODY) != 0 ||
             ::setuid(NOBODY) != 0)) {
            text = "cannot run as nobody";
        } else {
            try {
                OutputFile file(path.string());
            } catch (const IoError &e) {
                text = e.what();
            }
        }
        const ssize_t written = ::write(fds[1], text.data(), text.size());
        ::_exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return text;
}

struct RefusalCase {
    const char *name;
    mode_t dirMode, fileMode;
    bool othersFile; ///< the file belongs to another user than the writer
    const char *reason, *instead;
};

void PrintTo(const RefusalCase &c, std::ostream *os) { *os << c.name; }

class OutputFileRefusals : public testing::TestWithParam<RefusalCase> {};

// A file the user could not write to was replaced all the same: their own
// read-only file, and another user's file in a folder open to all. A file
// that can be written but not replaced (its folder takes no new file) was
// refused without a word on what to do instead.
TEST_P(OutputFileRefusals, NameTheFileAndSayWhatToDo) {
    const RefusalCase &c = GetParam();
    const bool root = ::geteuid() == 0;
    if (c.othersFile && !root)
        GTEST_SKIP() << "needs a second user: run as root";
    const fs::path dir = Dir(c.name);
    ASSERT_EQ(::chmod(dir.parent_path().c_str(), 0755), 0);
    const fs::path path = dir / "pts.txt";
    WriteFile(path, "old\n");
    ASSERT_EQ(::chmod(path.c_str(), c.fileMode), 0);
    if (root && !c.othersFile) {
        ASSERT_EQ(::chown(path.c_str(), NOBODY, NOBODY), 0);
    }
    ASSERT_EQ(::chmod(dir.c_str(), c.dirMode), 0);
    const std::string message = RefusalAsUser(path);
    ::chmod(dir.c_str(), 0755);
    EXPECT_EQ(message.rfind(path.string() + ": ", 0), 0u) << message;
    EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    EXPECT_NE(message.find(c.instead), std::string::npos) << message;
    EXPECT_EQ(ReadFile(path), "old\n");
    EXPECT_EQ(Entries(dir), 1u);
}

const RefusalCase REFUSAL_CASES[] = {
    {"OwnReadOnlyFile", 0777, 0444, false, "the file is not writable",
     "write to another name"},
    {"AnotherUsersFile", 0777, 0644, true, "the file is not writable",
     "write to another name"},
    {"WritableFileInClosedFolder", 0555, 0644, false,
     "the folder is not writable", "choose a writable folder"},
    // Writable, but in a sticky folder only its owner may rename over it:
    // the rename failed only after the whole run.
    {"OthersWritableFileInStickyFolder", 01777, 0666, true,
     "belongs to another user in a shared folder", "choose another name"},
};

INSTANTIATE_TEST_SUITE_P(Access, OutputFileRefusals,
                         testing::ValuesIn(REFUSAL_CASES),
                         [](const auto &info) {
                             return std::string(info.param.name);
                         });

} // namespace
