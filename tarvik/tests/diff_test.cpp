// Tests of the built tarvik-diff program, run as a user would: the example
// board in every form, the report of a revision as text and JSON, the
// encodings for a terminal and a pipe, exit codes and error lines.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "cp1251.h"
#include "support.h"

namespace tarvik::test {
namespace {

RunResult Diff(const std::string& args) { return RunProgram(TARVIK_DIFF_EXE, args); }

std::string Example(const char* name) { return Quote(ExampleFile(name)); }

const char* const kBoardFiles[] = {"preamp_accel.net", "preamp_orcad.net", "preamp_pcad45.net", "preamp.cha"};

TEST(Diff, TheExampleBoardIsTheSameInEveryForm) {
    for (const char* a : kBoardFiles)
        for (const char* b : kBoardFiles) {
            const RunResult r = Diff(Example(a) + " " + Example(b));
            EXPECT_EQ(r.status, 0) << a << " " << b << ": " << r.err;
            EXPECT_EQ(r.out, "") << a << " " << b;
            EXPECT_EQ(r.err, "") << a << " " << b;
        }
}

// The report is for people: in the locale's encoding (UTF-8) to a file and a
// pipe as to a terminal; --encoding cp1251 gives the chain lists' own bytes.
TEST(Diff, ReportsTheRevisionInTheLocalesEncodingToAFileAndAPipe) {
    const std::string golden = ReadBytes(DataFile("preamp_rev2.diff"));
    const std::string lists = Example("preamp.cha") + " " + Example("preamp_rev2_orcad.net");
    const struct {
        const char* how;
        std::string command;
        std::string expected;
    } cases[] = {
        {"file", "LC_ALL=C.UTF-8 $D " + lists + " >$T", cp1251::to_utf8(golden)},
        {"pipe", "LC_ALL=C.UTF-8 $D " + lists + " | cat >$T", cp1251::to_utf8(golden)},
        {"C locale", "LC_ALL=C $D " + lists + " >$T", cp1251::to_utf8(golden)},
        {"--encoding cp1251", "LC_ALL=C.UTF-8 $D --encoding cp1251 " + lists + " | cat >$T", golden},
        {"--encoding=utf-8", "LC_ALL=C.UTF-8 $D --encoding=utf-8 " + lists + " >$T", cp1251::to_utf8(golden)},
    };
    const std::string target = TempPath("report.txt");
    for (const auto& c : cases) {
        const RunResult r = RunShell("D=" + Quote(TARVIK_DIFF_EXE) + " T=" + Quote(target) + "; " + c.command);
        EXPECT_EQ(r.err, "") << c.how;
        EXPECT_EQ(ReadBytes(target), c.expected) << c.how;
    }
}

TEST(Diff, ReportsTheRevisionAsJson) {
    const RunResult r = Diff("--format json " + Example("preamp_pcad45.net") + " " + Example("preamp_rev2_orcad.net"));
    EXPECT_EQ(r.status, 1);
    const std::string expected = ReadBytes(DataFile("preamp_rev2.json"));
    // The golden file names the files relative to the examples folder.
    std::string out = r.out;
    for (std::size_t p; (p = out.find(std::string(TARVIK_EXAMPLES) + "/")) != std::string::npos;)
        out.erase(p, std::string(TARVIK_EXAMPLES).size() + 1);
    EXPECT_EQ(out, expected);
}

TEST(Diff, SameListsAsJsonSayTheyAreTheSame) {
    const RunResult r = Diff("--format=json " + Example("preamp_accel.net") + " " + Example("preamp.cha"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"same\": true"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"form\": \"chain list\""), std::string::npos) << r.out;
}

// Runs tarvik-diff on a pseudo-terminal and returns what the terminal got.
std::string OnATerminal(const std::string& oldPath, const std::string& newPath, int* status) {
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        execl(TARVIK_DIFF_EXE, "tarvik-diff", oldPath.c_str(), newPath.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string got;
    char buf[4096];
    for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) got.append(buf, static_cast<std::size_t>(n));
    close(master);
    int rc = 0;
    waitpid(pid, &rc, 0);
    *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    std::string text;  // the terminal writes LF as CR LF
    for (char c : got)
        if (c != '\r') text += c;
    return text;
}

TEST(Diff, ReportsInUtf8ToATerminal) {
    int status = -1;
    const std::string got = OnATerminal(ExampleFile("preamp_orcad.net"), ExampleFile("preamp_rev2_orcad.net"), &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(got, cp1251::to_utf8(ReadBytes(DataFile("preamp_rev2.diff"))));
    EXPECT_NE(got.find("net added \"ЭКРАН\" = C4:2, J1:5;"), std::string::npos) << got;
}

TEST(Diff, ReadsStandardInputAndPipes) {
    const std::string exe = Quote(TARVIK_DIFF_EXE);
    RunResult r = RunShell("cat " + Example("preamp_orcad.net") + " | " + exe + " - " + Example("preamp.cha"));
    EXPECT_EQ(r.status, 0) << r.err;
    r = RunShell(exe + " " + Example("preamp_accel.net") + " - <" + Example("preamp_pcad45.net"));
    EXPECT_EQ(r.status, 0) << r.err;
    r = RunShell("cat " + Example("preamp.cha") + " | " + exe + " - " + Example("preamp_accel.net"));
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string fifo = TempPath("board.fifo");
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    r = RunShell("cat " + Example("preamp_pcad45.net") + " >" + Quote(fifo) + " & " + exe + " " + Quote(fifo) + " " +
                 Example("preamp_rev2_orcad.net"));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, cp1251::to_utf8(ReadBytes(DataFile("preamp_rev2.diff"))));
}

TEST(Diff, AChainListNotNamedChaIsRecognised) {
    const std::string chains = WriteTemp(ReadBytes(ExampleFile("preamp.cha")), "chains.txt");
    const RunResult r = Diff("-v " + Quote(chains) + " " + Example("preamp_orcad.net"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("old '" + chains + "': chain list, 9 nets"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("new '" + ExampleFile("preamp_orcad.net") + "': ORCAD, 9 nets, "),
              std::string::npos)
        << r.err;
}

// Exit 2 with one line on standard error that names the file and the cause.
void ExpectTrouble(const RunResult& r, const std::string& path, const std::string& cause) {
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    ASSERT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find("'" + path + "'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(cause), std::string::npos) << r.err;
}

TEST(Diff, AFileThatCannotBeReadExitsTwo) {
    const std::string missing = TempPath("missing.net");
    ExpectTrouble(Diff(Quote(missing) + " " + Example("preamp.cha")), missing, "No such file or directory");
    ExpectTrouble(Diff(Example("preamp.cha") + " " + Quote(missing)), missing, "No such file or directory");
    const std::string missingCha = TempPath("missing.cha");
    ExpectTrouble(Diff(Quote(missingCha) + " " + Example("preamp.cha")), missingCha, "No such file or directory");
    const std::string dir = TempPath("folder.net");
    std::filesystem::create_directories(dir);
    ExpectTrouble(Diff(Example("preamp.cha") + " " + Quote(dir)), dir, "Is a directory");
}

TEST(Diff, AFileOfNoFormExitsTwo) {
    const std::string unrecognised = DataFile("unrecognised.net");
    ExpectTrouble(Diff(Quote(unrecognised) + " " + Example("preamp.cha")), unrecognised, "Неопознанный формат файла!");
    const std::string empty = WriteTemp("", "empty.net");
    ExpectTrouble(Diff(Example("preamp.cha") + " " + Quote(empty)), empty, "Неопознанный формат файла!");
    const std::string bad = WriteTemp("#1 \"A\" = X:1;\r\nnot a chain line\r\n", "bad.cha");
    ExpectTrouble(Diff(Quote(bad) + " " + Example("preamp.cha")), bad, "line 1: not a chain line");
}

TEST(Diff, AnEmptyChainListIsAListWithoutNets) {
    const std::string empty = WriteTemp("", "empty.cha");
    const RunResult r = Diff(Quote(empty) + " " + Quote(empty));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST(Diff, AnOutputThatCannotBeWrittenExitsTwo) {
    const RunResult r = RunShell(Quote(TARVIK_DIFF_EXE) + " " + Example("preamp.cha") + " " +
                                 Example("preamp_rev2_orcad.net") + " >/dev/full");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot write standard output: No space left on device"), std::string::npos) << r.err;
}

TEST(Diff, FormNamedReadsBothListsAsThatForm) {
    // fallthrough.net as PCAD 4.5 alone is its last chain line only.
    const std::string pwr = WriteTemp("#1 \"PWR\" = U9:2, U9:1;\r\n", "pwr.cha");
    const std::string fallthrough = Quote(DataFile("fallthrough.net"));
    EXPECT_EQ(Diff(fallthrough + " " + Quote(pwr)).status, 1);
    const RunResult r = Diff("--form 'PCAD 4.5' -v " + fallthrough + " " + Quote(pwr));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(": PCAD 4.5, 1 nets"), std::string::npos) << r.err;
    const RunResult orcad = Diff("--form orcad " + fallthrough + " " + Quote(pwr));
    EXPECT_EQ(orcad.status, 2);
    EXPECT_NE(orcad.err.find("Неопознанный формат файла! (ORCAD)"), std::string::npos) << orcad.err;
    const RunResult unknown = Diff("--form nosuch " + fallthrough + " " + Quote(pwr));
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "tarvik-diff: unknown form 'nosuch' (tarvik-diff --list-forms lists the forms)\n");
}

TEST(Diff, ConnectionsOnlyLeavesOutNetsOfOneDistinctNode) {
    const std::string a = WriteTemp("#1 \"GND\" = U1:4, C1:2;\r\n#2 \"NC1\" = U2:3;\r\n#3 \"E\" = ;\r\n", "a.cha");
    const std::string b = WriteTemp("#1 \"NC2\" = U2:4, U2:4;\r\n#2 \"GND\" = C1:2, U1:4;\r\n", "b.cha");
    const RunResult full = Diff(Quote(a) + " " + Quote(b));
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.out.find("net removed \"NC1\""), std::string::npos) << full.out;
    const RunResult connections = Diff("--connections-only " + Quote(a) + " " + Quote(b));
    EXPECT_EQ(connections.status, 0) << connections.out;
    EXPECT_EQ(connections.out, "");
}

TEST(Diff, BadArgumentsExitTwoWithOneLine) {
    for (const char* args : {"", "one.net", "-x a b", "--format xml a b", "- -", "--encoding koi8-r a b"}) {
        const RunResult r = Diff(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.err.starts_with("tarvik-diff: ")) << args << ": " << r.err;
        EXPECT_TRUE(r.err.ends_with(" (tarvik-diff --help tells more)\n")) << args << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << args << ": " << r.err;
        EXPECT_EQ(r.out, "") << args;
    }
    const RunResult version = Diff("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("tarvik-diff ") + TARVIK_VERSION + "\n");
}

TEST(Diff, HelpTellsHowRenamesWithChangedNodesAreReported) {
    const RunResult r = Diff("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: tarvik-diff [--format text|json] [-v] OLD NEW"), std::string::npos);
    EXPECT_NE(r.out.find("renamed and also changed in its nodes is\nreported as removed and added"), std::string::npos)
        << r.out;
}

}  // namespace
}  // namespace tarvik::test
