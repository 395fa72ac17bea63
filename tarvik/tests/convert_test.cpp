// Tests of the built tarvik-convert program: output bytes, exit codes and
// messages, run as a user would from a shell.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support.h"

namespace tarvik::test {
namespace {

struct RunResult {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

RunResult Convert(const std::string& args) {
    const std::string out = TempPath("convert.out"), err = TempPath("convert.err");
    const std::string cmd = Quote(TARVIK_CONVERT_EXE) + " " + args + " >" + Quote(out) + " 2>" + Quote(err) + " </dev/null";
    const int rc = std::system(cmd.c_str());
    RunResult r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = ReadBytes(out);
    r.err = ReadBytes(err);
    return r;
}

struct ExampleCase {
    const char* file;
    const char* form;
};
class ConvertExample : public testing::TestWithParam<ExampleCase> {};

TEST_P(ConvertExample, WritesTheChainListToStandardOutput) {
    const RunResult r = Convert(Quote(ExampleFile(GetParam().file)));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ReadBytes(ExampleFile("preamp.cha")));
    EXPECT_EQ(r.err, "");
}

TEST_P(ConvertExample, WritesOutputFileAndReportsFormWithV) {
    const std::string out = TempPath("preamp.cha");
    std::filesystem::remove(out);
    const RunResult r = Convert(Quote(ExampleFile(GetParam().file)) + " -o " + Quote(out) + " -v");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadBytes(out), ReadBytes(ExampleFile("preamp.cha")));
    EXPECT_EQ(r.err, std::string(GetParam().form) + ": 9 lines\n");
}

INSTANTIATE_TEST_SUITE_P(Forms, ConvertExample,
                         testing::Values(ExampleCase{"preamp_accel.net", "ACCEL ASCII"},
                                         ExampleCase{"preamp_orcad.net", "ORCAD"},
                                         ExampleCase{"preamp_pcad45.net", "PCAD 4.5"}));

TEST(Convert, LinesOfFailedAttemptsAreIncluded) {
    const RunResult r = Convert("-v " + Quote(DataFile("fallthrough.net")));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ReadBytes(DataFile("fallthrough.cha")));
    EXPECT_EQ(r.err, "PCAD 4.5: 2 lines\n");
}

TEST(Convert, UnrecognisedFileExitsOneAndCreatesNoOutput) {
    const std::string out = TempPath("never.cha");
    std::filesystem::remove(out);
    const RunResult r = Convert(Quote(DataFile("unrecognised.net")) + " -o " + Quote(out));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Неопознанный формат файла!\n");
    EXPECT_FALSE(Exists(out));
    EXPECT_EQ(r.out, "");
}

TEST(Convert, UnrecognisedFileLeavesAnExistingOutputAlone) {
    const std::string out = WriteTemp("previous", "kept.cha");
    const RunResult r = Convert(Quote(WriteTemp("", "empty.net")) + " -o " + Quote(out));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadBytes(out), "previous");
}

// One line on standard error that names the file.
void ExpectFileError(const RunResult& r, const std::string& path) {
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST(Convert, UnreadableInputExitsTwo) {
    const std::string missing = TempPath("missing.net");
    ExpectFileError(Convert(Quote(missing)), missing);
    const std::string dir = TempPath("a-folder.net");
    std::filesystem::create_directories(dir);
    ExpectFileError(Convert(Quote(dir)), dir);
}

TEST(Convert, UnwritableOutputExitsTwoAndLeavesNothing) {
    const std::string out = TempPath("no-such-folder/out.cha");
    ExpectFileError(Convert(Quote(ExampleFile("preamp_orcad.net")) + " -o " + Quote(out)), out);
    EXPECT_FALSE(Exists(TempPath("no-such-folder")));
    const std::string dirOut = TempPath("out-is-a-folder");
    std::filesystem::create_directories(dirOut);
    ExpectFileError(Convert(Quote(ExampleFile("preamp_orcad.net")) + " -o " + Quote(dirOut)), dirOut);
    for (const auto& e : std::filesystem::directory_iterator(TempPath("")))
        EXPECT_EQ(e.path().filename().string().find("out-is-a-folder."), std::string::npos) << e.path();
}

TEST(Convert, BadArgumentsGiveUsage) {
    for (const char* args : {"", "-x file", "a b", "-o"}) {
        const RunResult r = Convert(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("usage: tarvik-convert"), std::string::npos) << args;
    }
    const RunResult help = Convert("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: tarvik-convert INPUT [-o OUTPUT] [-v]"), std::string::npos);
}

TEST(Convert, NoProgressBarWhenStandardErrorIsNotATerminal) {
    std::string big = "X\nNETS\n";
    while (big.size() < 12u << 20) big += "NET_WITH_A_NAME = U1/1 U2/2 U3/3 U4/4 ;\n";
    const RunResult r = Convert(Quote(WriteTemp(big, "big.net")) + " -o " + Quote(TempPath("big.cha")));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace tarvik::test
