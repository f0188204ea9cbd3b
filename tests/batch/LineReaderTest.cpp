// Blocks of whole lines from a file descriptor, and fields of a line.
#include "LineReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

/// A pipe whose write end a thread feeds with @p text and then closes.
struct Pipe {
    int fds[2] = {-1, -1};
    std::thread writer;

    explicit Pipe(std::string text) {
        EXPECT_EQ(pipe(fds), 0);
        writer = std::thread([this, text = std::move(text)] {
            std::size_t done = 0;
            while (done < text.size()) {
                const ssize_t n =
                    write(fds[1], text.data() + done, text.size() - done);
                if (n <= 0)
                    break;
                done += static_cast<std::size_t>(n);
            }
            close(fds[1]);
        });
    }
    ~Pipe() {
        writer.join();
        close(fds[0]);
    }
};

struct Blocks {
    std::vector<std::string> texts;
    std::vector<std::size_t> overlong;
    std::size_t consumed = 0;
};

Blocks ReadAll(const std::string &input, std::size_t blockSize) {
    Pipe pipe(input);
    BlockReader reader(pipe.fds[0], blockSize);
    std::vector<char> buffer;
    BlockText block;
    Blocks blocks;
    while (reader.Next(buffer, block)) {
        blocks.texts.emplace_back(block.text);
        blocks.overlong.push_back(block.overlong);
        blocks.consumed += block.consumed;
    }
    return blocks;
}

TEST(BlockReader, BlocksAreWholeLinesInOrder) {
    std::string input;
    for (int i = 0; i < 5000; ++i)
        input += std::to_string(i) +
                 std::string(static_cast<std::size_t>(i % 37), 'x') + "\n";
    input += "last line without its end";
    for (std::size_t blockSize : {16u, 100u, 4096u, 1u << 20}) {
        SCOPED_TRACE(blockSize);
        const Blocks blocks = ReadAll(input, blockSize);
        std::string joined;
        for (std::size_t i = 0; i < blocks.texts.size(); ++i) {
            const std::string &text = blocks.texts[i];
            ASSERT_FALSE(text.empty());
            if (i + 1 < blocks.texts.size()) {
                EXPECT_EQ(text.back(), '\n');
            }
            EXPECT_EQ(blocks.overlong[i], 0u);
            joined += text;
        }
        EXPECT_EQ(joined, input);
        EXPECT_EQ(blocks.consumed, input.size());
        if (blockSize == 100u) {
            EXPECT_GT(blocks.texts.size(), 100u);
        }
    }
}

TEST(BlockReader, EmptyInputHasNoBlock) {
    EXPECT_TRUE(ReadAll("", 64).texts.empty());
}

TEST(BlockReader, LongLineGrowsTheBlock) {
    const std::string line(5000, 'a');
    const Blocks blocks = ReadAll("1\n" + line + "\n2\n", 64);
    std::string joined;
    for (const auto &text : blocks.texts)
        joined += text;
    EXPECT_EQ(joined, "1\n" + line + "\n2\n");
}

TEST(BlockReader, OverlongLineIsSkippedWhole) {
    const std::string line(MAX_LINE_BYTES + 12345, '7');
    for (const std::string &tail : {std::string("2\n3\n"), std::string()}) {
        SCOPED_TRACE(tail);
        const std::string input = "1\n" + line + "\n" + tail;
        const Blocks blocks = ReadAll(input, 4096);
        std::string joined;
        std::size_t overlong = 0;
        for (std::size_t i = 0; i < blocks.texts.size(); ++i) {
            overlong += blocks.overlong[i];
            if (blocks.overlong[i] != 0) {
                EXPECT_EQ(blocks.texts[i], tail); // what follows the long line
            }
            joined += blocks.texts[i];
        }
        EXPECT_EQ(overlong, 1u);
        EXPECT_EQ(joined, "1\n" + tail);
        EXPECT_EQ(blocks.consumed, input.size());
    }
}

// Two lines over the limit in a row were counted as one: every later line
// number and the failure count were off by one per extra line.
TEST(BlockReader, OverlongLinesInARowEachCount) {
    const std::string line(MAX_LINE_BYTES + 1, '7');
    for (const std::string &tail : {std::string("2\n"), std::string()}) {
        SCOPED_TRACE(tail.size());
        const std::string input = "1\n" + line + "\n" + line + "\n" + line +
                                  (tail.empty() ? "" : "\n") + tail;
        const Blocks blocks = ReadAll(input, 4096);
        std::size_t overlong = 0;
        std::string joined;
        for (std::size_t i = 0; i < blocks.texts.size(); ++i) {
            overlong += blocks.overlong[i];
            joined += blocks.texts[i];
        }
        EXPECT_EQ(overlong, 3u);
        EXPECT_EQ(joined, "1\n" + tail);
        EXPECT_EQ(blocks.consumed, input.size());
    }
}

TEST(BlockReader, StreamedLinesComeBeforeTheEnd) {
    // Lines that arrive on a pipe are handed out without waiting for more.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::mutex mutex;
    std::condition_variable cv;
    bool got = false, closedFirst = false;
    std::thread writer([&] {
        ASSERT_EQ(write(fds[1], "1 2\n3", 5), 5);
        std::unique_lock lock(mutex);
        if (!cv.wait_for(lock, std::chrono::seconds(20), [&] { return got; }))
            closedFirst = true;
        close(fds[1]);
    });
    BlockReader reader(fds[0], 1 << 16);
    std::vector<char> buffer;
    BlockText block;
    ASSERT_TRUE(reader.Next(buffer, block));
    EXPECT_EQ(block.text, "1 2\n");
    {
        std::lock_guard lock(mutex);
        got = true;
        cv.notify_all();
    }
    ASSERT_TRUE(reader.Next(buffer, block));
    EXPECT_EQ(block.text, "3");
    EXPECT_FALSE(reader.Next(buffer, block));
    writer.join();
    close(fds[0]);
    EXPECT_FALSE(closedFirst);
}

TEST(BlockReader, ReadErrorIsReported) {
    BlockReader reader(-1, 64);
    std::vector<char> buffer;
    BlockText block;
    EXPECT_THROW(reader.Next(buffer, block), IoError);
}

struct SplitRow {
    const char *line;
    char delimiter;
    std::vector<std::string> fields;
};

TEST(FieldSplitter, Fields) {
    const SplitRow rows[] = {
        {"a,b,,c", ',', {"a", "b", "", "c"}},
        {",a,", ',', {"", "a", ""}},
        {"", ',', {""}},
        {"a; b ;c", ';', {"a", " b ", "c"}},
        {"a\tb c\t", '\t', {"a", "b c", ""}},
        {"  a \t b\t\tc  ", 0, {"a", "b", "c"}},
        {"   ", 0, {}},
        {"a", 0, {"a"}},
    };
    std::vector<std::string_view> fields;
    for (const SplitRow &row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_TRUE(FieldSplitter{row.delimiter}.Split(row.line, fields));
        EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.end()),
                  row.fields);
    }
}

TEST(FieldSplitter, QuotedFieldsAsInRfc4180) {
    const SplitRow rows[] = {
        {"\"Seoul, City Hall\",37.5663,126.9779",
         ',',
         {"\"Seoul, City Hall\"", "37.5663", "126.9779"}},
        {"\"a \"\"b\"\"\",1", ',', {"\"a \"\"b\"\"\"", "1"}},
        {"\"\",x,", ',', {"\"\"", "x", ""}},
        {"1;\"x;y\" ;2", ';', {"1", "\"x;y\" ", "2"}},
        {"\"Seoul City\" 37.5 127.5", 0, {"\"Seoul City\"", "37.5", "127.5"}},
        // A quote inside a field is a seconds mark, not quoting.
        {"37\u00B028'54\",127", ',', {"37\u00B028'54\"", "127"}},
    };
    std::vector<std::string_view> fields;
    for (const SplitRow &row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_TRUE(FieldSplitter{row.delimiter}.Split(row.line, fields));
        EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.end()),
                  row.fields);
    }
    // Not closed on the line, or text after the closing quote.
    const std::pair<const char *, char> bad[] = {{"\"open,1", ','},
                                                 {"\"a\"b,1", ','},
                                                 {"1,\"x\"\"", ','},
                                                 {"\"a\"x 1", 0}};
    for (const auto &[line, delimiter] : bad) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(FieldSplitter{delimiter}.Split(line, fields));
    }
}

namespace {

/// The splitting rules of FieldSplitter::Split, written plainly, byte by
/// byte: the fields, and where the plain fields (digits, ".", "+", "-",
/// blanks) start; nothing when the line does not split.
std::optional<std::pair<std::vector<std::string>, std::size_t>>
ReferenceSplit(const std::string &line, char delimiter) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::vector<std::string> fields;
    std::size_t i = 0;
    const std::size_t n = line.size();
    for (;;) {
        if (delimiter == 0) {
            while (i < n && blank(line[i]))
                ++i;
            if (i == n)
                break;
        }
        std::size_t j = i;
        while (delimiter != 0 && j < n && blank(line[j]))
            ++j;
        if (j < n && line[j] == '"') {
            ++j;
            for (;;) { // to the closing quote, "" being a quote
                if (j == n)
                    return std::nullopt;
                if (line[j] == '"' && j + 1 < n && line[j + 1] == '"')
                    j += 2;
                else if (line[j] == '"')
                    break;
                else
                    ++j;
            }
            ++j;
            while (delimiter != 0 && j < n && blank(line[j]))
                ++j;
            if (j < n &&
                !(delimiter != 0 ? line[j] == delimiter : blank(line[j])))
                return std::nullopt;
        } else {
            while (j < n &&
                   !(delimiter != 0 ? line[j] == delimiter : blank(line[j])))
                ++j;
        }
        fields.push_back(line.substr(i, j - i));
        if (j == n)
            break;
        i = j + 1;
        if (delimiter != 0 && i == n) {
            fields.emplace_back();
            break;
        }
    }
    std::size_t plainFrom = fields.size();
    while (plainFrom > 0 && fields[plainFrom - 1].find_first_not_of(
                                "0123456789.+- \t") == std::string::npos)
        --plainFrom;
    return std::make_pair(fields, plainFrom);
}

} // namespace

// Random lines of 0 to 100 bytes (where the splitter looks at 16 bytes at
// once and where it goes byte by byte) of numbers, blanks, delimiters,
// quotes and letters, split as the rules say (fixed seed).
TEST(FieldSplitter, RandomLinesSplitByTheRules) {
    std::mt19937_64 random(4180);
    const std::string alphabets[] = {"0123456789.+-  \t",
                                     "0123456789.+- \t,;\"aN\xB0"};
    std::vector<std::string_view> fields;
    for (int i = 0; i < 400000; ++i) {
        const std::string &alphabet = alphabets[i % 2];
        std::string line(random() % 101, ' ');
        for (char &c : line)
            c = alphabet[random() % alphabet.size()];
        const char delimiter = "\0\0,;\t"[random() % 5];
        SCOPED_TRACE(line);
        const auto expected = ReferenceSplit(line, delimiter);
        std::size_t plainFrom = 12345;
        const bool split =
            FieldSplitter{delimiter}.Split(line, fields, plainFrom);
        ASSERT_EQ(split, expected.has_value());
        if (!split)
            continue;
        ASSERT_EQ(std::vector<std::string>(fields.begin(), fields.end()),
                  expected->first);
        ASSERT_EQ(plainFrom, expected->second);
        ASSERT_TRUE(FieldSplitter{delimiter}.Split(line, fields));
        ASSERT_EQ(std::vector<std::string>(fields.begin(), fields.end()),
                  expected->first);
    }
}

TEST(Unquote, QuotesOffAndDoubledQuotesOne) {
    const std::pair<const char *, const char *> rows[] = {
        {"\"Seoul, City Hall\"", "Seoul, City Hall"},
        {" \"a \"\"b\"\"\" ", "a \"b\""},
        {"\"\"", ""},
        {" 37.5 ", "37.5"},
        {"37\u00B028'54\"", "37\u00B028'54\""},
    };
    std::string scratch;
    for (const auto &[field, text] : rows) {
        SCOPED_TRACE(field);
        EXPECT_EQ(Unquote(field, scratch), text);
    }
}

TEST(DetectDelimiter, TabThenSemicolonThenCommaThenBlanks) {
    const std::pair<const char *, char> rows[] = {
        {"1\t37.5,2;3", '\t'},
        {"1;37,5;127", ';'},
        {"a,b c", ','},
        {"37.5 127.5", 0},
        {"37.5", 0},
        {"37\u00B028'54\" 127\u00B00'1\"", 0},
        {"\"Seoul; x\",37.5,127.5", ','},
        {"\"a\tb\" 1", 0},
    };
    for (const auto &[line, delimiter] : rows) {
        SCOPED_TRACE(line);
        EXPECT_EQ(DetectDelimiter(line), delimiter);
    }
}

TEST(IsPassThroughLine, BlankAndCommentLines) {
    for (const char *line : {"", "   ", "\t\r", "#", "# note", "  #x", "\r"})
        EXPECT_TRUE(IsPassThroughLine(line)) << line;
    for (const char *line : {"1 2", " x#", "-#", ";"})
        EXPECT_FALSE(IsPassThroughLine(line)) << line;
}

} // namespace

namespace {

// A quoted field may hold line ends: a block never ends inside one, in any
// cut of the input into blocks, and a quote the input never closes leaves
// the rest to be read line by line.
TEST(BlockReader, BlocksEndBetweenRecords) {
    const std::string records[] = {"n,lat,lon\n", "\"Seoul\nCity Hall\",37.5,127\n",
                                   "\"a\"\"\nb\",1,2\r\n", "plain,3,4\n",
                                   "\"x\ny\nz\",5,6\n"};
    std::string input;
    for (int i = 0; i < 40; ++i)
        input += records[i % 5];
    for (std::size_t blockSize : {8u, 16u, 33u, 4096u}) {
        SCOPED_TRACE(blockSize);
        const Blocks blocks = ReadAll(input, blockSize);
        std::string joined;
        for (const std::string &text : blocks.texts) {
            joined += text;
            // Each block is whole records: it ends where one ends.
            std::size_t at = 0;
            while (at < text.size()) {
                const std::size_t length =
                    RecordLength(std::string_view(text).substr(at), ',', true);
                ASSERT_NE(length, std::string_view::npos) << text;
                at += length;
            }
        }
        EXPECT_EQ(joined, input);
    }
}

TEST(BlockReader, QuoteNeverClosedLeavesTheRestToLines) {
    Pipe pipe("a,1\n\"open,2\nb,3\nc,4\n");
    BlockReader reader(pipe.fds[0], 8);
    std::vector<char> buffer;
    BlockText block;
    std::string lines;
    bool lineRecords = false;
    while (reader.Next(buffer, block)) {
        lines += block.text;
        lineRecords = lineRecords || block.lineRecords;
    }
    EXPECT_EQ(lines, "a,1\n\"open,2\nb,3\nc,4\n");
    EXPECT_TRUE(lineRecords);
}

TEST(RecordLength, QuotesOpenOnlyWhereAFieldStarts) {
    const struct {
        const char *text;
        char delimiter;
        bool known;
        std::size_t length; // npos: no end in the text
    } rows[] = {
        {"a,b\nc\n", ',', true, 4},
        {"\"a\nb\",c\nd\n", ',', true, 8},
        {" \"a\nb\",c\nd\n", ',', true, 9},  // blanks before the quote
        {"x, \"a\nb\"\n", ',', true, 9},
        {"x;\"a\nb\"\n", ',', true, 5},      // ';' is no delimiter here
        {"x;\"a\nb\"\n", 0, false, 8},       // but may be one while unknown
        {"37°28'54\"N\n127\"\n", 0, false, 12},    // a seconds mark
        {"\"a\"\"\nb\"\n", ',', true, 8},    // "" inside quotes
        {"# \"quoted\ncomment\n", ',', true, 10}, // comments are lines
        {"\"never closed\nx\n", ',', true, std::string_view::npos},
        {"no line end", ',', true, std::string_view::npos},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(RecordLength(row.text, row.delimiter, row.known), row.length);
    }
}

TEST(FieldSplitter, MoreThanMaxFieldsRefusedWithoutGrowingFurther) {
    std::vector<std::string_view> fields;
    const std::string most(MAX_FIELDS - 1, ',');
    EXPECT_TRUE(FieldSplitter{','}.Split(most, fields));
    EXPECT_EQ(fields.size(), MAX_FIELDS);
    const std::string wider(4 * MAX_FIELDS, ',');
    EXPECT_FALSE(FieldSplitter{','}.Split(wider, fields));
    EXPECT_EQ(fields.size(), MAX_FIELDS + 1);
}

} // namespace
