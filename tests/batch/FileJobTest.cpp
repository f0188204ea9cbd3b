// A first look at a file before a run: its first lines as a run reads them,
// and a pipe left for the run.
#include "FileJob.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using nolvex::test::WriteFile;

fs::path TestDir(const char *name) {
    const fs::path dir = fs::path(testing::TempDir()) / "nolvex-head" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

struct HeadCase {
    const char *name;
    std::string text;
    std::size_t maxLines, maxBytes;
    std::vector<std::string> lines;
};

TEST(ReadFileHead, LinesAsARunReadsThem) {
    const HeadCase cases[] = {
        {"line ends of both kinds",
         "a,b\r\n1,2\n3,4",
         12,
         1024,
         {"a,b", "1,2", "3,4"}},
        {"a byte-order mark is no part of the heading",
         "\xEF\xBB\xBFlat,lon\n1,2\n",
         12,
         1024,
         {"lat,lon", "1,2"}},
        {"no more lines than asked", "1\n2\n3\n4\n", 2, 1024, {"1", "2"}},
        {"no more bytes than asked", "12345\n67890\n", 12, 8, {"12345", "67"}},
        {"an empty file", "", 12, 1024, {}},
    };
    const fs::path dir = TestDir("lines");
    for (const HeadCase &c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / "f.txt", c.text);
        const FileHead head =
            ReadFileHead((dir / "f.txt").string(), c.maxLines, c.maxBytes);
        EXPECT_TRUE(head.regular);
        EXPECT_EQ(head.error, "");
        EXPECT_EQ(head.lines, c.lines);
    }
}

TEST(ReadFileHead, WhatCannotBeReadSaysWhy) {
    const fs::path dir = TestDir("errors");
    const FileHead missing = ReadFileHead((dir / "none").string(), 12, 1024);
    EXPECT_EQ(missing.error, std::strerror(ENOENT));
    const FileHead folder = ReadFileHead(dir.string(), 12, 1024);
    EXPECT_EQ(folder.error, std::strerror(EISDIR));
    EXPECT_TRUE(folder.lines.empty());
}

// A pipe's lines can be read once: a first look must neither take them
// from the run nor wait for a writer. Should it wait all the same, a writer
// comes after a minute and the test fails instead of hanging.
TEST(ReadFileHead, PipeLeftUnreadForTheRun) {
    const fs::path fifo = TestDir("pipe") / "p.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> done{false}, released{false};
    std::thread release([&] {
        const auto start = std::chrono::steady_clock::now();
        while (!done) {
            if (std::chrono::steady_clock::now() - start >
                std::chrono::seconds(60)) {
                released = true;
                const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0)
                    ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const FileHead head = ReadFileHead(fifo.string(), 12, 1024);
    done = true;
    release.join();
    EXPECT_FALSE(released);
    EXPECT_FALSE(head.regular);
    EXPECT_EQ(head.error, "");
    EXPECT_TRUE(head.lines.empty());
}

} // namespace
