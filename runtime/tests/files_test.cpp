// Files: text-mode CR LF folding, reads across the 4 MiB boundary, relative
// seeks over folded pairs, long paths, and CompareStrings.
#include <ostream>
#include <random>

#include "contract.h"
#include "cp1251.h"

namespace {

using contract::readFile;
using contract::tempDir;
using contract::writeFile;

constexpr int kWindow = 4194304;  // the net-list reader's request size

std::string fold(const std::string& raw) {
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        out += raw[i];
    }
    return out;
}

// Reads the whole file in requests of `chunk` bytes.
std::string readAll(int handle, int chunk) {
    std::string out, buf(static_cast<size_t>(chunk), '\0');
    for (;;) {
        int n = CVI_ReadFile(handle, buf.data(), chunk);
        EXPECT_GE(n, 0);
        if (n <= 0) break;
        out.append(buf.data(), static_cast<size_t>(n));
    }
    return out;
}

struct FoldCase {
    const char* name;
    std::string raw;
    int chunk;
};

std::ostream& operator<<(std::ostream& os, const FoldCase& c) { return os << c.name; }

class TextModeReading : public ::testing::TestWithParam<FoldCase> {};

TEST_P(TextModeReading, DeliversCrLfAsLfAndEverythingElseUnchanged) {
    const FoldCase& c = GetParam();
    std::string path = tempDir() + "/in.txt";
    writeFile(path, c.raw);
    int h = CVI_OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    ASSERT_GT(h, 0);
    EXPECT_EQ(readAll(h, c.chunk), fold(c.raw));
    EXPECT_EQ(CVI_CloseFile(h), 0);
    h = CVI_OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_BINARY);
    ASSERT_GT(h, 0);
    EXPECT_EQ(readAll(h, c.chunk), c.raw) << "binary mode changes nothing";
    CVI_CloseFile(h);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextModeReading,
    ::testing::Values(FoldCase{"pair", "a\r\nb", 100}, FoldCase{"lone_cr", "a\rb", 100},
                      FoldCase{"cr_cr_lf", "a\r\r\nb", 100}, FoldCase{"lf_cr", "a\n\rb", 100},
                      FoldCase{"pair_split_by_chunk", "ab\r\ncd", 3},
                      FoldCase{"lone_cr_at_chunk_end", "ab\rcd", 3},
                      FoldCase{"cr_at_chunk_end_then_cr_lf", "ab\r\r\nd", 3},
                      FoldCase{"cr_at_end_of_file", "ab\r", 3}, FoldCase{"only_pairs", "\r\n\r\n\r\n", 1},
                      FoldCase{"single_byte_reads", "x\r\ny\rz\n\r\n", 1}, FoldCase{"empty", "", 10},
                      FoldCase{"high_bytes", std::string("\xC0\r\n\xFF\x98\r", 6), 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextModeReadingWindow, CrLfSplitAcrossTheFourMebibyteBoundaryIsOneLf) {
    std::string raw(kWindow - 1, 'a');
    raw += "\r\ntail\r\n";
    std::string path = tempDir() + "/big.net";
    writeFile(path, raw);
    int h = CVI_OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    ASSERT_GT(h, 0);
    std::string buf(kWindow, '\0');
    int n = CVI_ReadFile(h, buf.data(), kWindow);
    ASSERT_EQ(n, kWindow);
    EXPECT_EQ(buf[kWindow - 1], '\n');
    EXPECT_EQ(buf[kWindow - 2], 'a');
    n = CVI_ReadFile(h, buf.data(), kWindow);
    ASSERT_EQ(n, 5);
    EXPECT_EQ(buf.substr(0, 5), "tail\n");
    EXPECT_EQ(CVI_ReadFile(h, buf.data(), kWindow), 0);
    CVI_CloseFile(h);
}

TEST(TextModeReadingWindow, LoneCrAtTheBoundaryStaysACrAndTheNextByteComesNext) {
    std::string raw(kWindow - 1, 'b');
    raw += "\rX";
    std::string path = tempDir() + "/cr.net";
    writeFile(path, raw);
    int h = CVI_OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    ASSERT_GT(h, 0);
    std::string buf(kWindow, '\0');
    ASSERT_EQ(CVI_ReadFile(h, buf.data(), kWindow), kWindow);
    EXPECT_EQ(buf[kWindow - 1], '\r');
    EXPECT_EQ(SetFilePtr(h, 0, 1), kWindow);
    ASSERT_EQ(CVI_ReadFile(h, buf.data(), kWindow), 1);
    EXPECT_EQ(buf[0], 'X');
    CVI_CloseFile(h);
}

TEST(TextModeSeeking, MovingBackByTheCountJustReadDeliversTheSameBytes) {
    std::string raw = "ab\r\ncd\r\n\r\nef\rg\r\n";
    std::string path = tempDir() + "/seek.txt";
    writeFile(path, raw);
    int h = CVI_OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    ASSERT_GT(h, 0);
    char first[8] = {}, again[8] = {};
    ASSERT_EQ(CVI_ReadFile(h, first, 7), 7);
    EXPECT_EQ(std::string(first, 7), "ab\ncd\n\n");
    EXPECT_EQ(SetFilePtr(h, -7, 1), 0);
    ASSERT_EQ(CVI_ReadFile(h, again, 7), 7);
    EXPECT_EQ(std::string(again, 7), std::string(first, 7));
    EXPECT_EQ(SetFilePtr(h, -3, 1), 5) << "back over two folded pairs and 'd'";
    ASSERT_EQ(CVI_ReadFile(h, again, 1), 1);
    EXPECT_EQ(again[0], 'd');
    EXPECT_EQ(SetFilePtr(h, 2, 1), 10) << "forward over two folded pairs";
    EXPECT_EQ(SetFilePtr(h, 3, 0), 3) << "absolute positions are file offsets";
    EXPECT_EQ(SetFilePtr(h, -1, 2), static_cast<long>(raw.size()) - 1);
    CVI_CloseFile(h);
}

// Random files of a, CR and LF; random reads and relative or absolute seeks,
// checked against the folded text and the raw offset of each delivered byte.
TEST(TextModeSeeking, RandomReadsAndSeeksMatchAStraightforwardReference) {
    std::mt19937 rng(20261207);
    std::string dir = tempDir();
    for (int round = 0; round < 60; ++round) {
        std::string raw;
        int size = std::uniform_int_distribution<int>(0, 300)(rng);
        for (int i = 0; i < size; ++i) raw += "a\r\n"[std::uniform_int_distribution<int>(0, 2)(rng)];
        std::string path = dir + "/r" + std::to_string(round);
        writeFile(path, raw);
        std::string folded;
        std::vector<long> offsetOf;  // raw offset of each delivered byte, plus the end
        for (size_t i = 0; i < raw.size(); ++i) {
            offsetOf.push_back(static_cast<long>(i));
            if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
            folded += raw[i];
        }
        offsetOf.push_back(static_cast<long>(raw.size()));
        int h = CVI_OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
        ASSERT_GT(h, 0);
        long at = 0;  // delivered position
        for (int step = 0; step < 80; ++step) {
            int op = std::uniform_int_distribution<int>(0, 3)(rng);
            long total = static_cast<long>(folded.size());
            if (op <= 1) {
                int n = std::uniform_int_distribution<int>(1, 40)(rng);
                char buf[64];
                int got = CVI_ReadFile(h, buf, n);
                long expect = std::min<long>(n, total - at);
                // A read may deliver fewer bytes than asked when pairs fold.
                ASSERT_LE(got, expect) << "round " << round << " step " << step;
                ASSERT_TRUE(got > 0 || expect == 0);
                ASSERT_EQ(std::string(buf, static_cast<size_t>(got)), folded.substr(static_cast<size_t>(at), static_cast<size_t>(got)));
                at += got;
            } else if (op == 2) {
                long back = std::uniform_int_distribution<long>(-at, total - at)(rng);
                ASSERT_EQ(SetFilePtr(h, back, 1), offsetOf[static_cast<size_t>(at + back)]);
                at += back;
            } else {
                long target = std::uniform_int_distribution<long>(0, total)(rng);
                ASSERT_EQ(SetFilePtr(h, offsetOf[static_cast<size_t>(target)], 0), offsetOf[static_cast<size_t>(target)]);
                at = target;
            }
        }
        CVI_CloseFile(h);
    }
}

TEST(Files, TextModeWritesBytesUnchangedAndTruncateEmptiesTheFile) {
    std::string path = tempDir() + "/out.cha";
    writeFile(path, "old content that is long");
    int h = CVI_OpenFile(path.c_str(), VAL_WRITE_ONLY, VAL_TRUNCATE, VAL_ASCII);
    ASSERT_GT(h, 0);
    EXPECT_EQ(CVI_WriteFile(h, "1 N\r\n2\n", 7), 7);
    EXPECT_EQ(CVI_CloseFile(h), 0);
    EXPECT_EQ(readFile(path), "1 N\r\n2\n");
    h = CVI_OpenFile(path.c_str(), VAL_WRITE_ONLY, VAL_APPEND, VAL_BINARY);
    ASSERT_GT(h, 0);
    EXPECT_EQ(CVI_WriteFile(h, "x", 1), 1);
    CVI_CloseFile(h);
    EXPECT_EQ(readFile(path), "1 N\r\n2\nx");
}

TEST(Files, PathsLongerThanTheOldLimitWork) {
    std::string dir = tempDir();
    for (int i = 0; i < 6; ++i) {
        dir += "/" + std::string(60, static_cast<char>('a' + i));
        ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    }
    std::string path = dir + "/net list with spaces.net";
    ASSERT_GT(path.size(), 260u);
    int h = CVI_OpenFile(path.c_str(), VAL_READ_WRITE, VAL_TRUNCATE, VAL_BINARY);
    ASSERT_GT(h, 0);
    EXPECT_EQ(CVI_WriteFile(h, "abc", 3), 3);
    EXPECT_EQ(SetFilePtr(h, 0, 0), 0);
    char buf[4] = {};
    EXPECT_EQ(CVI_ReadFile(h, buf, 3), 3);
    EXPECT_STREQ(buf, "abc");
    CVI_CloseFile(h);
}

// A path is Windows-1251 text; the file on disk has the UTF-8 name.
TEST(Files, PathsInWindows1251NameFilesWithUtf8Names) {
    using namespace cp1251::literals;
    const std::string root = tempDir();
    const std::string dir = root + "/папка";  // this source is UTF-8: the system's name
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    writeFile(dir + "/цепи.net", "net list");
    const std::string path = root + "/"_cp1251 + "папка/цепи.net"_cp1251;
    int h = CVI_OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
    ASSERT_GT(h, 0);
    EXPECT_EQ(readAll(h, 64), "net list");
    CVI_CloseFile(h);
    const std::string out = root + "/"_cp1251 + "папка/список.cha"_cp1251;
    h = CVI_OpenFile(out.c_str(), VAL_WRITE_ONLY, VAL_TRUNCATE, VAL_ASCII);
    ASSERT_GT(h, 0);
    EXPECT_EQ(CVI_WriteFile(h, "1 N\n", 4), 4);
    CVI_CloseFile(h);
    EXPECT_EQ(readFile(dir + "/список.cha"), "1 N\n") << "created under the UTF-8 name";
}

TEST(Files, FailuresAreResultsNotCrashes) {
    std::string missing = tempDir() + "/none/such.net";
    EXPECT_LE(CVI_OpenFile(missing.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII), 0);
    EXPECT_LE(CVI_OpenFile(nullptr, VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII), 0);
    EXPECT_LE(CVI_OpenFile(tempDir().c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII), 0) << "a folder";
    char buf[4];
    EXPECT_EQ(CVI_ReadFile(9999, buf, 4), -1);
    EXPECT_EQ(CVI_WriteFile(-1, buf, 4), -1);
    EXPECT_EQ(SetFilePtr(0, 0, 0), -1);
    EXPECT_NE(CVI_CloseFile(12345), 0);
    std::string path = tempDir() + "/f";
    writeFile(path, "abc");
    int h = CVI_OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_BINARY);
    ASSERT_GT(h, 0);
    EXPECT_EQ(SetFilePtr(h, -10, 1), -1);
    EXPECT_EQ(SetFilePtr(h, 0, 7), -1);
    EXPECT_EQ(CVI_ReadFile(h, buf, 0), 0);
    EXPECT_EQ(CVI_CloseFile(h), 0);
    EXPECT_EQ(CVI_ReadFile(h, buf, 1), -1) << "a closed handle is gone";
}

struct CompareCase {
    const char* a;
    int ia;
    const char* b;
    int ib;
    int caseSensitive;
    int sign;
};

std::ostream& operator<<(std::ostream& os, const CompareCase& c) {
    return os << '"' << c.a << "\"+" << c.ia << " vs \"" << c.b << "\"+" << c.ib << (c.caseSensitive ? " exact" : " nocase");
}

class CompareStringsTable : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareStringsTable, GivesTheSignOfTheComparison) {
    const CompareCase& c = GetParam();
    int r = CompareStrings(c.a, c.ia, c.b, c.ib, c.caseSensitive);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " / " << c.b;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareStringsTable,
    ::testing::Values(CompareCase{"NETS", 0, "nets", 0, 0, 0}, CompareCase{"NETS", 0, "nets", 0, 1, -1},
                      CompareCase{"xxNODE", 2, "node", 0, 0, 0}, CompareCase{"abc", 0, "abd", 0, 0, -1},
                      CompareCase{"abc", 0, "ab", 0, 0, 1}, CompareCase{"", 0, "", 0, 1, 0},
                      CompareCase{"\xC0\xC1", 0, "\xE0\xE1", 0, 0, 0},  // АБ vs аб
                      CompareCase{"\xA8", 0, "\xB8", 0, 0, 0},          // Ё vs ё
                      CompareCase{"abc", 5, "", 0, 1, 0}));

}  // namespace
