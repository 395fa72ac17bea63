// Text boxes of the Qt backend against a plain string model: random appends
// (batched inside the backend), inserts, resets and queries must agree.
#include <random>

#include "qt_test.h"

using namespace qttest;

namespace {

// The text box as the C interface describes it.
struct BoxModel {
    std::string text;
    bool oneEmptyLine = false;

    std::vector<size_t> starts() const {
        std::vector<size_t> s{0};
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') s.push_back(i + 1);
        return s;
    }
    int count() const { return text.empty() && !oneEmptyLine ? 0 : static_cast<int>(starts().size()); }
    void insert(int index, const std::string& line) {
        const int n = count();
        if (n == 0) {
            text = line;
            oneEmptyLine = line.empty();
        } else if (index == -1 || index == n) {
            text += "\n" + line;
            oneEmptyLine = false;
        } else {
            text.insert(starts()[static_cast<size_t>(index)], line + "\n");
            oneEmptyLine = false;
        }
    }
    std::string line(int i) const {
        const auto s = starts();
        const size_t end = static_cast<size_t>(i) + 1 < s.size() ? s[static_cast<size_t>(i) + 1] - 1 : text.size();
        return text.substr(s[static_cast<size_t>(i)], end - s[static_cast<size_t>(i)]);
    }
};

std::string randomLine(std::mt19937& rng) {
    static const std::string alphabet = std::string("ab \t\r\x98\xA0\xE0\xFF") + "xyz";
    const int length = static_cast<int>(rng() % 12);
    std::string s;
    for (int i = 0; i < length; ++i) s += alphabet[rng() % alphabet.size()];
    return s;
}

}  // namespace

class QtBoxModel : public QtPanel, public ::testing::WithParamInterface<unsigned> {};

TEST_P(QtBoxModel, RandomEditsAndQueriesAgreeWithTheModel) {
    std::mt19937 rng(GetParam());
    const int box = textBox();
    BoxModel model;
    for (int step = 0; step < 600; ++step) {
        const unsigned op = rng() % 100;
        if (op < 55) {
            const std::string line = randomLine(rng);
            ASSERT_EQ(InsertTextBoxLine(panel, box, -1, line.c_str()), 0);
            model.insert(-1, line);
        } else if (op < 70) {
            const int index = static_cast<int>(rng() % static_cast<unsigned>(model.count() + 1));
            const std::string line = randomLine(rng);
            ASSERT_EQ(InsertTextBoxLine(panel, box, index, line.c_str()), 0);
            model.insert(index, line);
        } else if (op < 73) {
            const std::string text = rng() % 2 ? randomLine(rng) + "\n" + randomLine(rng) : std::string();
            ResetTextBox(panel, box, text.c_str());
            model = BoxModel{text, false};
        } else if (op < 80) {
            ProcessSystemEvents();
        } else {
            int count = -1;
            GetNumTextBoxLines(panel, box, &count);
            ASSERT_EQ(count, model.count()) << "step " << step;
            if (count == 0) continue;
            const int i = static_cast<int>(rng() % static_cast<unsigned>(count));
            int offset = -1, length = -1, back = -1;
            GetTextBoxLineOffset(panel, box, i, &offset);
            ASSERT_EQ(offset, static_cast<int>(model.starts()[static_cast<size_t>(i)])) << "step " << step;
            GetTextBoxLineLength(panel, box, i, &length);
            const std::string expected = model.line(i);
            ASSERT_EQ(length, static_cast<int>(expected.size()));
            std::string got(static_cast<size_t>(length) + 1, '\0');
            GetTextBoxLine(panel, box, i, got.data());
            got.resize(static_cast<size_t>(length));
            ASSERT_EQ(got, expected) << "step " << step;
            GetTextBoxLineIndexFromOffset(panel, box, offset, &back);
            ASSERT_EQ(back, i);
            ASSERT_EQ(value(box), model.text) << "step " << step;
            int last = 0;
            EXPECT_LT(GetTextBoxLineOffset(panel, box, count, &last), 0) << "past the last line";
        }
    }
    EXPECT_EQ(value(box), model.text);
}

INSTANTIATE_TEST_SUITE_P(Seeds, QtBoxModel, ::testing::Values(1u, 2u, 3u, 42u),
                         [](const ::testing::TestParamInfo<unsigned>& info) { return "seed_" + std::to_string(info.param); });

class QtBoxSelection : public QtPanel {};

TEST_F(QtBoxSelection, InsertingBeforeTheCaretMovesItAndAppendingDoesNot) {
    const int box = textBox();
    ResetTextBox(panel, box, "one\ntwo");
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 5);  // "t|wo"
    InsertTextBoxLine(panel, box, 0, "zero");
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 10);
    InsertTextBoxLine(panel, box, -1, "three");
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 10);
    SetCtrlAttribute(panel, box, ATTR_TEXT_SELECTION_START, 5);  // start of "one"
    InsertTextBoxLine(panel, box, 1, "half");
    EXPECT_EQ(attr(box, ATTR_TEXT_SELECTION_START), 5) << "a caret at the insertion point stays";
    EXPECT_EQ(value(box), "zero\nhalf\none\ntwo\nthree");
}
