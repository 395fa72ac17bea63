// Starts the run-time on the Qt backend and prints whether it started; used
// to check that an unreachable display gives a failure, not an abort.
#include <cstdio>

#include "uirt.h"

int main(int argc, char** argv) {
    const int started = InitUIRuntime(argc, argv, UIRT_BACKEND_QT);
    std::printf("started=%d\n", started);
    return 0;
}
