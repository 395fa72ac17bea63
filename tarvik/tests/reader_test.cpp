// Tests of the input reader: window loading and refills, line and block reads,
// the step back, CR LF folding and the progress value; and decoders on files
// larger than one window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "decoders.h"
#include "reader.h"
#include "shell.h"
#include "support.h"
#include "uirt.h"

namespace tarvik::test {
namespace {

// Bytes whose value tells their position (no LF, no CR).
std::string Pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t k = 0; k < size; ++k) s[k] = static_cast<char>('A' + (k * 7 + k / 251) % 26);
    return s;
}

class Reader : public testing::Test {
protected:
    int Open(const std::string& bytes) {
        file_ = CVI_OpenFile(WriteTemp(bytes, "reader.bin").c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
        return file_;
    }
    void TearDown() override { CVI_CloseFile(file_); }
    int file_ = 0;
};

TEST_F(Reader, SmallFileIsLoadedWholeAndZeroTerminated) {
    const int f = Open("ABCDEF");
    InitReadF(f);
    EXPECT_EQ(R.BufLen, 6);
    EXPECT_EQ(R.BufPos, 0);
    EXPECT_STREQ(R.FileBuf, "ABCDEF");
}

TEST_F(Reader, EmptyFileGivesNothingToEveryRead) {
    const int f = Open("");
    InitReadF(f);
    char c = 'x';
    EXPECT_EQ(ReadF1(f, &c), 0);
    EXPECT_EQ(c, 'x');
    char block[8];
    EXPECT_EQ(ReadF(f, block, 4), 0);
    ByteBuf line;
    EXPECT_EQ(ReadFstr(f, line), 0);
}

TEST_F(Reader, ReadFstrStopsAfterLfAndReturnsLastLineWithout) {
    const int f = Open("AB\nAB");
    InitReadF(f);
    ByteBuf line;
    ASSERT_EQ(ReadFstr(f, line), 3);
    EXPECT_EQ(std::string(line.p, 3), "AB\n");
    ASSERT_EQ(ReadFstr(f, line), 2);
    EXPECT_EQ(std::string(line.p, 2), "AB");
    EXPECT_EQ(ReadFstr(f, line), 0);
}

TEST_F(Reader, CrLfArrivesAsLfAndLoneCrStays) {
    const int f = Open("A\r\nB\rC\r\n");
    InitReadF(f);
    std::string got;
    char c;
    while (ReadF1(f, &c)) got += c;
    EXPECT_EQ(got, "A\nB\rC\n");
}

TEST_F(Reader, StepBackAfterLookAheadDeliversTheSameBytes) {
    const int f = Open("(nodes x");
    InitReadF(f);
    char c, block[8] = {};
    ASSERT_EQ(ReadF1(f, &c), 1);
    ASSERT_EQ(ReadF(f, block, 4), 4);
    EXPECT_EQ(std::string(block, 4), "node");
    MoveFptr(f, -4);
    ASSERT_EQ(ReadF1(f, &c), 1);
    EXPECT_EQ(c, 'n');
}

TEST_F(Reader, BlockStraddlingTheWindowEndArrivesWhole) {
    const std::string bytes = Pattern(kWindowSize + 10);
    const int f = Open(bytes);
    InitReadF(f);
    ASSERT_EQ(R.BufLen, kWindowSize);
    R.BufPos = R.BufLen - 2;
    char block[8] = {};
    ASSERT_EQ(ReadF(f, block, 4), 4);
    EXPECT_EQ(std::string(block, 4), bytes.substr(kWindowSize - 2, 4));
    EXPECT_EQ(R.FileBuf[R.BufLen], 0);
    MoveFptr(f, -4);
    char c;
    ASSERT_EQ(ReadF1(f, &c), 1);
    EXPECT_EQ(c, bytes[kWindowSize - 2]);
}

TEST_F(Reader, BlockAtTheEndOfTheFileIsShort) {
    const int f = Open(Pattern(kWindowSize));
    InitReadF(f);
    R.BufPos = R.BufLen - 2;
    char block[8];
    EXPECT_EQ(ReadF(f, block, 4), 2);
}

TEST_F(Reader, StepBackBeforeTheWindowSeeksTheFile) {
    const std::string bytes = Pattern(kWindowSize + 100);
    const int f = Open(bytes);
    InitReadF(f);
    R.BufPos = R.BufLen;
    char c;
    ASSERT_EQ(ReadF1(f, &c), 1);  // refills: the window now starts at kWindowSize
    EXPECT_EQ(c, bytes[kWindowSize]);
    EXPECT_EQ(R.BufLen, 100);
    MoveFptr(f, -5);
    EXPECT_EQ(R.BufLen, 0);
    std::string got;
    for (int k = 0; k < 8 && ReadF1(f, &c); ++k) got += c;
    EXPECT_EQ(got, bytes.substr(kWindowSize - 4, 8));
}

TEST_F(Reader, ByteAndLineReadsDeliverEveryByteAcrossRefills) {
    std::string bytes;
    for (int k = 0; bytes.size() < kWindowSize * 2 + 1000; ++k) bytes += "line " + std::to_string(k) + " of the file\n";
    const int f = Open(bytes);
    InitReadF(f);
    std::string byBytes;
    char c;
    while (ReadF1(f, &c)) byBytes += c;
    EXPECT_TRUE(byBytes == bytes);
    InitReadF(f);
    std::string byLines;
    ByteBuf line;
    for (long long got; (got = ReadFstr(f, line)) > 0;) byLines.append(line.p, static_cast<std::size_t>(got));
    EXPECT_TRUE(byLines == bytes);
}

struct ProgressCase {
    long long windowEnd;
    int pos, len;
    long long size;
    int before;  // value shown before in the same attempt
    int value;
};
void PrintTo(const ProgressCase& c, std::ostream* os) {
    *os << c.windowEnd - c.len + c.pos << "_of_" << c.size << "_after_" << (c.before < 0 ? "none" : std::to_string(c.before));
}
class ProgressValue : public testing::TestWithParam<ProgressCase> {};
TEST_P(ProgressValue, IsTheTruncatedShareOfTheFileNeverLessThanBefore) {
    const ProgressCase c = GetParam();
    R.LastProgress = c.before;
    R.WindowEnd = c.windowEnd;
    R.BufPos = c.pos;
    R.BufLen = c.len;
    R.FileSize = c.size;
    SetCtrlVal(S.ProgressPanel, kProgressValue, c.before < 0 ? 0 : c.before);
    Progress();
    int shown = -1;
    GetCtrlVal(S.ProgressPanel, kProgressValue, &shown);
    EXPECT_EQ(shown, c.value);
    EXPECT_EQ(R.LastProgress, c.value);
}
INSTANTIATE_TEST_SUITE_P(Reader, ProgressValue,
                         testing::Values(ProgressCase{3, 3, 3, 3, -1, 100}, ProgressCase{3, 1, 3, 3, -1, 33},
                                         ProgressCase{3, 2, 3, 3, -1, 66}, ProgressCase{7, 0, 7, 7, -1, 0},
                                         ProgressCase{200, 199, 200, 200, -1, 99},
                                         // The second window of a file of three: a third and more.
                                         ProgressCase{200, 1, 100, 300, -1, 33},
                                         ProgressCase{300, 50, 100, 300, 66, 83},
                                         // A step back before the window: the bar stays.
                                         ProgressCase{120, 0, 0, 300, 41, 41},
                                         // Text mode: CR LF folded, more delivered than counted.
                                         ProgressCase{300, 100, 100, 290, -1, 100},
                                         ProgressCase{0, 0, 0, 0, -1, 0}),
                         [](const testing::TestParamInfo<ProgressCase>& info) { return testing::PrintToString(info.param); });

std::vector<int> progressSeen;
void RecordProgress(int value) { progressSeen.push_back(value); }

TEST(ReaderProgress, DecoderReportsItWhenEachChainLineBegins) {
    const std::string input = "PARTS\nNETS\nA = U1/1 ;\nBB = U2/2 ;\nCCC = U3/3 ;\n";
    std::vector<int> expected;
    for (std::size_t at = input.find(" = "); at != std::string::npos; at = input.find(" = ", at + 1))
        expected.push_back(static_cast<int>(100.0 * static_cast<double>(at + 2) / static_cast<double>(input.size())));
    progressSeen.clear();
    R.OnProgress = RecordProgress;
    const Decoded d = Decode(DecodeORCAD, input);
    R.OnProgress = nullptr;
    EXPECT_EQ(d.lines.size(), 3u);
    EXPECT_EQ(progressSeen, expected);
    int shown = -1;
    GetCtrlVal(S.ProgressPanel, kProgressValue, &shown);
    EXPECT_EQ(shown, expected.back());
}

// ---- Decoders on files larger than one window ----------------------------------

TEST(LargeFile, OrcadNetsAcrossRefillsAreAllDecoded) {
    progressSeen.clear();
    R.OnProgress = RecordProgress;
    std::string input = "PARTS\nNETS\n";
    std::vector<std::string> expected;
    for (int k = 1; input.size() < kWindowSize + kWindowSize / 2; ++k) {
        input += "NET" + std::to_string(k) + " = U" + std::to_string(k) + "/1 R" + std::to_string(k) + "/2 ;\n";
        expected.push_back("#" + std::to_string(k) + " \"NET" + std::to_string(k) + "\" = U" + std::to_string(k) + ":1, R" +
                           std::to_string(k) + ":2;");
    }
    const Decoded d = Decode(DecodeORCAD, input);
    R.OnProgress = nullptr;
    EXPECT_EQ(d.result, 0);
    ASSERT_EQ(d.lines.size(), expected.size());
    EXPECT_TRUE(d.lines == expected);
    // The bar shows the share of the whole file: it runs up once, across the refill.
    ASSERT_FALSE(progressSeen.empty());
    EXPECT_TRUE(std::is_sorted(progressSeen.begin(), progressSeen.end()));
    EXPECT_LE(progressSeen.front(), 1);
    EXPECT_EQ(progressSeen.back(), 99);
    EXPECT_NE(std::find(progressSeen.begin(), progressSeen.end(), 66), progressSeen.end());
}

// The file is padded so that the look-ahead after "(" straddles the window's end.
std::string AccelWithParenAt(int at, const std::string& tail) {
    std::string input = "ACCEL_ASCII\n";
    input.resize(static_cast<std::size_t>(at), ' ');
    return input + tail;
}

TEST(LargeFile, AccelNetKeywordStraddlingTheWindowEnd) {
    for (int before = 1; before <= 5; ++before) {
        const Decoded d = Decode(DecodeACCEL, AccelWithParenAt(kWindowSize - before,
                                                               "(net \"A\" (node \"U1\" \"1\"))\n"));
        EXPECT_EQ(d.result, 0) << before;
        EXPECT_EQ(d.lines, std::vector<std::string>{"#1 \"A\" = U1:1;"}) << before;
    }
}

TEST(LargeFile, AccelRejectedLookAheadStraddlingTheWindowEndIsScannedAgain) {
    for (int before = 1; before <= 6; ++before) {
        // "(nodes" is refused and stepped back over; its bytes then hold "(node ".
        const Decoded d = Decode(DecodeACCEL, AccelWithParenAt(kWindowSize - 40 - before, "") +
                                                  std::string(40 - 9, ' ') + "(net \"A\" (nodes)(node \"U1\" \"1\"))");
        EXPECT_EQ(d.result, 0) << before;
        EXPECT_EQ(d.lines, std::vector<std::string>{"#1 \"A\" = U1:1;"}) << before;
    }
}

// A net's first line whose name runs through columns 18 and 38 and on, split
// by the window's end at every place that matters to the kept part of a line.
TEST(LargeFile, PcadLineStraddlingTheWindowEnd) {
    const std::string name = std::string(16, 'N') + std::string(40, 'x');
    const std::string row = "  " + name + "\n";
    for (const int split : {1, 2, 3, 18, 19, 38, 39, 40, 45, 58}) {
        std::string input = "%NET\n";
        while (input.size() + 40 < kWindowSize) input += "% filler line of the header section\n";
        input.resize(static_cast<std::size_t>(kWindowSize - split), '%');
        input.back() = '\n';
        input += row + "%\n";
        const Decoded d = Decode(DecodePCAD45, input);
        EXPECT_EQ(d.result, 0) << split;
        EXPECT_EQ(d.lines, std::vector<std::string>{"#1 \"" + name + "\" = " + name.substr(16) + ", " + name.substr(36) + ";"})
            << split;
    }
}

TEST(LargeFile, OrcadNetsLineAfterTheFirstWindowIsNotFound) {
    std::string input(kWindowSize + 10, 'x');
    input += "\nNETS\nGND = U1/7 ;\n";
    EXPECT_EQ(Decode(DecodeORCAD, input).result, -2);
}

}  // namespace
}  // namespace tarvik::test
