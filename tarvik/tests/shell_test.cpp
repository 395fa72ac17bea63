// Tests of the shell's commands on the headless run-time, driven as a user
// would: answered file dialogs and clicks on the main panel's buttons.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "cp1251.h"
#include "decoders.h"
#include "reader.h"
#include "shell.h"
#include "support.h"
#include "uirt_auto.h"

namespace tarvik::test {
namespace {

using namespace cp1251::literals;

constexpr int kOpenButton = 3, kSaveButton = 4, kAboutButton = 5, kQuitButton = 6, kInfoClose = 3;

struct Popup {
    int kind = 0;
    std::string title, text;
};
std::vector<Popup> Popups() {
    std::vector<Popup> out;
    for (int k = 0, n = AutoPopupCount(); k < n; ++k) {
        Popup p;
        char title[512] = {}, text[512] = {};
        AutoGetPopup(k, &p.kind, title, sizeof title, text, sizeof text);
        p.title = title;
        p.text = text;
        out.push_back(p);
    }
    return out;
}

int Visible(int panel) {
    int v = -1;
    GetPanelAttribute(panel, ATTR_VISIBLE, &v);
    return v;
}

class Shell : public testing::Test {
protected:
    void SetUp() override {
        AutoClearAnswers();
        AutoClearPopupLog();
        ResetTextBox(S.MainPanel, kChainBox, "");
    }
    // Opens path through the open button and the answered file dialog.
    void OpenFile(const std::string& path, int answer = VAL_EXISTING_FILE_SELECTED) {
        AutoAnswerFileSelect(answer, path.c_str());
        ASSERT_GE(AutoClick(S.MainPanel, kOpenButton), 0);
    }
    // An existing file is replaced after the dialog's question, answered yes.
    void SaveTo(const std::string& path, int answer = VAL_NEW_FILE_SELECTED) {
        AutoAnswerFileSelect(answer, path.c_str());
        if (answer == VAL_EXISTING_FILE_SELECTED) AutoAnswerConfirm(1);
        ASSERT_GE(AutoClick(S.MainPanel, kSaveButton), 0);
    }
    void ExpectUnrecognisedPopup() {
        const auto popups = Popups();
        ASSERT_FALSE(popups.empty());
        EXPECT_EQ(popups.back().kind, AUTO_POPUP_MESSAGE);
        EXPECT_EQ(popups.back().title, "ОШИБКА!"_cp1251);
        EXPECT_EQ(popups.back().text, "Неопознанный формат файла!"_cp1251);
    }
};

TEST_F(Shell, OpenAskedForNetFilesWithTheLoadDialog) {
    OpenFile(ExampleFile("preamp_orcad.net"));
    const auto popups = Popups();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].kind, AUTO_POPUP_FILE_SELECT);
    // The first forms' two types, one filter of every form's extensions, all files.
    const std::string& types = popups[0].text;
    ASSERT_TRUE(types.starts_with("*.net;*.wrl;*.net ")) << types;
    EXPECT_TRUE(types.ends_with(";*.*")) << types;
    EXPECT_EQ(std::count(types.begin(), types.end(), ';'), 3) << types;
    for (const char* ext : {" *.NET ", " *.edf ", " *.edif ", " *.frp ", " *.ckt ", " *.tel ", " *.txt ", " *.asc "})
        EXPECT_NE(types.find(ext), std::string::npos) << ext;
}

std::string Title(int panel) {
    char title[1024] = {};
    GetPanelAttribute(panel, ATTR_TITLE, title);
    return title;
}

std::string Text(int panel, int control) {
    int length = 0;
    GetCtrlAttribute(panel, control, ATTR_STRING_TEXT_LENGTH, &length);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    GetCtrlVal(panel, control, text.data());
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// The title names the file, the line under the list the form and the nets.
TEST_F(Shell, EachExampleFormGivesTheSameChainList) {
    const std::string base = "Тарвик — импорт списка связей"_cp1251;
    const std::string list = ReadBytes(ExampleFile("preamp.cha"));
    const auto nets = std::count(list.begin(), list.end(), '\n');
    const struct {
        const char* name;
        const char* form;
    } cases[] = {{"preamp_accel.net", "ACCEL ASCII"}, {"preamp_orcad.net", "ORCAD"}, {"preamp_pcad45.net", "PCAD 4.5"}};
    for (const auto& c : cases) {
        OpenFile(ExampleFile(c.name));
        EXPECT_EQ(ChaBytes(BoxLines()), ReadBytes(ExampleFile("preamp.cha"))) << c.name;
        EXPECT_EQ(Visible(S.ProgressPanel), 0) << c.name;
        EXPECT_EQ(GetWaitCursor(), 0) << c.name;
        EXPECT_EQ(Title(S.MainPanel), std::string(c.name) + " — "_cp1251 + base);
        EXPECT_EQ(Text(S.MainPanel, kListLine),
                  std::string("Формат: "_cp1251) + c.form + ", цепей: "_cp1251 + std::to_string(nets));
    }
    for (const auto& p : Popups()) EXPECT_EQ(p.kind, AUTO_POPUP_FILE_SELECT);
    // A file no decoder reads: the title and the line name nothing.
    OpenFile(DataFile("unrecognised.net"));
    EXPECT_EQ(Title(S.MainPanel), base);
    EXPECT_EQ(Text(S.MainPanel, kListLine), "");
}

TEST_F(Shell, SaveOverAnExistingFileAsksAndNoLeavesIt) {
    InsertTextBoxLine(S.MainPanel, kChainBox, -1, "new list");
    const std::string path = WriteTemp("old list\r\n", "asked.cha");
    AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, path.c_str());
    AutoAnswerConfirm(0);
    AutoAnswerFileSelect(VAL_NO_FILE_SELECTED, "");
    ASSERT_GE(AutoClick(S.MainPanel, kSaveButton), 0);
    EXPECT_EQ(ReadBytes(path), "old list\r\n");
    const auto popups = Popups();
    ASSERT_EQ(popups.size(), 3u);
    EXPECT_EQ(popups[1].kind, AUTO_POPUP_CONFIRM);
    EXPECT_NE(popups[1].text.find("asked.cha"), std::string::npos);
    SaveTo(path, VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(ReadBytes(path), "new list\r\n");
}

TEST_F(Shell, UnrecognisedFileGivesTheErrorAndKeepsFailedAttemptsLines) {
    OpenFile(DataFile("unrecognised.net"));
    ExpectUnrecognisedPopup();
    EXPECT_EQ(ChaBytes(BoxLines()), ReadBytes(DataFile("unrecognised.cha")));
    EXPECT_EQ(Visible(S.ProgressPanel), 0);
    EXPECT_EQ(GetWaitCursor(), 0);
}

TEST_F(Shell, EmptyFileGivesTheError) {
    OpenFile(WriteTemp("", "empty.net"));
    ExpectUnrecognisedPopup();
    EXPECT_TRUE(BoxLines().empty());
    EXPECT_EQ(Visible(S.ProgressPanel), 0);
    EXPECT_EQ(GetWaitCursor(), 0);
}

// A net list that cannot be opened or read: the message names the file and
// the reason instead of calling the form unknown.
struct Unreadable {
    const char* name;
    std::string (*path)();
    const char* reason;
    bool keepsList;  // nothing was read: the list shown stays
    friend void PrintTo(const Unreadable& u, std::ostream* os) { *os << u.name; }
};

class UnreadableNetList : public Shell, public testing::WithParamInterface<Unreadable> {};

TEST_P(UnreadableNetList, SaysTheFileAndWhy) {
    const Unreadable& u = GetParam();
    ResetTextBox(S.MainPanel, kChainBox, "kept line");
    const std::string path = u.path();
    OpenFile(path);
    const auto popups = Popups();
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(popups[1].kind, AUTO_POPUP_MESSAGE);
    EXPECT_EQ(popups[1].title, "ОШИБКА!"_cp1251);
    EXPECT_EQ(popups[1].text, "Не удаётся прочитать файл\n«"_cp1251 + path + "»:\n"_cp1251 + cp1251::from_utf8(u.reason) + ".");
    EXPECT_EQ(BoxLines(), u.keepsList ? std::vector<std::string>{"kept line"} : std::vector<std::string>{});
    EXPECT_EQ(Visible(S.ProgressPanel), 0);
    EXPECT_EQ(GetWaitCursor(), 0);
    EXPECT_EQ(S.Busy, false);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnreadableNetList,
    testing::Values(Unreadable{"Missing", [] { return TempPath("does-not-exist.net"); }, "файл или папка не существует", true},
                    Unreadable{"Folder", [] { return TempPath(""); }, "это папка, а не файл", true},
                    Unreadable{"MissingFolder", [] { return TempPath("no-dir/x.net"); }, "файл или папка не существует", true},
                    // Opens, but the first read fails (the process's memory at address 0).
                    Unreadable{"ReadFails", [] { return std::string("/proc/self/mem"); }, "ошибка ввода-вывода", false}),
    [](const testing::TestParamInfo<Unreadable>& info) { return std::string(info.param.name); });

TEST_F(Shell, AttemptsRunAccelThenOrcadThenPcad) {
    // ACCEL first even though the file also holds a NETS line.
    int form = FormNone;
    Decoded d = DecodeAny("ACCEL_ASCII\nNETS\n(net \"A\" (node \"U1\" \"1\"))\nB = X/1 ;\n", &form);
    EXPECT_EQ(form, FormACCEL);
    EXPECT_EQ(d.lines, std::vector<std::string>{"#1 \"A\" = U1:1;"});
    // ORCAD gives up after one line; PCAD 4.5 appends its own run, numbered from 1.
    d = DecodeAny(ReadBytes(DataFile("fallthrough.net")), &form);
    EXPECT_EQ(form, FormPCAD45);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(ChaBytes(d.lines), ReadBytes(DataFile("fallthrough.cha")));
    // An ACCEL header whose nets break off falls through to the others.
    d = DecodeAny("ACCEL_ASCII\n(net \"A\" (node \"U1\" \"1\")) (ne", &form);
    EXPECT_EQ(form, FormNone);
    EXPECT_EQ(d.result, -2);
    EXPECT_EQ(d.lines, std::vector<std::string>{"#1 \"A\" = U1:1;"});
    // A line the box refuses (a list past what it holds; here a box that is
    // not there) ends the decode: no list goes on with lines missing.
    const int file = CVI_OpenFile(WriteTemp(ReadBytes(DataFile("fallthrough.net"))).c_str(), VAL_READ_ONLY,
                                  VAL_OPEN_AS_IS, VAL_ASCII);
    EXPECT_EQ(RunDecoders(file, S.MainPanel, 9999, &form), kTooLarge);
    EXPECT_EQ(form, FormNone);
    CVI_CloseFile(file);
}

TEST_F(Shell, CancelledOrNewFileInOpenDialogChangesNothing) {
    ResetTextBox(S.MainPanel, kChainBox, "kept line");
    OpenFile(ExampleFile("preamp_orcad.net"), VAL_NO_FILE_SELECTED);
    OpenFile(ExampleFile("preamp_orcad.net"), VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(BoxLines(), std::vector<std::string>{"kept line"});
    EXPECT_EQ(Popups().size(), 2u);
}

TEST_F(Shell, SecondFileReplacesTheFirstEvenWhenRefused) {
    OpenFile(ExampleFile("preamp_accel.net"));
    ASSERT_EQ(BoxLines().size(), 9u);
    OpenFile(WriteTemp("nothing to see\n", "refused.net"));
    EXPECT_TRUE(BoxLines().empty());
    ExpectUnrecognisedPopup();
}

// The file dialog gives paths in Windows-1251; the folder on disk has the
// UTF-8 name.
TEST_F(Shell, OpensAndSavesInAFolderNamedInCyrillic) {
    const std::string folder = TempPath("Проекты усилителя");  // UTF-8: the system's name
    mkdir(folder.c_str(), 0700);
    const std::string net = ReadBytes(ExampleFile("preamp_orcad.net"));
    WriteTemp(net, "Проекты усилителя/предусилитель.net");
    ASSERT_EQ(ReadBytes(folder + "/предусилитель.net"), net);
    const std::string dialogFolder = TempPath(cp1251::from_utf8("Проекты усилителя"));
    OpenFile(dialogFolder + "/предусилитель.net"_cp1251);
    ASSERT_EQ(Popups().size(), 1u) << "no error message";
    EXPECT_EQ(ChaBytes(BoxLines()), ReadBytes(ExampleFile("preamp.cha")));
    SaveTo(dialogFolder + "/цепи.cha"_cp1251);
    EXPECT_EQ(Popups().size(), 2u) << "no error message";
    EXPECT_EQ(ReadBytes(folder + "/цепи.cha"), ReadBytes(ExampleFile("preamp.cha")));
}

int nestedOpenCalls = 0;
void OpenAgainDuringDecode(int) {
    ++nestedOpenCalls;
    OpenCADfile(S.MainPanel, kOpenButton, EVENT_COMMIT, nullptr, 0, 0);
    Save(S.MainPanel, kSaveButton, EVENT_COMMIT, nullptr, 0, 0);
}

TEST_F(Shell, CommandsArrivingDuringADecodeWait) {
    AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, ExampleFile("preamp_orcad.net").c_str());
    AutoAnswerFileSelect(VAL_NEW_FILE_SELECTED, TempPath("nested.cha").c_str());
    nestedOpenCalls = 0;
    R.OnProgress = OpenAgainDuringDecode;
    AutoClick(S.MainPanel, kOpenButton);
    R.OnProgress = nullptr;
    EXPECT_GT(nestedOpenCalls, 0);
    EXPECT_EQ(Popups().size(), 1u);  // only the first open dialog
    EXPECT_FALSE(Exists(TempPath("nested.cha")));
    EXPECT_EQ(ChaBytes(BoxLines()), ReadBytes(ExampleFile("preamp.cha")));
}

TEST_F(Shell, SaveWritesEveryLineWithCrLf) {
    const std::vector<std::string> lines = {"#1 \"GND\" = U1:7, C1:2;", "#2 \"\xCF\xE8\xF2\" ;", "#3 \"X\" = A:1;"};
    for (const auto& l : lines) InsertTextBoxLine(S.MainPanel, kChainBox, -1, l.c_str());
    SaveTo(TempPath("three.cha"));
    EXPECT_EQ(ReadBytes(TempPath("three.cha")), ChaBytes(lines));
    const auto popups = Popups();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].kind, AUTO_POPUP_FILE_SELECT);
}

TEST_F(Shell, SaveAgainReplacesTheFile) {
    InsertTextBoxLine(S.MainPanel, kChainBox, -1, "a much longer first line than the next one");
    InsertTextBoxLine(S.MainPanel, kChainBox, -1, "second");
    SaveTo(TempPath("again.cha"));
    ResetTextBox(S.MainPanel, kChainBox, "");
    InsertTextBoxLine(S.MainPanel, kChainBox, -1, "short");
    SaveTo(TempPath("again.cha"), VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(ReadBytes(TempPath("again.cha")), "short\r\n");
}

TEST_F(Shell, SaveOfAnEmptyBoxGivesAnEmptyFile) {
    SaveTo(WriteTemp("old content", "empty.cha"), VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(ReadBytes(TempPath("empty.cha")), "");
}

TEST_F(Shell, SaveKeepsLongLinesWhole) {
    std::vector<std::string> lines;
    for (std::size_t len : {49998u, 49999u, 50000u, 300000u}) {
        std::string l(len, 'x');
        for (std::size_t k = 0; k < len; k += 97) l[k] = static_cast<char>('a' + k % 26);
        lines.push_back(l);
    }
    for (const auto& l : lines) InsertTextBoxLine(S.MainPanel, kChainBox, -1, l.c_str());
    SaveTo(TempPath("long.cha"));
    EXPECT_TRUE(ReadBytes(TempPath("long.cha")) == ChaBytes(lines));
}

TEST_F(Shell, CancelledSaveWritesNothing) {
    InsertTextBoxLine(S.MainPanel, kChainBox, -1, "line");
    SaveTo(TempPath("cancelled.cha"), VAL_NO_FILE_SELECTED);
    EXPECT_FALSE(Exists(TempPath("cancelled.cha")));
    EXPECT_EQ(Popups().size(), 1u);
}

// Names in a folder, sorted.
std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A save that fails says so, names the file and the reason, and leaves what
// was there before: no partial list, no temporary file.
struct SaveFailure {
    const char* name;
    std::string (*path)();
    const char* reason;
    long fileSizeLimit;  // bytes a process may write to a file; 0: no limit
    friend void PrintTo(const SaveFailure& f, std::ostream* os) { *os << f.name; }
};

class FailedSave : public Shell, public testing::WithParamInterface<SaveFailure> {};

TEST_P(FailedSave, SaysTheFileAndWhyAndLeavesTheOldFile) {
    const SaveFailure& f = GetParam();
    for (int k = 0; k < 2000; ++k) InsertTextBoxLine(S.MainPanel, kChainBox, -1, ("#" + std::to_string(k + 1) + " \"NET\" = U1:1, R2:2;").c_str());
    const std::string path = f.path();
    const std::string dir = path.substr(0, path.rfind('/'));
    const bool existed = Exists(path);
    struct stat st {};
    const bool regular = stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    const std::string before = regular ? ReadBytes(path) : "";
    const std::vector<std::string> listing = Listing(dir);
    rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    if (f.fileSizeLimit) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = static_cast<rlim_t>(f.fileSizeLimit);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    SaveTo(path, existed ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED);
    setrlimit(RLIMIT_FSIZE, &old);
    const auto popups = Popups();
    ASSERT_EQ(popups.size(), existed ? 3u : 2u);
    EXPECT_EQ(popups.back().kind, AUTO_POPUP_MESSAGE);
    EXPECT_EQ(popups.back().title, "ОШИБКА!"_cp1251);
    EXPECT_EQ(popups.back().text, "Не удаётся сохранить список цепей в файл\n«"_cp1251 + path + "»:\n"_cp1251 + cp1251::from_utf8(f.reason) + ".");
    EXPECT_EQ(Exists(path), existed);
    if (regular) {
        EXPECT_EQ(ReadBytes(path), before);
    }
    EXPECT_EQ(Listing(dir), listing);
    EXPECT_EQ(GetWaitCursor(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedSave,
    testing::Values(SaveFailure{"MissingFolder", [] { return TempPath("no-such-dir/x.cha"); }, "файл или папка не существует", 0},
                    SaveFailure{"Folder", [] {
                        const std::string dir = TempPath("a-folder.cha");
                        mkdir(dir.c_str(), 0755);
                        return dir;
                    }, "это папка, а не файл", 0},
                    SaveFailure{"FullDisk", [] { return std::string("/dev/full"); }, "на диске нет места", 0},
                    // The list outgrows what the file may hold part way through.
                    SaveFailure{"TooBigPartWay", [] { return WriteTemp("old list\r\n", "limited.cha"); }, "файл слишком велик", 20000}),
    [](const testing::TestParamInfo<SaveFailure>& info) { return std::string(info.param.name); });

TEST_F(Shell, AboutShowsAndCloseHidesTheInformationPanel) {
    AutoClick(S.MainPanel, kAboutButton);
    EXPECT_EQ(Visible(S.InfoPanel), 1);
    EXPECT_EQ(Text(S.InfoPanel, kInfoVersion), std::string("Версия "_cp1251) + TARVIK_VERSION);
    AutoClick(S.InfoPanel, kInfoClose);
    EXPECT_EQ(Visible(S.InfoPanel), 0);
}

TEST_F(Shell, CallbacksIgnoreEventsOtherThanCommit) {
    AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, ExampleFile("preamp_orcad.net").c_str());
    for (int event : {EVENT_VAL_CHANGED, EVENT_RIGHT_CLICK, EVENT_KEYPRESS, EVENT_GOT_FOCUS}) {
        EXPECT_EQ(OpenCADfile(S.MainPanel, kOpenButton, event, nullptr, 0, 0), 0);
        EXPECT_EQ(Save(S.MainPanel, kSaveButton, event, nullptr, 0, 0), 0);
        EXPECT_EQ(About(S.MainPanel, kAboutButton, event, nullptr, 0, 0), 0);
    }
    EXPECT_EQ(AutoPopupCount(), 0);
    EXPECT_EQ(Visible(S.InfoPanel), 0);
}

void ClickQuit(void*) { AutoClick(S.MainPanel, kQuitButton); }
void CloseMainWindow(void*) { AutoClosePanel(S.MainPanel); }
void ClickOpen(void*) { AutoClick(S.MainPanel, kOpenButton); }

// Quitting while a long list is decoded: the decode stops at the next
// progress step, the loop ends, no message comes and nothing is written.
int progressAfterQuit = -1;
void QuitOnFirstProgress(int) {
    if (progressAfterQuit >= 0) {
        ++progressAfterQuit;
        return;
    }
    progressAfterQuit = 0;
    ClickQuit(nullptr);
}
// Ctrl+Q where the keys go during a decode: the progress window.
void CtrlQOnFirstProgress(int) {
    if (progressAfterQuit >= 0) {
        ++progressAfterQuit;
        return;
    }
    progressAfterQuit = 0;
    AutoTypeKey(S.ProgressPanel, kProgressQuit, VAL_MENUKEY_MODIFIER | 'Q');
}
void CloseOnFirstProgress(int) {
    if (progressAfterQuit >= 0) {
        ++progressAfterQuit;
        return;
    }
    progressAfterQuit = 0;
    CloseMainWindow(nullptr);
}

struct Quitter {
    const char* name;
    void (*onProgress)(int);
    friend void PrintTo(const Quitter& q, std::ostream* os) { *os << q.name; }
};

class QuitDuringDecode : public Shell, public testing::WithParamInterface<Quitter> {};

TEST_P(QuitDuringDecode, StopsAtTheNextProgressStepAndEndsTheLoop) {
    std::string nets = "X\nNETS\n";
    for (int k = 0; k < 20000; ++k) nets += "N" + std::to_string(k) + " = U1/1 R2/2 ;\n";
    AutoAnswerFileSelect(VAL_EXISTING_FILE_SELECTED, WriteTemp(nets, "long.net").c_str());
    progressAfterQuit = -1;
    R.OnProgress = GetParam().onProgress;
    PostDeferredCall(ClickOpen, nullptr);
    EXPECT_EQ(RunUserInterface(), 0);
    R.OnProgress = nullptr;
    EXPECT_EQ(progressAfterQuit, 0) << "no progress step after the quit";
    EXPECT_LT(BoxLines().size(), 100u);
    EXPECT_EQ(Popups().size(), 1u);  // the open dialog only
    EXPECT_EQ(Visible(S.ProgressPanel), 0);
    EXPECT_EQ(GetWaitCursor(), 0);
    EXPECT_FALSE(S.Busy);
    // The next open decodes in full again.
    OpenFile(ExampleFile("preamp_orcad.net"));
    EXPECT_EQ(ChaBytes(BoxLines()), ReadBytes(ExampleFile("preamp.cha")));
}

INSTANTIATE_TEST_SUITE_P(Ways, QuitDuringDecode,
                         testing::Values(Quitter{"QuitButton", QuitOnFirstProgress}, Quitter{"ClosingTheWindow", CloseOnFirstProgress},
                                         Quitter{"CtrlQOnTheProgressWindow", CtrlQOnFirstProgress}),
                         [](const testing::TestParamInfo<Quitter>& info) { return std::string(info.param.name); });

// tarvik FILE: the program opens the file once its event loop runs (the
// headless loop ends when nothing is left to do).
TEST_F(Shell, FileGivenOnTheCommandLineIsOpened) {
    std::string path = ExampleFile("controller_accel.net");
    char arg0[] = "tarvik";
    char* argv[] = {arg0, path.data(), nullptr};
    EXPECT_EQ(TarvikMain(2, argv, UIRT_BACKEND_HEADLESS), 0);
    EXPECT_EQ(ChaBytes(BoxLines()), ReadBytes(ExampleFile("controller.cha")));
    EXPECT_EQ(Title(S.MainPanel), "controller_accel.net — Тарвик — импорт списка связей"_cp1251);
    EXPECT_EQ(Popups().size(), 0u);
}

// The window program's command line, run as a user would; none of these
// needs a display.
TEST(TarvikCommandLine, VersionHelpAndWrongArguments) {
    const struct {
        const char* args;
        int status;
        std::string out, err;
    } cases[] = {
        {"--version", 0, std::string("tarvik ") + TARVIK_VERSION + "\n", ""},
        {"--bogus", 2, "", "tarvik: unknown option '--bogus' (tarvik --help tells more)\n"},
        {"-x a.net", 2, "", "tarvik: unknown option '-x' (tarvik --help tells more)\n"},
        {"a.net b.net", 2, "", "tarvik: surplus argument 'b.net' (tarvik --help tells more)\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = RunProgram(TARVIK_EXE, c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.out, c.out) << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
    }
    const RunResult help = RunProgram(TARVIK_EXE, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("usage: tarvik [FILE]\n")) << help.out;
}

TEST_F(Shell, QuitButtonAndClosingTheWindowEndTheEventLoop) {
    PostDeferredCall(ClickQuit, nullptr);
    EXPECT_EQ(RunUserInterface(), 0);
    PostDeferredCall(CloseMainWindow, nullptr);
    EXPECT_EQ(RunUserInterface(), 0);
}

}  // namespace
}  // namespace tarvik::test
