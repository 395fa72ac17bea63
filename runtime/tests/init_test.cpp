// InitUIRuntime's choice of backend when the Qt backend library is missing,
// lacks its factory, or its factory fails: each time 0, never a crash. Runs
// private copies of libuirt (this program does not link it) so that each
// case starts from a fresh, uninitialised run-time.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using InitFn = int (*)(int, char**, int);
using BackendFn = int (*)(void);

constexpr int kHeadless = 0;
constexpr int kQt = 1;

struct Copy {
    fs::path dir;
    void* lib = nullptr;
    InitFn init = nullptr;
    BackendFn which = nullptr;

    // Copies libuirt into a fresh folder, with qtLibrary (if any) beside it
    // under the Qt backend's name.
    explicit Copy(const char* qtLibrary) {
        char pattern[] = "/tmp/uirt-init-XXXXXX";
        dir = mkdtemp(pattern);
        fs::copy_file(UIRT_LIBRARY, dir / "libuirt.so");
        if (qtLibrary) fs::copy_file(qtLibrary, dir / "libuirt-qt.so");
        lib = dlopen((dir / "libuirt.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!lib) return;
        init = reinterpret_cast<InitFn>(dlsym(lib, "InitUIRuntime"));
        which = reinterpret_cast<BackendFn>(dlsym(lib, "GetUIRuntimeBackend"));
    }
    ~Copy() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
};

struct InitCase {
    const char* name;
    const char* qtLibrary;
};

std::ostream& operator<<(std::ostream& os, const InitCase& c) { return os << c.name; }

class QtBackendUnavailable : public ::testing::TestWithParam<InitCase> {};

TEST_P(QtBackendUnavailable, InitReturnsZeroAndTheRuntimeStaysUnchosen) {
    Copy copy(GetParam().qtLibrary);
    ASSERT_NE(copy.lib, nullptr) << dlerror();
    ASSERT_NE(copy.init, nullptr);
    EXPECT_EQ(copy.which(), -1);
    EXPECT_EQ(copy.init(0, nullptr, kQt), 0);
    EXPECT_EQ(copy.which(), -1);
    EXPECT_EQ(copy.init(0, nullptr, kHeadless), 1) << "the headless backend still starts";
    EXPECT_EQ(copy.which(), kHeadless);
    EXPECT_EQ(copy.init(0, nullptr, kHeadless), 1) << "a second call for the same backend";
    EXPECT_EQ(copy.init(0, nullptr, kQt), 0) << "another backend cannot replace it";
    EXPECT_EQ(copy.init(0, nullptr, 7), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, QtBackendUnavailable,
                         ::testing::Values(InitCase{"library_missing", nullptr},
                                           InitCase{"factory_missing", FAKE_QT_NO_FACTORY},
                                           InitCase{"factory_returns_null", FAKE_QT_NULL_FACTORY}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InitUIRuntime, UnknownBackendIsRefused) {
    Copy copy(nullptr);
    ASSERT_NE(copy.lib, nullptr) << dlerror();
    EXPECT_EQ(copy.init(0, nullptr, 5), 0);
    EXPECT_EQ(copy.which(), -1);
}

}  // namespace
