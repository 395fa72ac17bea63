// Table-driven tests of the three decoders: one case per rule of each form,
// with the exact chain lines and result expected, run as one suite whose
// cases are named FORM_Rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoders.h"
#include "support.h"

namespace tarvik::test {
namespace {

using namespace std::string_literals;

struct Case {
    const char* name;
    std::string input;
    int result;
    std::vector<std::string> lines;
};

// The text box's text: lines joined by LF. A chain line whose name holds an LF
// shows as two text-box lines; compared as text, both views agree.
std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t k = 0; k < lines.size(); ++k) text += (k ? "\n" : "") + lines[k];
    return text;
}

// ---- ORCAD ------------------------------------------------------------------
const std::string kNets = "PARTS\nNETS\n";

const std::vector<Case> kOrcadCases = {
    {"BlankBeforeSemicolon", kNets + "GND = U1/7 C1/2 ;\n", 0, {R"(#1 "GND" = U1:7, C1:2;)"}},
    {"SemicolonRightAfterNode", kNets + "GND = U1/7 C1/2;\n", 0, {R"(#1 "GND" = U1:7, C1:2;)"}},
    {"NetOverThreeLines", kNets + "GND =\nU1/7\nC1/2\n;\n", 0, {R"(#1 "GND" = U1:7, C1:2;)"}},
    {"SeveralNetsOnOneLine", kNets + "A = U1/1; B = U2/2 ;\n", 0, {R"(#1 "A" = U1:1;)", R"(#2 "B" = U2:2;)"}},
    {"OnlyBlankLinesAfterNets", kNets + "\n\n\n", 0, {}},
    {"EmptyNet", kNets + "GND =   ;\n", 0, {R"(#1 "GND" = ;)"}},
    {"NodeForms", kNets + "N = U5 A/B/C /S;\n", 0, {R"(#1 "N" = U5, A:B/C, /S;)"}},
    {"BlanksAfterSecondSlashKeepTheNode", kNets + "A = U1/B/  C ;\n", 0, {R"(#1 "A" = U1:B/C;)"}},
    {"SemicolonRightAfterSlash", kNets + "A = U1/;\n", 0, {R"(#1 "A" = U1:;)"}},
    {"TabAndCrStayInNode", kNets + "A = U1\t/1\r2 ;\n", 0, {"#1 \"A\" = U1\t:1\r2;"}},
    {"TabStaysInName", kNets + "G\tND = U1/1 ;\n", 0, {"#1 \"G\tND\" = U1:1;"}},
    {"LfInNameTakesInNextLine", kNets + "GND\nVCC = U1/1 ;\n", 0, {"#1 \"GND", "VCC\" = U1:1;"}},
    {"EqualsRightBehindNameEndsIt", kNets + "NetDA10_10= DA10/10 R91/1 ;\nB = U1/1 ;\n", 0,
     {R"(#1 "NetDA10_10" = DA10:10, R91:1;)", R"(#2 "B" = U1:1;)"}},
    {"EqualsBeginningANameIsPartOfIt", kNets + "=A = U1/1 ;\n", 0, {R"(#1 "=A" = U1:1;)"}},
    {"BytesOfTheCodePageAreCopied", kNets + "\xCF\xE8\xF2 = \xDD" "1/1 ;\n", 0, {"#1 \"\xCF\xE8\xF2\" = \xDD" "1:1;"}},
    {"CrLfLines", "PARTS\r\nNETS\r\nGND = U1/7\r\n C1/2 ;\r\n", 0, {R"(#1 "GND" = U1:7, C1:2;)"}},
    {"ZeroBytesAreDropped", kNets + "G\0ND = U1/\0" "1 ;\n"s, 0, {R"(#1 "GND" = U1:1;)"}},
    {"LowerCaseNetsRefused", "PARTS\nnets\nGND = U1/7 ;\n", kNotThisForm, {}},
    {"BlankBeforeNetsRefused", "PARTS\n NETS\nGND = U1/7 ;\n", kNotThisForm, {}},
    {"NetsOnFirstLineRefused", "NETS\nGND = U1/7 ;\n", kNotThisForm, {}},
    {"ZeroByteBeforeNetsHidesIt", "PARTS\0\nNETS\nGND = U1/7 ;\n"s, kNotThisForm, {}},
    {"EmptyFileRefused", "", kNotThisForm, {}},
    {"TrailingWordEndsInsideName", kNets + "GND = U1/7 ;\nEND", 0, {R"(#1 "GND" = U1:7;)"}},
    {"TrailingWordAndLfEndsInsideName", kNets + "GND = U1/7 ;\nEND\n", 0, {R"(#1 "GND" = U1:7;)"}},
    {"NameOnlyWithoutNetsBeforeIsRefused", kNets + "END", kNotThisForm, {}},
    {"LastNetWithoutSemicolonAtEndOfNode", kNets + "A = U1/1 ;\nB = U2/2", 0, {R"(#1 "A" = U1:1;)"}},
    {"LastNetWithoutSemicolonThenLf", kNets + "A = U1/1 ;\nB = U2/2\n", kNotThisForm, {R"(#1 "A" = U1:1;)"}},
    {"EndInsideFirstNodeRefused", kNets + "A = U1", kNotThisForm, {}},
    {"WordsWithoutEqualsAfterLastNet", kNets + "A = U1/1 ;\nfoo bar baz\n", kNotThisForm, {R"(#1 "A" = U1:1;)"}},
};


// ---- ACCEL ASCII --------------------------------------------------------------
const std::string kAccel = "ACCEL_ASCII \"board\"\n";

const std::vector<Case> kAccelCases = {
    {"TwoNodes", kAccel + "(netlist \"N\"\n (net \"GND\"\n  (node \"U1\" \"7\")\n  (node \"C1\" \"2\")\n )\n)\n", 0,
     {R"(#1 "GND" = U1:7, C1:2;)"}},
    {"LowerCaseHeader", "accel_ascii\n(net \"A\" (node \"U1\" \"1\"))", 0, {R"(#1 "A" = U1:1;)"}},
    {"BlankBeforeHeaderRefused", " ACCEL_ASCII\n(net \"A\" (node \"U1\" \"1\"))", kNotThisForm, {}},
    {"ByteOrderMarkRefused", "\xEF\xBB\xBF" "ACCEL_ASCII\n(net \"A\" (node \"U1\" \"1\"))", kNotThisForm, {}},
    {"ShorterThanHeaderRefused", "ACCEL_ASC", kNotThisForm, {}},
    {"HeaderOnly", "ACCEL_ASCII", 0, {}},
    {"KeywordsIgnoreCase", kAccel + "(NET \"A\" (Node \"U1\" \"1\") (NODE \"U2\" \"2\"))", 0, {R"(#1 "A" = U1:1, U2:2;)"}},
    {"NetlistAndNodesAreNotKeywords", kAccel + "(netlist \"N\" (net \"A\" (nodes \"X\" \"1\") (node \"U1\" \"2\")))", 0,
     {R"(#1 "A" = U1:2;)"}},
    {"NetFollowedByTabIsNoNet", kAccel + "(net\t\"A\" (node \"U1\" \"1\"))", 0, {}},
    {"NetFollowedByLineEndIsNoNet", kAccel + "(net\n\"A\" (node \"U1\" \"1\"))", 0, {}},
    {"ParenthesesInsideQuotesNotCounted", kAccel + "(net \"P(\" (node \"R)\" \"(1\")) (net \"B\" (node \"U\" \"2\"))", 0,
     {R"(#1 "P(" = R):(1;)", R"(#2 "B" = U:2;)"}},
    {"NetWithoutNodes", kAccel + "(net \"GND\")", 0, {R"(#1 "GND" ;)"}},
    {"NodeWithoutPinTakesNextQuotedAsReference", kAccel + "(net \"A\" (node \"U3\") (attr \"x\" \"Y\"))", 0,
     {R"(#1 "A" = U3, x:Y;)"}},
    {"NodeWithoutPinLast", kAccel + "(net \"A\" (node \"U3\"))", 0, {R"(#1 "A" = U3;)"}},
    {"QuotedStringsOfOtherListsIgnored", kAccel + "(net \"A\" \"junk\" (attr \"k\" \"v\") (node \"U1\" \"1\"))", 0,
     {R"(#1 "A" = U1:1;)"}},
    {"LookAheadCutOffGivesUp", kAccel + "(net \"A\" (node \"U1\" \"1\")) (ne", kNotThisForm, {R"(#1 "A" = U1:1;)"}},
    {"NodeLookAheadCutOffGivesUp", kAccel + "(net \"A\" (nod", kNotThisForm, {}},
    {"EndInsideFirstNetNameRefused", kAccel + "(net \"A", kNotThisForm, {}},
    {"EndInsideLaterNetName", kAccel + "(net \"A\" (node \"U1\" \"1\")) (net \"B", 0, {R"(#1 "A" = U1:1;)"}},
    {"EndInsideReference", kAccel + "(net \"A\" (node \"U1\" \"1\")) (net \"B\" (node \"U2", 0, {R"(#1 "A" = U1:1;)"}},
    {"EndInsidePinName", kAccel + "(net \"A\" (node \"U1\" \"1\")) (net \"B\" (node \"U2\" \"2", 0, {R"(#1 "A" = U1:1;)"}},
    {"EndInsideFirstPinNameRefused", kAccel + "(net \"A\" (node \"U1\" \"1", kNotThisForm, {}},
    {"EndWithNetOpenDropsIt", kAccel + "(net \"A\" (node \"U1\" \"1\")", 0, {}},
    {"StrayCloseOutsideNetsIgnored", kAccel + "))) (net \"A\" (node \"U1\" \"1\")) )", 0, {R"(#1 "A" = U1:1;)"}},
    {"CrLfLines", "ACCEL_ASCII\r\n(net \"A\"\r\n (node \"U1\" \"1\")\r\n)\r\n", 0, {R"(#1 "A" = U1:1;)"}},
    {"ZeroBytesAreDropped", kAccel + "(net \"G\0ND\" (node \"U\0" "1\" \"\0" "7\"))"s, 0, {R"(#1 "GND" = U1:7;)"}},
    {"NumbersGrowPerNet", kAccel + "(net \"A\" (node \"U1\" \"1\")) (net \"B\") (net \"C\" (node \"U3\" \"3\"))", 0,
     {R"(#1 "A" = U1:1;)", R"(#2 "B" ;)", R"(#3 "C" = U3:3;)"}},
};


// ---- PCAD 4.5 -------------------------------------------------------------------
// A line with the net name at column 2 and nodes at columns 18 and 38.
std::string Row(const std::string& name, const std::string& n1 = "", const std::string& n2 = "") {
    std::string s = "  " + name;
    if (!n1.empty() || !n2.empty()) s.resize(18, ' '), s += n1;
    if (!n2.empty()) s.resize(38, ' '), s += n2;
    return s + "\n";
}

const std::vector<Case> kPcadCases = {
    {"ThreeNodesOverTwoLines", "%NET\n" + Row("GND", "U1-7", "C1-2") + Row("", "C2-2") + "%END\n", 0,
     {R"(#1 "GND" = U1:7, C1:2, C2:2;)"}},
    {"FirstLineWithOnlyFirstNode", "%NET\n" + Row("GND", "U1-7") + Row("", "C2-2") + "%\n", 0,
     {R"(#1 "GND" = U1:7;)"}},
    {"NothingAtColumn18", "%NET\n" + Row("GND") .substr(0, 5) + std::string(20, ' ') + "\n%\n", 0, {R"(#1 "GND" ;)"}},
    {"PercentLineInsideNetEndsIt", "%NET\n" + Row("GND", "U1-7", "C1-2") + "% " + std::string(30, 'x') + "\n" +
                                       Row("", "C2-2") + Row("VCC", "U1-14") + "%\n",
     0, {R"(#1 "GND" = U1:7, C1:2;)", R"(#2 "VCC" = U1:14;)"}},
    {"NewNetLineEndsPreviousNet", "%\n" + Row("A", "U1-1", "U1-2") + Row("B", "U2-1") + "%\n", 0,
     {R"(#1 "A" = U1:1, U1:2;)", R"(#2 "B" = U2:1;)"}},
    {"LongNameRunsIntoColumn18", "%\n  ABCDEFGHIJKLMNOPQ U1-1" + std::string(14, ' ') + "U1-2\n%\n", 0,
     {R"(#1 "ABCDEFGHIJKLMNOPQ" = Q, U1:2;)"}},
    {"MinusSignsBecomeColons", "%\n" + Row("N", "U1-7", "R-1-2") + "%\n", 0, {R"(#1 "N" = U1:7, R:1:2;)"}},
    {"OnlyNetOpenAtEndRefused", "%NET\n" + Row("GND", "U1-7", "C1-2"), kNotThisForm, {}},
    {"OnlyNetClosedByPercentLine", "%NET\n" + Row("GND", "U1-7", "C1-2") + "%\n", 0, {R"(#1 "GND" = U1:7, C1:2;)"}},
    {"OpenNetAtEndAfterCompletedNet", "%\n" + Row("A", "U1-1") + Row("B", "U2-1", "U2-2"), 0,
     {R"(#1 "A" = U1:1;)", R"(#2 "B" = U2:1, U2:2;)"}},
    {"NoPercentLineBeforeFirstNet", Row("GND", "U1-7") + "%\n" + Row("VCC", "U1-14") + "%\n", kNotThisForm, {}},
    {"NoPercentLineAtAll", "short\n", kNotThisForm, {}},
    {"EmptyFileRefused", "", kNotThisForm, {}},
    {"ShortAndBlankColumnLinesSkipped", "%\nshort\n" + std::string(25, ' ') + "\n" + Row("A", "U1-1") + "%\n", 0,
     {R"(#1 "A" = U1:1;)"}},
    {"CrLfLinesCountWithoutCr", "%\r\n  GND             U1-7                C1-2\r\n                  C2-2\r\n%\r\n", 0,
     {R"(#1 "GND" = U1:7, C1:2, C2:2;)"}},
    {"TabEndsAField", "%\n" + Row("G\tX", "U1-7\tZ", "C1-2") + "%\n", 0, {R"(#1 "G" = U1:7, C1:2;)"}},
    {"CodePageBytesAreVisible", "%\n" + Row("\xCF\xE8\xF2", "\xDD" "1-1") + "%\n", 0, {"#1 \"\xCF\xE8\xF2\" = \xDD" "1:1;"}},
    {"ZeroByteEndsAField", "%\n" + Row("GN\0D"s, "U1-7") + "%\n", 0, {R"(#1 "GN" = U1:7;)"}},
    {"LineOf512BytesAndMore", "%\n" + Row(std::string(600, 'N'), "") + "%\n", 0,
     {"#1 \"" + std::string(600, 'N') + "\" = " + std::string(584, 'N') + ", " + std::string(564, 'N') + ";"}},
};


// ---- One suite over the three tables ----------------------------------------------

struct FormCase {
    const char* form;
    Decoder decoder;
    const Case* c;
};

void PrintTo(const FormCase& fc, std::ostream* os) { *os << fc.form << "_" << fc.c->name; }

std::vector<FormCase> AllCases() {
    std::vector<FormCase> all;
    const auto add = [&](const char* form, Decoder decoder, const std::vector<Case>& cases) {
        for (const Case& c : cases) all.push_back({form, decoder, &c});
    };
    add("ORCAD", DecodeORCAD, kOrcadCases);
    add("ACCEL", DecodeACCEL, kAccelCases);
    add("PCAD45", DecodePCAD45, kPcadCases);
    return all;
}

class Decoders : public testing::TestWithParam<FormCase> {};
TEST_P(Decoders, GiveTheChainLines) {
    const Case& c = *GetParam().c;
    const Decoded d = Decode(GetParam().decoder, c.input);
    EXPECT_EQ(d.result, c.result);
    EXPECT_EQ(Joined(d.lines), Joined(c.lines));
}
INSTANTIATE_TEST_SUITE_P(Rules, Decoders, testing::ValuesIn(AllCases()),
                         [](const testing::TestParamInfo<FormCase>& info) { return testing::PrintToString(info.param); });

}  // namespace
}  // namespace tarvik::test
