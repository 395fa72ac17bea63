// The run-time's C functions when things fail, on the headless backend: files
// that cannot be opened, read or written, resource files that cannot be read,
// and memory running out at any allocation inside a call. Every failure is a
// result (a handle <= 0, -1, a negative UIE code), never a crash or an
// exception, and a call that failed for lack of memory changes nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "uirt.h"
#include "uirt_auto.h"
#include "unprivileged.h"

// Every allocation of the process goes through here; when armed, the
// allocation numbered gFailAt (from the arming on) fails. Without the address
// sanitizer, which keeps malloc to itself, malloc and its kin are replaced
// too (the text of a text box is allocated with malloc); with it, only
// operator new can fail.
namespace {
std::atomic<long> gAllocations{0};
std::atomic<long> gFailAt{-1};
bool FailThisOne() { return gAllocations++ == gFailAt; }
}  // namespace

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMallocFails = false;
void* RawMalloc(std::size_t size) { return std::malloc(size); }
#else
constexpr bool kMallocFails = true;
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
void* malloc(std::size_t size) { return FailThisOne() ? nullptr : __libc_malloc(size); }
void* calloc(std::size_t count, std::size_t size) { return FailThisOne() ? nullptr : __libc_calloc(count, size); }
void* realloc(void* p, std::size_t size) { return FailThisOne() ? nullptr : __libc_realloc(p, size); }
void free(void* p) { __libc_free(p); }
}
void* RawMalloc(std::size_t size) { return __libc_malloc(size); }
#endif

void* operator new(std::size_t size) {
    if (FailThisOne()) throw std::bad_alloc();
    if (void* p = RawMalloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// A folder that the unprivileged user may enter, removed at the end.
class Folder {
public:
    Folder() {
        char name[] = "/tmp/uirt-failure-XXXXXX";
        if (!mkdtemp(name)) std::abort();
        path_ = name;
        chmod(path_.c_str(), 0755);
    }
    ~Folder() { std::system(("chmod -R u+rwx '" + path_ + "' && rm -rf '" + path_ + "'").c_str()); }
    std::string File(const std::string& name, const std::string& bytes, mode_t mode) const {
        const std::string file = path_ + "/" + name;
        std::ofstream(file, std::ios::binary) << bytes;
        chmod(file.c_str(), mode);
        return file;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// ---- Files that cannot be opened -----------------------------------------

struct OpenCase {
    const char* name;
    // Makes the path in the folder; the open runs as an unprivileged user.
    std::function<std::string(const Folder&)> make;
    int readWrite;
};

void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }

class FilesThatCannotBeOpened : public ::testing::TestWithParam<OpenCase> {};

TEST_P(FilesThatCannotBeOpened, GiveNoHandleAndChangeNothing) {
    const Folder folder;
    const std::string path = GetParam().make(folder);
    struct stat before {};
    const bool existed = stat(path.c_str(), &before) == 0;
    const std::string bytes = existed && S_ISREG(before.st_mode) ? Contents(path) : "";
    for (int type : {VAL_BINARY, VAL_ASCII}) {
        for (int action : {VAL_OPEN_AS_IS, VAL_TRUNCATE, VAL_APPEND}) {
            int handle = 0;
            {
                const Unprivileged nobody;
                handle = CVI_OpenFile(path.c_str(), GetParam().readWrite, action, type);
            }
            EXPECT_LE(handle, 0) << "type " << type << ", action " << action;
            if (handle > 0) CVI_CloseFile(handle);
        }
    }
    struct stat after {};
    EXPECT_EQ(stat(path.c_str(), &after) == 0, existed) << "nothing is created";
    if (existed && S_ISREG(before.st_mode)) {
        EXPECT_EQ(Contents(path), bytes) << "nor truncated";
        EXPECT_EQ(after.st_mode, before.st_mode);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, FilesThatCannotBeOpened, ::testing::Values(
    OpenCase{"read_in_a_missing_folder", [](const Folder& f) { return f.Path() + "/none/x.net"; }, VAL_READ_ONLY},
    OpenCase{"write_in_a_missing_folder", [](const Folder& f) { return f.Path() + "/none/x.cha"; }, VAL_WRITE_ONLY},
    OpenCase{"read_a_folder", [](const Folder& f) { return f.Path(); }, VAL_READ_ONLY},
    OpenCase{"write_a_folder", [](const Folder& f) { return f.Path(); }, VAL_WRITE_ONLY},
    OpenCase{"read_without_permission",
             [](const Folder& f) { return f.File("secret.net", "ACCEL_ASCII", 0200); }, VAL_READ_ONLY},
    OpenCase{"write_a_read_only_file",
             [](const Folder& f) { return f.File("kept.cha", "#1 \"A\" = B:1;\r\n", 0444); }, VAL_WRITE_ONLY},
    OpenCase{"read_write_a_read_only_file",
             [](const Folder& f) { return f.File("kept.cha", "#1 \"A\" = B:1;\r\n", 0444); }, VAL_READ_WRITE},
    OpenCase{"create_in_a_read_only_folder",
             [](const Folder& f) {
                 const std::string dir = f.Path() + "/locked";
                 mkdir(dir.c_str(), 0555);
                 return dir + "/new.cha";
             },
             VAL_WRITE_ONLY}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Files that open but cannot be read or written -----------------------

TEST(FilesThatFailAfterOpening, ReadErrorIsMinusOneInBothModes) {
    // Reading a process's memory from offset 0 fails: nothing is mapped there.
    for (int type : {VAL_BINARY, VAL_ASCII}) {
        const int handle = CVI_OpenFile("/proc/self/mem", VAL_READ_ONLY, VAL_OPEN_AS_IS, type);
        ASSERT_GT(handle, 0);
        char buffer[64];
        EXPECT_EQ(CVI_ReadFile(handle, buffer, sizeof buffer), -1) << "type " << type;
        EXPECT_EQ(CVI_CloseFile(handle), 0);
    }
}

TEST(FilesThatFailAfterOpening, WriteToAFullDeviceIsMinusOne) {
    const std::string line(100000, 'x');
    for (int type : {VAL_BINARY, VAL_ASCII}) {
        const int handle = CVI_OpenFile("/dev/full", VAL_WRITE_ONLY, VAL_OPEN_AS_IS, type);
        ASSERT_GT(handle, 0);
        EXPECT_EQ(CVI_WriteFile(handle, "abc", 3), -1) << "type " << type;
        EXPECT_EQ(CVI_WriteFile(handle, line.data(), static_cast<int>(line.size())), -1);
        CVI_CloseFile(handle);
    }
}

TEST(FilesThatFailAfterOpening, HandlesRefuseTheOtherDirection) {
    const Folder folder;
    const std::string path = folder.File("both.txt", "abc", 0644);
    const int reader = CVI_OpenFile(path.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_BINARY);
    const int writer = CVI_OpenFile(path.c_str(), VAL_WRITE_ONLY, VAL_APPEND, VAL_BINARY);
    ASSERT_GT(reader, 0);
    ASSERT_GT(writer, 0);
    char buffer[4];
    EXPECT_EQ(CVI_WriteFile(reader, "x", 1), -1);
    EXPECT_EQ(CVI_ReadFile(writer, buffer, 1), -1);
    EXPECT_EQ(CVI_CloseFile(reader), 0);
    EXPECT_EQ(CVI_CloseFile(writer), 0);
    EXPECT_EQ(Contents(path), "abc");
}

// ---- Resource files that cannot be read -----------------------------------

class ResourceFilesThatCannotBeRead : public ::testing::TestWithParam<OpenCase> {};

TEST_P(ResourceFilesThatCannotBeRead, AreFileErrorsNamingTheFile) {
    const Folder folder;
    const std::string path = GetParam().make(folder);
    testing::internal::CaptureStderr();
    int result = 0;
    {
        const Unprivileged nobody;
        result = LoadPanel(0, path.c_str(), 1);
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, UIE_FILE_ERROR);
    EXPECT_EQ(err.rfind(path + ": cannot ", 0), 0u) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line: " << err;
}

INSTANTIATE_TEST_SUITE_P(Resources, ResourceFilesThatCannotBeRead, ::testing::Values(
    OpenCase{"in_a_missing_folder", [](const Folder& f) { return f.Path() + "/none/x.uir"; }, VAL_READ_ONLY},
    OpenCase{"a_folder", [](const Folder& f) { return f.Path(); }, VAL_READ_ONLY},
    OpenCase{"without_permission",
             [](const Folder& f) { return f.File("x.uir", "[panel 1]\n", 0200); }, VAL_READ_ONLY},
    OpenCase{"read_error", [](const Folder&) { return std::string("/proc/self/mem"); }, VAL_READ_ONLY}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Memory running out ----------------------------------------------------

// One call of the C interface, the state it may change, and whether that
// state is as it was.
struct Call {
    const char* name;
    std::function<int()> run;                 // result: >= 0 success, < 0 failure
    std::function<std::string()> observe;     // what a failed call must leave unchanged
};

class OutOfMemory : public ::testing::Test {
protected:
    void SetUp() override {
        panel = NewPanel(0, "panel", 10, 10, 200, 300);
        ASSERT_GT(panel, 0);
        box = NewCtrl(panel, CTRL_TEXT_BOX, "box", 10, 10);
        field = NewCtrl(panel, CTRL_STRING, "field", 100, 10);
        box2 = NewCtrl(panel, CTRL_TEXT_BOX, "box2", 150, 10);
        ASSERT_GT(box, 0);
        ASSERT_GT(box2, 0);
        ASSERT_GT(field, 0);
        ASSERT_EQ(ResetTextBox(panel, box, "one\ntwo\nthree"), 0);
        uir = folder.File("x.uir",
                          "[panel 1]\ntitle = T\ntop = 1\nleft = 1\nheight = 50\nwidth = 50\n"
                          "[control 2]\nkind = textbox\ntop = 1\nleft = 1\nheight = 10\nwidth = 10\n"
                          "value = a\\nb\nlabel = Список\n",
                          0644);
    }
    void TearDown() override { DiscardPanel(panel); }

    std::string BoxText(int control) const {
        int length = 0;
        GetCtrlAttribute(panel, control, ATTR_STRING_TEXT_LENGTH, &length);
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        GetCtrlVal(panel, control, text.data());
        text.resize(static_cast<std::size_t>(length));
        return text;
    }
    std::string FieldText() const {
        int length = 0;
        GetCtrlAttribute(panel, field, ATTR_STRING_TEXT_LENGTH, &length);
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        GetCtrlVal(panel, field, text.data());
        text.resize(static_cast<std::size_t>(length));
        return text;
    }

    // Fails each allocation of the call in turn, then lets it succeed.
    void Sweep(const Call& call) {
        long failAt = 0;
        for (;; ++failAt) {
            const std::string before = call.observe();
            const long start = gAllocations.load();
            gFailAt = start + failAt;
            const int result = call.run();
            gFailAt = -1;
            const bool reached = gAllocations.load() > start + failAt;
            if (!reached) {
                EXPECT_GE(result, 0) << call.name << " with every allocation granted";
                break;
            }
            if (result >= 0) continue;  // the failed allocation had a way round
            EXPECT_TRUE(result == UIE_OUT_OF_MEMORY || result == UIE_FILE_ERROR)
                << call.name << " gave " << result << " when allocation " << failAt << " failed";
            EXPECT_EQ(call.observe(), before) << call.name << ": allocation " << failAt;
        }
        if (kMallocFails) {
            EXPECT_GT(failAt, 0) << call.name << " allocates, or the sweep tests nothing";
        }
    }

    const Folder folder;
    std::string uir;
    int panel = 0;
    int box = 0;
    int box2 = 0;  // each call that replaces a text has a control of its own
    int field = 0;
};

TEST_F(OutOfMemory, EveryCallFailsCleanly) {
    const auto lines = [this] { return BoxText(box); };
    const auto nothing = [] { return std::string(); };
    // Texts longer at every attempt, so that no call finds room already made;
    // made in a block reserved beforehand, so that making them allocates nothing.
    std::size_t grow = 1000;
    std::string big;
    big.reserve(std::size_t{1} << 22);
    const auto longer = [&]() -> const std::string& {
        big.assign(grow += 1000, 'q');
        big += "\nend";
        return big;
    };
    const std::vector<Call> calls = {
        {"InsertTextBoxLine", [&] { return InsertTextBoxLine(panel, box, 1, longer().c_str()); }, lines},
        {"ResetTextBox", [&] { return ResetTextBox(panel, box2, longer().c_str()); },
         [this] { return BoxText(box2); }},
        {"SetCtrlVal", [&] { return SetCtrlVal(panel, field, longer().c_str()); }, [this] { return FieldText(); }},
        {"SetCtrlAttribute label",
         [&] { return SetCtrlAttribute(panel, field, ATTR_LABEL_TEXT, longer().c_str()); }, nothing},
        {"NewPanel and DiscardPanel",
         [&] {
             const int p = NewPanel(0, "new", 1, 1, 10, 10);
             return p > 0 ? DiscardPanel(p) : p;
         },
         nothing},
        {"NewCtrl", [&] { const int c = NewCtrl(panel, CTRL_TEXT_BOX, "more", 1, 1);
                          return c > 0 ? DiscardCtrl(panel, c) : c; }, nothing},
        {"LoadPanel", [&] { const int p = LoadPanel(0, uir.c_str(), 1);
                            return p > 0 ? DiscardPanel(p) : p; }, nothing},
        {"NewMenuBar, NewMenu, NewMenuItem",
         [&] {
             const int bar = NewMenuBar(panel);
             if (bar <= 0) return bar;
             const int menu = NewMenu(bar, "Правка", -1);
             const int item = menu > 0 ? NewMenuItem(bar, menu, "Отменить", -1, 0, nullptr, nullptr) : menu;
             DiscardMenuBar(bar);
             return item > 0 ? 0 : item;
         },
         nothing},
        {"CVI_OpenFile, CVI_ReadFile",
         [&] {
             const int f = CVI_OpenFile(uir.c_str(), VAL_READ_ONLY, VAL_OPEN_AS_IS, VAL_ASCII);
             if (f <= 0) return UIE_OUT_OF_MEMORY;
             char buffer[16];
             const int n = CVI_ReadFile(f, buffer, sizeof buffer);
             CVI_CloseFile(f);
             return n > 0 ? 0 : UIE_OUT_OF_MEMORY;
         },
         nothing},
        {"MessagePopup", [&] { AutoAnswerMessage(); return MessagePopup("Заголовок", "Текст"); }, nothing},
    };
    for (const Call& call : calls) Sweep(call);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!InitUIRuntime(0, nullptr, UIRT_BACKEND_HEADLESS)) return 1;
    return RUN_ALL_TESTS();
}
