// Shared helpers of the run-time's contract suite: the backend under test and
// a fixture that gives each test a fresh, displayed panel.
#ifndef UIRT_TESTS_CONTRACT_H
#define UIRT_TESTS_CONTRACT_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "uirt.h"
#include "uirt_auto.h"

namespace contract {

// UIRT_BACKEND_HEADLESS or UIRT_BACKEND_QT, as chosen by --backend=.
int backend();
inline bool isQt() { return backend() == UIRT_BACKEND_QT; }

// A fresh temporary directory for the current test (removed at exit).
std::string tempDir();
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

// Each test gets its own displayed panel; pending events are drained and the
// automation state is reset before and after.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    int addTextBox(int height = 200, int width = 300);
    std::string value(int control);
    int attr(int control, int attribute);
    int panel = 0;
};

// Records every callback call as "control:event:data1:data2".
struct EventLog {
    static std::vector<std::string>& calls();
    static int callback(int panel, int control, int event, void* data, int data1, int data2);
};

}  // namespace contract

#endif  // UIRT_TESTS_CONTRACT_H
