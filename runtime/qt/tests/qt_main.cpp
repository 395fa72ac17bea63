// Entry of the Qt backend's own tests: starts the run-time on the Qt backend.
#include <cstdio>
#include <cstdlib>

#include "qt_test.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!InitUIRuntime(argc, argv, UIRT_BACKEND_QT)) {
        std::fprintf(stderr, "cannot start the Qt backend\n");
        return 2;
    }
    return RUN_ALL_TESTS();
}
