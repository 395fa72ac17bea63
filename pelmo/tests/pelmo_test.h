// Shared helpers of the extension's tests: the backend under test and a
// fixture with a displayed panel holding one text box.
#ifndef PELMO_TESTS_PELMO_TEST_H
#define PELMO_TESTS_PELMO_TEST_H

#include <gtest/gtest.h>

#include <string>

#include "cp1251.h"
#include "pelmo_ui.h"
#include "uirt.h"
#include "uirt_auto.h"

using namespace cp1251::literals;

namespace pelmo_test {

// UIRT_BACKEND_HEADLESS or UIRT_BACKEND_QT, as chosen by --backend=.
int backend();

struct Popup {
    int kind = 0;
    std::string title, text;
};

class BoxTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Extends the box; depth 0 gives no history.
    UndoHistory* extend(int depth, int size = 0);
    // Sets the text by program, as a host does, and makes it the baseline.
    void load(const std::string& text);
    std::string text() const;
    void type(const std::string& bytes) const { AutoTypeText(panel, box, bytes.c_str()); }
    void key(int code) const { AutoTypeKey(panel, box, code); }
    void select(int start, int length) const;
    int attr(int attribute) const;
    int selStart() const { return attr(ATTR_TEXT_SELECTION_START); }
    int selLength() const { return attr(ATTR_TEXT_SELECTION_LENGTH); }
    // The popups shown since the test began.
    int popupCount() const { return AutoPopupCount(); }
    Popup popup(int index) const;

    int panel = 0;
    int box = 0;
    UndoHistory* history = nullptr;
};

}  // namespace pelmo_test

#endif  // PELMO_TESTS_PELMO_TEST_H
