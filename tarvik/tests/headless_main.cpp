// Test entry for the headless suites: run-time on the headless backend and the
// program's three panels loaded from the built Tarvik.uir.
#include <gtest/gtest.h>

#include <cstdio>

#include "shell.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!InitUIRuntime(0, nullptr, UIRT_BACKEND_HEADLESS) || tarvik::LoadPanels(TARVIK_TEST_UIR) < 0) {
        std::fprintf(stderr, "cannot start the run-time or load %s\n", TARVIK_TEST_UIR);
        return 1;
    }
    return RUN_ALL_TESTS();
}
