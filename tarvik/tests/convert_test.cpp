// Tests of the built tarvik-convert program: output bytes, exit codes and
// messages, run as a user would from a shell; inputs that cannot be read
// twice, outputs that must not be replaced, memory on inputs and outputs of
// any shape, and a terminal.
#include <gtest/gtest.h>

#include <pty.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "cp1251.h"
#include "decoders.h"
#include "support.h"

namespace tarvik::test {
namespace {

using namespace cp1251::literals;

const std::string& Exe() {
    static const std::string exe = Quote(TARVIK_CONVERT_EXE);
    return exe;
}

// Runs a bash command line (the converter is $C); standard output and error
// are captured unless the command redirects them itself.
RunResult Shell(const std::string& command) { return RunShell("bash -c " + Quote("C=" + Exe() + "; " + command)); }

RunResult Convert(const std::string& args) { return Shell("$C " + args); }

// Runs the converter itself (no shell in between) with standard output on
// outPath, and measures its peak memory.
RunResult ConvertMeasured(const std::string& input, const std::string& outPath) {
    const std::string err = TempPath("measured.err");
    const pid_t pid = fork();
    if (pid == 0) {
        freopen(outPath.c_str(), "w", stdout);
        freopen(err.c_str(), "w", stderr);
        execl(TARVIK_CONVERT_EXE, "tarvik-convert", input.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    RunResult r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = ReadBytes(err);
    r.maxRssKb = usage.ru_maxrss;
    return r;
}

// One line on standard error that names the file.
void ExpectFileError(const RunResult& r, const std::string& path) {
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_EQ(r.out, "");
}

int ModeOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return static_cast<int>(st.st_mode & 07777);
}

// ---- The three forms of the example ---------------------------------------------

struct ExampleCase {
    const char* name;
    const char* file;
    const char* form;
};
void PrintTo(const ExampleCase& c, std::ostream* os) { *os << c.name; }

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
                         testing::Values(ExampleCase{"ACCEL", "preamp_accel.net", "ACCEL ASCII"},
                                         ExampleCase{"ORCAD", "preamp_orcad.net", "ORCAD"},
                                         ExampleCase{"PCAD45", "preamp_pcad45.net", "PCAD 4.5"}),
                         [](const testing::TestParamInfo<ExampleCase>& info) { return std::string(info.param.name); });

TEST(Convert, LinesOfFailedAttemptsAreIncluded) {
    const RunResult r = Convert("-v " + Quote(DataFile("fallthrough.net")));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ReadBytes(DataFile("fallthrough.cha")));
    EXPECT_EQ(r.err, "PCAD 4.5: 2 lines\n");
}

// A form named with --form decodes alone: no recognition, no other form's lines.
TEST(Convert, FormNamedSkipsRecognition) {
    const std::string all = ReadBytes(DataFile("fallthrough.cha"));
    const RunResult pcad = Convert("-v --form 'pcad 4.5' " + Quote(DataFile("fallthrough.net")));
    EXPECT_EQ(pcad.status, 0);
    EXPECT_EQ(pcad.out, all.substr(all.find("\r\n") + 2));
    EXPECT_EQ(pcad.err, "PCAD 4.5: 1 lines\n");
    const RunResult orcad = Convert("--form=ORCAD " + Quote(DataFile("fallthrough.net")));
    EXPECT_EQ(orcad.status, 1);
    EXPECT_EQ(orcad.out, "");
    EXPECT_NE(orcad.err.find("Неопознанный формат файла!"), std::string::npos) << orcad.err;
}

TEST(Convert, ListFormsNamesEveryFormInTheTableOrder) {
    const RunResult r = Convert("--list-forms");
    EXPECT_EQ(r.status, 0);
    std::string expected;
    for (int k = 0; k < FormCount(); ++k) {
        expected += std::string(FormName(k)) + "\n";
        EXPECT_EQ(FormByName(FormName(k)), k) << FormName(k);
    }
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(RunProgram(TARVIK_DIFF_EXE, "--list-forms").out, expected);
}

TEST(Convert, UnknownFormIsOneLineThatPointsToListForms) {
    const RunResult r = Convert("--form 'PCAD 4' " + Quote(ExampleFile("preamp_pcad45.net")));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tarvik-convert: unknown form 'PCAD 4' (tarvik-convert --list-forms lists the forms)\n");
}

// ---- Inputs that cannot be read twice ----------------------------------------------

// The PCAD 4.5 example is decoded by the third attempt, after two rewinds.
struct InputWay {
    const char* name;
    const char* command;  // $F is the example file
};
void PrintTo(const InputWay& w, std::ostream* os) { *os << w.name; }

class ConvertInput : public testing::TestWithParam<InputWay> {};

TEST_P(ConvertInput, IsReadWholeAndDecodedLikeAFile) {
    // A converter that waited for a second writer would be stopped after 20 s.
    const RunResult r = Shell("F=" + Quote(ExampleFile("preamp_pcad45.net")) + "; C=\"timeout 20 $C\"; cd " +
                              Quote(TempPath("")) + "; " + GetParam().command);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ReadBytes(ExampleFile("preamp.cha")));
    EXPECT_EQ(r.err, "PCAD 4.5: 9 lines\n");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ConvertInput,
    testing::Values(InputWay{"DashFromAPipe", "cat \"$F\" | $C -v -"},
                    InputWay{"DashFromAFile", "$C -v - < \"$F\""},
                    InputWay{"DevStdinFromAPipe", "cat \"$F\" | $C -v /dev/stdin"},
                    InputWay{"DevStdinFromAFile", "$C -v /dev/stdin < \"$F\""},
                    InputWay{"ProcessSubstitution", "$C -v <(cat \"$F\")"},
                    InputWay{"Fifo", "rm -f in.fifo; mkfifo in.fifo; (cat \"$F\" > in.fifo &); $C -v in.fifo"}),
    [](const testing::TestParamInfo<InputWay>& info) { return std::string(info.param.name); });

TEST(ConvertInput, StandardInputPartlyReadIsDecodedFromWhereItStands) {
    // The shell reads the first line itself; the converter gets the rest.
    const std::string file = WriteTemp("junk line\n" + ReadBytes(ExampleFile("preamp_orcad.net")), "junk.net");
    const RunResult r = Shell("{ read -r line; $C -; } < " + Quote(file));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ReadBytes(ExampleFile("preamp.cha")));
}

// ---- Outputs -------------------------------------------------------------------

TEST(ConvertOutput, UnrecognisedFileExitsOneAndWritesNothing) {
    const std::string out = TempPath("never.cha");
    std::filesystem::remove(out);
    // ORCAD emits a line before it gives up: none of it may remain anywhere.
    const RunResult r = Convert(Quote(DataFile("unrecognised.net")) + " -o " + Quote(out));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tarvik-convert: " + DataFile("unrecognised.net") + ": Неопознанный формат файла!\n");
    EXPECT_FALSE(Exists(out));
    EXPECT_EQ(r.out, "");
    const std::string appended = WriteTemp("previous\n", "appended.cha");
    EXPECT_EQ(Convert(Quote(DataFile("unrecognised.net")) + " >> " + Quote(appended)).status, 1);
    EXPECT_EQ(ReadBytes(appended), "previous\n");
    const RunResult piped = Shell("$C " + Quote(DataFile("unrecognised.net")) + " | od -c");
    EXPECT_EQ(piped.out, "0000000\n");
}

TEST(ConvertOutput, UnrecognisedFileLeavesAnExistingOutputAlone) {
    const std::string out = WriteTemp("previous", "kept.cha");
    const RunResult r = Convert(Quote(WriteTemp("", "empty.net")) + " -o " + Quote(out));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadBytes(out), "previous");
}

TEST(ConvertOutput, ReadOnlyOutputIsRefusedAndLeftAsItWas) {
    const std::string out = WriteTemp("previous", "read-only.cha");
    chmod(out.c_str(), 0444);
    ExpectFileError(Convert(Quote(ExampleFile("preamp_orcad.net")) + " -o " + Quote(out)), out);
    EXPECT_EQ(ReadBytes(out), "previous");
    EXPECT_EQ(ModeOf(out), 0444);
    for (const auto& e : std::filesystem::directory_iterator(TempPath("")))
        EXPECT_EQ(e.path().filename().string().find("read-only.cha."), std::string::npos) << e.path();
}

TEST(ConvertOutput, ReplacedOutputKeepsItsModeAndALinkStaysALink) {
    const std::string out = WriteTemp("previous", "private.cha");
    chmod(out.c_str(), 0640);
    const std::string link = TempPath("link.cha");
    std::filesystem::remove(link);
    std::filesystem::create_symlink(out, link);
    const RunResult r = Convert(Quote(ExampleFile("preamp_orcad.net")) + " -o " + Quote(link));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(out), ReadBytes(ExampleFile("preamp.cha")));
    EXPECT_EQ(ModeOf(out), 0640);
}

TEST(ConvertOutput, UnwritableOutputExitsTwoAndLeavesNothing) {
    const std::string out = TempPath("no-such-folder/out.cha");
    ExpectFileError(Convert(Quote(ExampleFile("preamp_orcad.net")) + " -o " + Quote(out)), out);
    EXPECT_FALSE(Exists(TempPath("no-such-folder")));
    const std::string dirOut = TempPath("out-is-a-folder");
    std::filesystem::create_directories(dirOut);
    ExpectFileError(Convert(Quote(ExampleFile("preamp_orcad.net")) + " -o " + Quote(dirOut)), dirOut);
    for (const auto& e : std::filesystem::directory_iterator(TempPath("")))
        EXPECT_EQ(e.path().filename().string().find("out-is-a-folder."), std::string::npos) << e.path();
    ExpectFileError(Convert(Quote(ExampleFile("preamp_orcad.net")) + " -o /dev/full"), "/dev/full");
    ExpectFileError(Convert(Quote(ExampleFile("preamp_orcad.net")) + " > /dev/full"), "standard output");
}

TEST(ConvertOutput, TerminalGetsTheListInUtf8) {
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        const std::string in = ExampleFile("preamp_orcad.net");
        execl(TARVIK_CONVERT_EXE, "tarvik-convert", in.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    std::string shown;
    char buffer[4096];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, static_cast<std::size_t>(n));
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::string expected = cp1251::to_utf8(ReadBytes(ExampleFile("preamp.cha")));
    std::string seen;  // the terminal shows each LF as CR LF
    for (std::size_t at = 0; at < shown.size(); ++at)
        if (!(shown[at] == '\r' && at + 1 < shown.size() && shown[at + 1] == '\r')) seen += shown[at];
    EXPECT_EQ(seen, expected);
    EXPECT_NE(seen.find("\"+5В\""), std::string::npos);
}

// ---- Memory, whatever the shape of the input or the size of the list --------------

// Inputs of about 48 MB: the converter must stay within a small fixed amount
// of memory (its 4 MiB window and a few buffers), far below the input.
constexpr std::size_t kShapeBytes = 48u << 20;
#ifdef __SANITIZE_ADDRESS__
// The address sanitizer's shadow memory and redzones come on top.
constexpr long kMemoryLimitKb = 56 * 1024;
#else
constexpr long kMemoryLimitKb = 40 * 1024;
#endif

struct Shape {
    const char* name;
    std::function<void(std::ofstream&)> write;
    int status;
};
void PrintTo(const Shape& s, std::ostream* os) { *os << s.name; }

void Repeat(std::ofstream& out, const std::string& piece, std::size_t total) {
    std::string block;
    while (block.size() < (1u << 20)) block += piece;
    for (std::size_t done = 0; done < total; done += block.size()) out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

class ConvertMemory : public testing::TestWithParam<Shape> {};

TEST_P(ConvertMemory, StaysBounded) {
    const std::string in = TempPath("shape.net");
    {
        std::ofstream f(in, std::ios::binary | std::ios::trunc);
        GetParam().write(f);
    }
    const std::string out = TempPath("shape.cha");
    const RunResult r = ConvertMeasured(in, out);
    EXPECT_EQ(r.status, GetParam().status) << r.err;
    EXPECT_LT(r.maxRssKb, kMemoryLimitKb);
    if (GetParam().status == 0) {
        EXPECT_GT(std::filesystem::file_size(out), kShapeBytes / 2);
    }
    std::filesystem::remove(in);
    std::filesystem::remove(out);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ConvertMemory,
    testing::Values(
        // A gigabyte of zero bytes without a line feed (a sparse file).
        Shape{"ZerosWithoutLineFeed", [](std::ofstream& f) { f.seekp((1 << 30) - 1); f.put('\0'); }, 1},
        Shape{"PcadFieldWithoutEnd", [](std::ofstream& f) { f << "%\n  "; Repeat(f, "A", kShapeBytes); }, 1},
        Shape{"OrcadNameWithoutEnd", [](std::ofstream& f) { f << "X\nNETS\n"; Repeat(f, "N", kShapeBytes); }, 1},
        Shape{"OrcadNetWithoutEnd", [](std::ofstream& f) { f << "X\nNETS\nN = "; Repeat(f, "U1/2 ", kShapeBytes); }, 1},
        Shape{"AccelQuoteWithoutEnd",
              [](std::ofstream& f) { f << "ACCEL_ASCII (net \"N\" (node \""; Repeat(f, "R", kShapeBytes); }, 1},
        Shape{"OneNetOfManyNodes", [](std::ofstream& f) { f << "X\nNETS\nN = "; Repeat(f, "U1/2 ", kShapeBytes); f << ";\n"; }, 0},
        Shape{"ManyNets", [](std::ofstream& f) { f << "X\nNETS\n"; Repeat(f, "N = U1/2 R7/1 ;\n", kShapeBytes); }, 0}),
    [](const testing::TestParamInfo<Shape>& info) { return std::string(info.param.name); });

TEST(ConvertMemory, ALineHeldInATemporaryFileComesBackWhole) {
    const std::string in = TempPath("long-net.net");
    {
        std::ofstream f(in, std::ios::binary | std::ios::trunc);
        f << "%\n  NAME            ";
        Repeat(f, "U-", 3u << 20);
        f << "\n%\n";
    }
    const std::string out = TempPath("long-net.cha");
    const RunResult r = ConvertMeasured(in, out);
    ASSERT_EQ(r.status, 0) << r.err;
    // The node at column 18 runs to the end of the line, and so does the one at column 38.
    std::string n18;
    while (n18.size() < (3u << 20)) n18 += "U:";
    EXPECT_TRUE(ReadBytes(out) == "#1 \"NAME\" = " + n18 + ", " + n18.substr(20) + ";\r\n");
    std::filesystem::remove(in);
    std::filesystem::remove(out);
}

// ---- Errors and arguments --------------------------------------------------------

TEST(Convert, UnreadableInputExitsTwo) {
    const std::string missing = TempPath("missing.net");
    ExpectFileError(Convert(Quote(missing)), missing);
    const std::string dir = TempPath("a-folder.net");
    std::filesystem::create_directories(dir);
    ExpectFileError(Convert(Quote(dir)), dir);
}

TEST(Convert, BadArgumentsGiveOneLineThatSaysWhatIsWrong) {
    const struct {
        const char* args;
        const char* what;
    } cases[] = {
        {"", "no input file given"},
        {"-x file", "unknown option '-x'"},
        {"--bogus file", "unknown option '--bogus'"},
        {"a b", "surplus argument 'b'"},
        {"-o", "-o needs a file name"},
        {"a -o x -o y", "-o given twice"},
    };
    for (const auto& c : cases) {
        const RunResult r = Convert(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.err, std::string("tarvik-convert: ") + c.what + " (tarvik-convert --help tells more)\n") << c.args;
        EXPECT_EQ(r.out, "") << c.args;
    }
    const RunResult version = Convert("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("tarvik-convert ") + TARVIK_VERSION + "\n");
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
