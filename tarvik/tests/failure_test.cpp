// Files that cannot be opened, read or written, met by the open and save
// commands (headless run-time) and by tarvik-convert: the failure is said. Permission cases run as
// an unprivileged user, also when the tests run as root.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cp1251.h"
#include "shell.h"
#include "support.h"
#include "uirt_auto.h"
#include "unprivileged.h"

namespace tarvik::test {
namespace {

using namespace cp1251::literals;

constexpr int kOpenButton = 3, kSaveButton = 4;

// A folder that the unprivileged user may enter.
std::string OpenFolder() {
    const std::string dir = TempPath("failures");
    std::filesystem::create_directories(dir);
    chmod(TempPath("").c_str(), 0755);
    chmod(dir.c_str(), 0755);
    return dir;
}

std::string MakeFile(const std::string& name, const std::string& bytes, mode_t mode) {
    const std::string path = OpenFolder() + "/" + name;
    chmod(path.c_str(), 0644);
    WriteTemp(bytes, "failures/" + name);
    chmod(path.c_str(), mode);
    return path;
}

std::string LockedFolder() {
    const std::string dir = OpenFolder() + "/locked";
    std::filesystem::create_directories(dir);
    chmod(dir.c_str(), 0555);
    return dir;
}

struct PathCase {
    const char* name;
    std::function<std::string()> make;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

std::string CaseName(const testing::TestParamInfo<PathCase>& info) { return info.param.name; }

int Visible(int panel) {
    int v = -1;
    GetPanelAttribute(panel, ATTR_VISIBLE, &v);
    return v;
}

const std::string kPreamp = "ACCEL_ASCII\n(net \"GND\" (node \"J1\" \"1\"))\n";

// ---- The open command ------------------------------------------------------

class OpenCannotRead : public testing::TestWithParam<PathCase> {};

TEST_P(OpenCannotRead, SaysTheFileCannotBeReadAndEndsCleanly) {
    ResetTextBox(S.MainPanel, kChainBox, "#1 \"old\" = A:1;");
    AutoClearAnswers();
    AutoClearPopupLog();
    const std::string path = GetParam().make();
    AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, path.c_str());
    {
        const Unprivileged nobody;
        ASSERT_GE(AutoClick(S.MainPanel, kOpenButton), 0);
        ProcessSystemEvents();
    }
    ASSERT_EQ(AutoPopupCount(), 2);
    int kind = 0;
    char title[64] = {}, text[1024] = {};
    AutoGetPopup(1, &kind, title, sizeof title, text, sizeof text);
    EXPECT_EQ(kind, AUTO_POPUP_MESSAGE);
    EXPECT_STREQ(title, "ОШИБКА!"_cp1251);
    EXPECT_EQ(std::string(text).rfind("Не удаётся прочитать файл"_cp1251, 0), 0u) << text;
    EXPECT_EQ(Visible(S.ProgressPanel), 0);
    EXPECT_EQ(GetWaitCursor(), 0);
    EXPECT_EQ(S.FileHandle, 0);
    EXPECT_FALSE(S.Busy);
}

INSTANTIATE_TEST_SUITE_P(Failures, OpenCannotRead, testing::Values(
    PathCase{"no_read_permission", [] { return MakeFile("secret.net", kPreamp, 0200); }},
    PathCase{"read_error", [] { return std::string("/proc/self/mem"); }},
    PathCase{"a_folder", [] { return OpenFolder(); }},
    PathCase{"in_a_missing_folder", [] { return TempPath("none/such.net"); }}),
    CaseName);

// ---- The save command ------------------------------------------------------

class SaveCannotWrite : public testing::TestWithParam<PathCase> {};

TEST_P(SaveCannotWrite, ChangesNothingAndTheNextSaveWorks) {
    AutoClearAnswers();
    AutoClearPopupLog();
    ResetTextBox(S.MainPanel, kChainBox, "#1 \"GND\" = J1:1;\n#2 \"VCC\" = J1:2;");
    const std::string path = GetParam().make();
    struct stat before {};
    const bool existed = stat(path.c_str(), &before) == 0;
    const std::string bytes = existed && S_ISREG(before.st_mode) ? ReadBytes(path) : "";
    AutoAnswerFileSelect(VAL_NEW_FILE_SELECTED, path.c_str());
    {
        const Unprivileged nobody;
        ASSERT_GE(AutoClick(S.MainPanel, kSaveButton), 0);
        ProcessSystemEvents();
    }
    ASSERT_EQ(AutoPopupCount(), 2) << "the file dialog and the error";
    int kind = 0;
    char title[64] = {}, text[1024] = {};
    AutoGetPopup(1, &kind, title, sizeof title, text, sizeof text);
    EXPECT_EQ(kind, AUTO_POPUP_MESSAGE);
    EXPECT_STREQ(title, "ОШИБКА!"_cp1251);
    struct stat after {};
    EXPECT_EQ(stat(path.c_str(), &after) == 0, existed);
    if (existed && S_ISREG(before.st_mode)) {
        EXPECT_EQ(ReadBytes(path), bytes);
    }
    EXPECT_EQ(BoxLines().size(), 2u);

    const std::string good = TempPath("saved-after-failure.cha");
    AutoAnswerFileSelect(VAL_NEW_FILE_SELECTED, good.c_str());
    ASSERT_GE(AutoClick(S.MainPanel, kSaveButton), 0);
    EXPECT_EQ(ReadBytes(good), "#1 \"GND\" = J1:1;\r\n#2 \"VCC\" = J1:2;\r\n");
}

INSTANTIATE_TEST_SUITE_P(Failures, SaveCannotWrite, testing::Values(
    PathCase{"full_device", [] { return std::string("/dev/full"); }},
    PathCase{"read_only_file", [] { return MakeFile("kept.cha", "old bytes\r\n", 0444); }},
    PathCase{"read_only_folder", [] { return LockedFolder() + "/new.cha"; }},
    PathCase{"a_folder", [] { return OpenFolder(); }},
    PathCase{"in_a_missing_folder", [] { return TempPath("none/x.cha"); }}),
    CaseName);

// ---- tarvik-convert ----------------------------------------------------------

struct Outcome {
    int status = -1;
    std::string err;
};

// Runs tarvik-convert directly (no shell, which would take root back), as
// nobody when the tests run as root, with standard error into a file.
Outcome Convert(const std::string& input, const std::string& output) {
    const std::string err = TempPath("failure-convert.err");
    const pid_t pid = fork();
    if (pid == 0) {
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int nullFd = open("/dev/null", O_RDWR);
        if (errFd < 0 || nullFd < 0) _exit(100);
        dup2(nullFd, 0);
        dup2(nullFd, 1);
        dup2(errFd, 2);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(101);
        std::vector<const char*> argv{TARVIK_CONVERT_EXE, input.c_str()};
        if (!output.empty()) {
            argv.push_back("-o");
            argv.push_back(output.c_str());
        }
        argv.push_back(nullptr);
        execv(TARVIK_CONVERT_EXE, const_cast<char* const*>(argv.data()));
        _exit(102);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return Outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(err)};
}

struct ConvertCase {
    const char* name;
    std::function<std::string()> input;
    std::function<std::string()> output;  // empty: standard output
    const char* named;                     // which of the two the message names
};

void PrintTo(const ConvertCase& c, std::ostream* os) { *os << c.name; }

class ConvertFileError : public testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertFileError, ExitsTwoWithOneLineNamingTheFile) {
    const ConvertCase& c = GetParam();
    const std::string input = c.input();
    const std::string output = c.output ? c.output() : "";
    const Outcome r = Convert(input, output);
    EXPECT_EQ(r.status, 2) << r.err;
    const std::string& named = std::string(c.named) == "input" ? input : output;
    EXPECT_NE(r.err.find("'" + named + "'"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
}

INSTANTIATE_TEST_SUITE_P(Failures, ConvertFileError, testing::Values(
    ConvertCase{"input_without_read_permission", [] { return MakeFile("in.net", kPreamp, 0200); }, nullptr,
                "input"},
    ConvertCase{"input_read_error", [] { return std::string("/proc/self/mem"); }, nullptr, "input"},
    ConvertCase{"output_on_a_full_device", [] { return MakeFile("ok.net", kPreamp, 0644); },
                [] { return std::string("/dev/full"); }, "output"},
    ConvertCase{"output_in_a_read_only_folder", [] { return MakeFile("ok.net", kPreamp, 0644); },
                [] { return LockedFolder() + "/out.cha"; }, "output"}),
    [](const testing::TestParamInfo<ConvertCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvik::test
