// Table-driven tests of the report-like forms (Intergraph, Cadnetix, Wire
// List, RINF, EEsof, MultiWire): one case per rule, with the exact chain
// lines, or the line a broken file is refused at. Every case is decoded as
// its form; a case the form decodes is also recognised as that form. Then
// recognition against PCAD 4.5, whose percent lines Intergraph shares, and
// the board of the shared corpus read in each of these forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "decoders.h"
#include "form_support.h"
#include "support.h"

namespace tarvik::test {
namespace {

using namespace std::string_literals;

struct Case {
    const char* name;
    std::string input;
    int result;                      // kDecoded, or kFormBroken
    std::vector<std::string> lines;  // when decoded
    long long errorLine = 0;         // when broken: the line named
};

// ---- Intergraph -------------------------------------------------------------
const std::string kPart = "%PART\nC0603_A C1\nSO8 U1\n%NET\n";

const std::vector<Case> kIntergraphCases = {
    {"NetAndContinuation", kPart + "GND  C1-1 U1-4\n*  U1-7 U1-8\nVCC  U1-14\n$\n", kDecoded,
     {R"(#1 "GND" = C1:1, U1:4, U1:7, U1:8;)", R"(#2 "VCC" = U1:14;)"}},
    {"EmptyNetHasOneBlank", kPart + "112 \nA  U1-1\n$\n", kDecoded, {R"(#1 "112" = ;)", R"(#2 "A" = U1:1;)"}},
    {"EmptyNetLastWithoutBlank", kPart + "A  U1-1\n112\n$\n", kDecoded, {R"(#1 "A" = U1:1;)", R"(#2 "112" = ;)"}},
    {"SingleBlankStaysInName", kPart + "CAN HIGH  U1-6\n$\n", kDecoded, {R"(#1 "CAN HIGH" = U1:6;)"}},
    {"FootprintWithBlanks", "%PART\nMOLEX_Click-Mate 2 X4\n%NET\nA  X4-1\n$\n", kDecoded, {R"(#1 "A" = X4:1;)"}},
    {"NodeSplitAtLastMinus", kPart + "A  R-1-2 U1-A3\n$\n", kDecoded, {R"(#1 "A" = R-1:2, U1:A3;)"}},
    {"PartNotListedIsRead", kPart + "A  Q9-1\n$\n", kDecoded, {R"(#1 "A" = Q9:1;)"}},
    {"CrLfLines", "%PART\r\nSO8 U1\r\n%NET\r\nA  U1-1\r\n*  U1-2\r\n$\r\n", kDecoded, {R"(#1 "A" = U1:1, U1:2;)"}},
    {"NoFinalLineFeed", kPart + "A  U1-1\n$", kDecoded, {R"(#1 "A" = U1:1;)"}},
    {"BlankLinesSkipped", "%PART\n\nSO8 U1\n\n%NET\n\nA  U1-1\n\n*  U1-2\n$\n", kDecoded, {R"(#1 "A" = U1:1, U1:2;)"}},
    {"Cyrillic1251Name", kPart + "+5\xC2  U1-8\n$\n", kDecoded, {"#1 \"+5\xC2\" = U1:8;"}},
    {"NothingReadAfterEnd", kPart + "A  U1-1\n$\n\x01junk\n", kDecoded, {R"(#1 "A" = U1:1;)"}},
    {"CutBeforeEnd", kPart + "A  U1-1\n", kFormBroken, {}, 5},
    {"CutInParts", "%PART\nSO8 U1\n", kFormBroken, {}, 2},
    {"ContinuationBeforeNet", kPart + "*  U1-1\n$\n", kFormBroken, {}, 5},
    {"NodeWithoutMinus", kPart + "A  U1 1\n$\n", kFormBroken, {}, 5},
    {"PartLineOfOneWord", "%PART\nU1\n%NET\n$\n", kFormBroken, {}, 2},
    {"SecondPartSection", kPart + "A  U1-1\n%PART\n$\n", kFormBroken, {}, 6},
    {"PercentLineAmongNets", kPart + "A  U1-1\n%END\n$\n", kFormBroken, {}, 6},
    {"BlankLedLineAmongNets", kPart + "A  U1-1\n  B U1-2\n$\n", kFormBroken, {}, 6},
    {"BinaryJunk", kPart + "A  U1-1\n\x7F" "ELF\x02\x01\x01\n$\n", kFormBroken, {}, 6},
    {"NoPartHeader", "SO8 U1\n%NET\nA  U1-1\n$\n", kFormBroken, {}, 1},
};

// ---- Cadnetix -----------------------------------------------------------------
const std::string kParts = "PARTS LIST\n\n0,1uF             C0603_A         C1\nEOS\nNET LIST\n\n";

const std::vector<Case> kCadnetixCases = {
    {"PairsOverLines", kParts + "NODENAME GND              \n    C1         1  U1         7\n    U1        14\nEOS\n",
     kDecoded, {R"(#1 "GND" = C1:1, U1:7, U1:14;)"}},
    {"EmptyNetHasBlankLine", kParts + "NODENAME 112\n  \nNODENAME A\n    U1         1\nEOS\n", kDecoded,
     {R"(#1 "112" = ;)", R"(#2 "A" = U1:1;)"}},
    {"NameRunsToColumn17", kParts + "NODENAME MCU_GYRO_SPI_MOSI\n    DD1       36\nEOS\n", kDecoded,
     {R"(#1 "MCU_GYRO_SPI_MOSI" = DD1:36;)"}},
    {"EndMarkIsNoPartOfName",
     kParts + "NODENAME VIDEO2           $\n    C38        2\nNODENAME MCU_VIDEO1_PWR_EN$\nNODENAME A$  $\n    U1  1\nEOS\n",
     kDecoded, {R"(#1 "VIDEO2" = C38:2;)", R"(#2 "MCU_VIDEO1_PWR_EN" = ;)", R"(#3 "A$" = U1:1;)"}},
    {"BlankStaysInName", kParts + "NODENAME CAN HIGH         \n    X17       35\nEOS\n", kDecoded,
     {R"(#1 "CAN HIGH" = X17:35;)"}},
    {"OverflowingPartFieldsSkipped", "PARTS LIST\nClik-Mate 5025840370MOLEX_Click-Mate 3X13\nEOS\nNET LIST\nNODENAME A\n X13 1\nEOS",
     kDecoded, {R"(#1 "A" = X13:1;)"}},
    {"CrLfLines", "PARTS LIST\r\nEOS\r\nNET LIST\r\nNODENAME A\r\n    U1         1\r\nEOS\r\n", kDecoded, {R"(#1 "A" = U1:1;)"}},
    {"Cyrillic1251Name", kParts + "NODENAME +3,3\xC2\n    U1         1\nEOS\n", kDecoded, {"#1 \"+3,3\xC2\" = U1:1;"}},
    {"NodeNameWordMustEnd", kParts + "NODENAMES A\n    U1         1\nEOS\n", kFormBroken, {}, 7},
    {"CutInNets", kParts + "NODENAME A\n    U1         1\n", kFormBroken, {}, 8},
    {"CutInParts", "PARTS LIST\n\n0,1uF  C0603_A  C1\n", kFormBroken, {}, 3},
    {"NoNetList", "PARTS LIST\nEOS\nNODENAME A\n    U1  1\nEOS\n", kFormBroken, {}, 3},
    {"NodesBeforeFirstNet", kParts + "    U1         1\nEOS\n", kFormBroken, {}, 7},
    {"ReferenceWithoutPin", kParts + "NODENAME A\n    U1         1  R1\nEOS\n", kFormBroken, {}, 8},
    {"BinaryJunk", kParts + "NODENAME A\n\0\0\0\x03\n"s, kFormBroken, {}, 8},
};

// ---- Wire List --------------------------------------------------------------------
const std::string kWire = "Wire List\n\n<<< Component List >>>\n0,1uF    C1    C0603_A\n<<< Wire List >>>\n\n"
                          "  NODE  REFERENCE  PIN #   PIN NAME       PIN TYPE    PART VALUE\n\n";

const std::vector<Case> kWireListCases = {
    {"NetsWithNodes", kWire + "[00001] GND\n        C1         1       1              PASSIVE     0,1uF\n"
                              "        U1         7       GND            POWER       LM358\n\n[00002] 112\n\n"
                              "[00003] VCC\n        U1         14      V+             POWER       Clik-Mate 50\n",
     kDecoded, {R"(#1 "GND" = C1:1, U1:7;)", R"(#2 "112" = ;)", R"(#3 "VCC" = U1:14;)"}},
    {"BlankStaysInName", kWire + "[00001] CAN HIGH  \n        X17        35\n", kDecoded, {R"(#1 "CAN HIGH" = X17:35;)"}},
    {"PageFurnitureSkipped", kWire + "[00001] A\n        U1         1\n\fWire List\n16.10.2018   Page 2\n"
                                     "  NODE  REFERENCE  PIN #\n[00001] A\n        U1         2\n[00002] B\n        U2         1\n",
     kDecoded, {R"(#1 "A" = U1:1, U1:2;)", R"(#2 "B" = U2:1;)"}},
    {"CrLfLines", "Wire List\r\n<<< Wire List >>>\r\n[00001] A\r\n        U1         1\r\n", kDecoded, {R"(#1 "A" = U1:1;)"}},
    {"NoFinalLineFeed", kWire + "[00001] A\n        U1         1", kDecoded, {R"(#1 "A" = U1:1;)"}},
    {"Cyrillic1251Name", kWire + "[00001] +5\xC2\n        U1         1       1    PASSIVE   10\xEC\xEA\n", kDecoded,
     {"#1 \"+5\xC2\" = U1:1;"}},
    {"NoNetsSection", "Wire List\n<<< Component List >>>\n0,1uF    C1    C0603_A\n", kFormBroken, {}, 3},
    {"NumbersMayJump", kWire + "[00017] A\n        U1         1\n[00021] B\n        U1         2\n", kDecoded,
     {R"(#1 "A" = U1:1;)", R"(#2 "B" = U1:2;)"}},
    {"NetNumberGoingBack", kWire + "[00005] A\n        U1         1\n[00003] B\n", kFormBroken, {}, 11},
    {"SameNumberOtherName", kWire + "[00001] A\n        U1         1\n[00001] B\n", kFormBroken, {}, 11},
    {"CutInsideNodeLine", kWire + "[00001] A\n        U1", kFormBroken, {}, 10},
    {"NodeBeforeFirstNet", kWire + "        U1         1\n", kFormBroken, {}, 9},
    {"SectionAfterNets", kWire + "[00001] A\n        U1         1\n<<< Component List >>>\n", kFormBroken, {}, 11},
    {"HeaderWithoutNumber", kWire + "[] A\n", kFormBroken, {}, 9},
    {"BinaryJunk", kWire + "[00001] A\n\x1B\x02\x03\n"s, kFormBroken, {}, 10},
};

// ---- RINF ---------------------------------------------------------------------------
const std::string kHea = ".HEA\n.APP \"Protel\"\n.ADD_COM C1 \"C0603\" \"0,1uF\"\n";

const std::vector<Case> kRinfCases = {
    {"TerminalsAndContinuation", kHea + ".ADD_TER C1 1 \"GND\"\n.TER U1 7\n     U1 14\n\n.ADD_TER C1 2 \"VCC\"\n.END\n",
     kDecoded, {R"(#1 "GND" = C1:1, U1:7, U1:14;)", R"(#2 "VCC" = C1:2;)"}},
    {"QuotedFieldsKeepBlanks", kHea + ".ADD_TER \"X 1\" \"A 2\" \"CAN HIGH\"\n.TER R1 \"1\"\n.END\n", kDecoded,
     {R"(#1 "CAN HIGH" = X 1:A 2, R1:1;)"}},
    {"NameUnquoted", kHea + ".ADD_TER C1 1 GND\n.END\n", kDecoded, {R"(#1 "GND" = C1:1;)"}},
    {"SameNameTwiceTwoLines", kHea + ".ADD_TER C1 1 \"A\"\n.ADD_TER C1 2 \"A\"\n.END\n", kDecoded,
     {R"(#1 "A" = C1:1;)", R"(#2 "A" = C1:2;)"}},
    {"PartNotListedIsRead", kHea + ".ADD_TER Q9 1 \"A\"\n.END\n", kDecoded, {R"(#1 "A" = Q9:1;)"}},
    {"OtherKeywordsSkipped", kHea + ".ATT_COM C1 \"Value\" \"1\"\n.ADD_TER C1 1 \"A\"\n.ATT_TER C1 1 \"x\"\n.TER U1 1\n.END\n",
     kDecoded, {R"(#1 "A" = C1:1, U1:1;)"}},
    {"CrLfLines", ".HEA\r\n.ADD_TER C1 1 \"A\"\r\n.TER U1 1\r\n.END\r\n", kDecoded, {R"(#1 "A" = C1:1, U1:1;)"}},
    {"NoFinalLineFeed", ".HEA\n.ADD_TER C1 1 \"A\"\n.END", kDecoded, {R"(#1 "A" = C1:1;)"}},
    {"Cyrillic1251Name", kHea + ".ADD_TER C1 1 \"+5\xC2\"\n.END\n", kDecoded, {"#1 \"+5\xC2\" = C1:1;"}},
    {"NoEnd", kHea + ".ADD_TER C1 1 \"A\"\n.TER U1 1\n", kFormBroken, {}, 5},
    {"TerBeforeFirstNet", kHea + ".TER U1 1\n.END\n", kFormBroken, {}, 4},
    {"NodeLineBeforeFirstNet", kHea + "     U1 1\n.END\n", kFormBroken, {}, 4},
    {"MissingPin", kHea + ".ADD_TER C1 1 \"A\"\n.TER U1\n.END\n", kFormBroken, {}, 5},
    {"MissingName", kHea + ".ADD_TER C1 1\n.END\n", kFormBroken, {}, 4},
    {"QuoteNotClosed", kHea + ".ADD_TER C1 1 \"A\n.END\n", kFormBroken, {}, 4},
    {"SecondHeader", kHea + ".HEA\n.END\n", kFormBroken, {}, 4},
    {"BinaryJunk", kHea + "\x89PNG\x1A\n.END\n", kFormBroken, {}, 4},
};

// ---- EEsof ----------------------------------------------------------------------------
const std::string kEEsof = "! EEsof For Windows File\nDIM\nFREQ \nRES  \nVAR\n\nCKT\n\n! sheet\n";

const std::vector<Case> kEEsofCases = {
    {"NodesByPinOrder", kEEsof + "0,1uF_C1 573 501  &\nValue=0,1uF\nLM358_DA1 501 573 12  &\nFootprint=SO8 &\nName=LM358\nTERM\n",
     kDecoded, {R"(#1 "573" = C1:1, DA1:2;)", R"(#2 "501" = C1:2, DA1:1;)", R"(#3 "12" = DA1:3;)"}},
    {"BlanksInValue", kEEsof + "Micro-Fit 43045-1000_X3 1 2  &\nA=1\n180 \xCE\xEC_L1 2 3\nTERM\n", kDecoded,
     {R"(#1 "1" = X3:1;)", "#2 \"2\" = X3:2, L1:1;", R"(#3 "3" = L1:2;)"}},
    {"EmptyValueAndUnderscores", kEEsof + "_R12 5 6\nHeader_2_plg_X4 6 7\nTERM\n", kDecoded,
     {R"(#1 "5" = R12:1;)", R"(#2 "6" = R12:2, X4:1;)", R"(#3 "7" = X4:2;)"}},
    {"NoUnderscoreWholeElementIsReference", kEEsof + "Q7 1 2\nTERM\n", kDecoded, {R"(#1 "1" = Q7:1;)", R"(#2 "2" = Q7:2;)"}},
    {"RepeatedNodeKeptOnce", kEEsof + "LMR_A1 8 8 9 &\nValue=x\nLMR_A1 8 8 9\nTERM\n", kDecoded,
     {R"(#1 "8" = A1:1, A1:2;)", R"(#2 "9" = A1:3;)"}},
    {"AttributeLinesWithoutEqualsSkipped", kEEsof + "X_X17 1 2  &\nContact_10CH_B\\ &\nCAN=1 2 3\nTERM\n", kDecoded,
     {R"(#1 "1" = X17:1;)", R"(#2 "2" = X17:2;)"}},
    {"CrLfLines", "! EEsof\r\nCKT\r\n1_C1 1 2 &\r\nV=1\r\nTERM\r\n", kDecoded, {R"(#1 "1" = C1:1;)", R"(#2 "2" = C1:2;)"}},
    {"NoFinalLineFeed", "! EEsof\nCKT\n1_C1 1 2\nTOL", kDecoded, {R"(#1 "1" = C1:1;)", R"(#2 "2" = C1:2;)"}},
    {"Cyrillic1251Reference", "! EEsof\nCKT\n1_\xD0\xC5\xC7" "1 1\nTERM\n", kDecoded, {"#1 \"1\" = \xD0\xC5\xC7" "1:1;"}},
    {"NoCircuitSection", "! EEsof\nDIM\nTERM\n", kFormBroken, {}, 3},
    {"CutInCircuit", kEEsof + "1_C1 1 2\n", kFormBroken, {}, 10},
    {"CutInContinuedStatement", kEEsof + "1_C1 1 2 &\nValue=1 &\n", kFormBroken, {}, 11},
    {"StatementWithoutNodes", kEEsof + "1_C1 &\nV=1\nTERM\n", kFormBroken, {}, 10},
    {"SecondCircuitSection", kEEsof + "1_C1 1\nTERM\nCKT\n", kFormBroken, {}, 12},
    {"BinaryJunk", kEEsof + "1_C1 1\n\x7F" "ELF\x02\n", kFormBroken, {}, 11},
};

// ---- MultiWire ------------------------------------------------------------------------
// A node line: the name in columns 0 to 17, the reference from column 18,
// the pin right-aligned to column 49.
std::string Wire(const std::string& name, const std::string& ref, const std::string& pin) {
    std::string s = name;
    s.resize(18, ' ');
    s += ref;
    s.resize(std::max<std::size_t>(s.size() + 1, 50 - pin.size()), ' ');
    return s + pin + "\n";
}

const std::vector<Case> kMultiWireCases = {
    {"ConsecutiveLinesOneNet", Wire("GND", "U1", "7") + Wire("GND", "C1", "1") + Wire("VCC", "U1", "14") + "-1\n", kDecoded,
     {R"(#1 "GND" = U1:7, C1:1;)", R"(#2 "VCC" = U1:14;)"}},
    {"NameComingBackIsAnotherLine", Wire("A", "U1", "1") + Wire("B", "U1", "2") + Wire("A", "U1", "3") + "-1\n", kDecoded,
     {R"(#1 "A" = U1:1;)", R"(#2 "B" = U1:2;)", R"(#3 "A" = U1:3;)"}},
    {"NameOf16Bytes", Wire("MCU_GYRO_SPI_MOS", "DD1", "36") + "-1\n", kDecoded, {R"(#1 "MCU_GYRO_SPI_MOS" = DD1:36;)"}},
    {"BlanksInsideNameAndReference", Wire("CAN HIGH", "X 17", "35") + "-1\n", kDecoded, {R"(#1 "CAN HIGH" = X 17:35;)"}},
    {"CrLfLines", "A                 U1                             1\r\n-1\r\n", kDecoded, {R"(#1 "A" = U1:1;)"}},
    {"NoFinalLineFeed", Wire("A", "U1", "1") + "-1", kDecoded, {R"(#1 "A" = U1:1;)"}},
    {"BlankLinesSkipped", "\n" + Wire("A", "U1", "1") + "\n" + Wire("A", "U2", "1") + "-1\n\n", kDecoded,
     {R"(#1 "A" = U1:1, U2:1;)"}},
    {"Cyrillic1251Name", Wire("+5\xC2", "U1", "1") + "-1\n", kDecoded, {"#1 \"+5\xC2\" = U1:1;"}},
    {"NoEnd", Wire("A", "U1", "1"), kFormBroken, {}, 1},
    {"NameAtColumn1", " " + Wire("A", "U1", "1") + "-1\n", kFormBroken, {}, 1},
    {"NameLongerThan16", Wire("ABCDEFGHIJKLMNOPQ", "U1", "1") + "-1\n", kFormBroken, {}, 1},
    {"ReferenceWithoutPin", Wire("A", "U1", "1") + "B                 U2\n-1\n", kFormBroken, {}, 2},
    {"NoReference", Wire("A", "U1", "1") + "B\n-1\n", kFormBroken, {}, 2},
    {"BinaryJunk", Wire("A", "U1", "1") + "\0\0\0\0\n-1\n"s, kFormBroken, {}, 2},
};

// ---- One suite over the tables ---------------------------------------------------------

struct FormCase {
    const char* form;
    const Case* c;
};

void PrintTo(const FormCase& fc, std::ostream* os) {
    std::string form = fc.form;
    form.erase(std::remove(form.begin(), form.end(), ' '), form.end());
    *os << form << "_" << fc.c->name;
}

std::vector<FormCase> AllCases() {
    std::vector<FormCase> all;
    const auto add = [&](const char* form, const std::vector<Case>& cases) {
        for (const Case& c : cases) all.push_back({form, &c});
    };
    add("Intergraph", kIntergraphCases);
    add("Cadnetix", kCadnetixCases);
    add("Wire List", kWireListCases);
    add("RINF", kRinfCases);
    add("EEsof", kEEsofCases);
    add("MultiWire", kMultiWireCases);
    return all;
}

class ReportForms : public testing::TestWithParam<FormCase> {};

TEST_P(ReportForms, GiveTheChainLinesOrNameTheBrokenLine) {
    const int form = FormByName(GetParam().form);
    ASSERT_NE(form, FormNone);
    const Case& c = *GetParam().c;
    const Decoded d = DecodeAs(form, c.input);
    ASSERT_EQ(d.result, c.result) << FormErrorText();
    if (c.result == kFormBroken) {
        EXPECT_EQ(FormError.Form, form);
        EXPECT_EQ(FormError.Line, c.errorLine) << FormErrorText();
        EXPECT_EQ(FormErrorText().rfind(GetParam().form, 0), 0u) << FormErrorText();
        return;
    }
    EXPECT_EQ(d.lines, c.lines);
    int taken = FormNone;
    const Decoded any = DecodeAny(c.input, &taken);
    EXPECT_EQ(taken, form);
    EXPECT_EQ(any.lines, c.lines);
}
INSTANTIATE_TEST_SUITE_P(Rules, ReportForms, testing::ValuesIn(AllCases()),
                         [](const testing::TestParamInfo<FormCase>& info) { return testing::PrintToString(info.param); });

// ---- Random input behind each form's header -------------------------------------------------
// Mostly the words and bytes each grammar reacts to, some bytes of any value:
// the decode gives whole, numbered chain lines, or refuses the file naming a
// line of it; recognition takes the same form or none.
struct Noisy {
    const char* form;
    std::string header;
    std::vector<std::string> pieces;
};

const std::vector<Noisy> kNoisy = {
    {"Intergraph", "%PART\nSO8 U1\n%NET\n", {"A  ", "U1-1 ", "*  ", "\n", "\n$\n", "%NET\n", "-", " ", "  ", "\r", "\xC2"}},
    {"Cadnetix", "PARTS LIST\nEOS\nNET LIST\n", {"\nNODENAME ", "A", "\n    ", "U1 ", "1 ", "\nEOS\n", " ", "\r", "\xC2"}},
    {"Wire List", "Wire List\n<<< Wire List >>>\n[00001] A\n",
     {"\n[00001] A", "\n[0000", "2] ", "A", "\n        ", "U1 ", "1 ", "\fPage 2", "\n<<<", "\r", " "}},
    {"RINF", ".HEA\n.ADD_TER U1 1 A\n", {"\n.ADD_TER ", "\n.TER ", "\n     ", "U1 ", "1 ", "\"", "A", "\n.END\n", " ", "\r"}},
    {"EEsof", "! EEsof\nCKT\n", {"\n", "X_U1 ", "12 ", "7 ", "&", "\nV=1", "\nTERM\n", "!", "_", " ", "\r"}},
    {"MultiWire", "", {"A                 U1                             1\n", "\n-1\n", "A", "  ", "                ", "\n", "\r"}},
};

TEST(ReportFormsRandomInput, GivesWholeChainLinesOrNamesALine) {
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> pick(0, 99), any(0, 255);
    std::uniform_int_distribution<std::size_t> size(0, 300);
    const std::regex chainLine(R"(#(\d+) "[\s\S]*" = [\s\S]*;)");
    for (const Noisy& n : kNoisy) {
        const int form = FormByName(n.form);
        std::uniform_int_distribution<std::size_t> piece(0, n.pieces.size() - 1);
        int decoded = 0, broken = 0;  // decodes that gave chain lines, and refusals
        for (int round = 0; round < 300; ++round) {
            std::string input = n.header;
            for (const std::size_t end = input.size() + size(rng); input.size() < end;)
                input += pick(rng) < 97 ? n.pieces[piece(rng)] : std::string(1, static_cast<char>(any(rng)));
            const Decoded d = DecodeAs(form, input);
            ASSERT_TRUE(d.result == kDecoded || d.result == kFormBroken) << n.form << " round " << round;
            if (d.result == kFormBroken) {
                EXPECT_GE(FormError.Line, input.empty() ? 0 : 1) << n.form << " round " << round;
                ++broken;
                continue;
            }
            for (std::size_t k = 0; k < d.lines.size(); ++k) {
                std::smatch m;
                ASSERT_TRUE(std::regex_match(d.lines[k], m, chainLine)) << n.form << " round " << round << ": " << d.lines[k];
                EXPECT_EQ(m[1].str(), std::to_string(k + 1));
            }
            int taken = FormNone;
            const Decoded any = DecodeAny(input, &taken);
            if (taken == form) {
                EXPECT_EQ(any.lines, d.lines) << n.form << " round " << round;
            }
            decoded += !d.lines.empty();
        }
        // The pieces reach both ends of the grammar.
        EXPECT_GT(decoded, 5) << n.form;
        EXPECT_GT(broken, 5) << n.form;
    }
}

// ---- Control bytes, which the decoders refuse as binary data ---------------------------------
TEST(HasControlByte, FindsControlBytesButTabCrAndTheAllowed) {
    const struct {
        std::string text, allowed;
        bool found;
    } rows[] = {
        {"", "", false},           {"A\tB\r", "", false},     {"\xC0\xFF\x7F", "", false},
        {"A\0B"s, "", true},      {"\x1F", "", true},         {std::string(1000, 'x') + "\x01", "", true},
        {"\fPage 2", "", true},   {"\fPage 2", "\f", false},  {"\f\x02", "\f", true},
        {"\tABCDEFG\tABCDEFG\r\xA0\xFF\x80\x9F\x20\x7F", "", false},
        {"ABCDEFG\x1F" + std::string(20, '\xE0'), "", true},
        {std::string(16, 'x') + "\x0C" + std::string(7, 'x'), "\f", false},
    };
    for (const auto& r : rows) EXPECT_EQ(HasControlByte(r.text, r.allowed), r.found) << testing::PrintToString(r.text);
}

// ---- Intergraph beside PCAD 4.5 ---------------------------------------------------------
// PCAD 4.5 files with percent lines, Intergraph's among them: each is still
// recognised as PCAD 4.5 and decodes as its own decoder reads it.
std::string PcadRow(const std::string& name, const std::string& n1, const std::string& n2 = "") {
    std::string s = "  " + name;
    s.resize(18, ' ');
    s += n1;
    if (!n2.empty()) s.resize(38, ' '), s += n2;
    return s + "\n";
}

TEST(IntergraphSignature, LeavesPcad45FilesWithPercentLinesToPcad45) {
    const std::vector<std::string> files = {
        "%PART\n%NET\n" + PcadRow("GND", "U1-7", "C1-2") + "%END\n",
        "%PART\nSO8 U1\n%NET\n" + PcadRow("GND", "U1-7", "C1-2") + "$\n%END\n",
        "%PART\n  SO8 U1\n%NET\n" + PcadRow("A", "U1-1") + "%\n",
        "%PART\n% a comment\n%NET\n" + PcadRow("A", "U1-1") + "%\n",
        "%PART\nSO8\n%NET\n" + PcadRow("A", "U1-1") + "%\n",
        "%PART \r\nSO8 U1\r\n%NET\r\n" + PcadRow("A", "U1-1") + "%\r\n",
        "% PART\nSO8 U1\n%NET\nA  U1-1\n" + PcadRow("A", "U1-1") + "%\n",
        "PCAD NETLIST\n%PART\nSO8 U1\n%NET\n" + PcadRow("A", "U1-1") + "%\n",
    };
    for (const auto& bytes : files) {
        int form = FormNone;
        const Decoded any = DecodeAny(bytes, &form);
        EXPECT_EQ(form, FormPCAD45) << bytes;
        EXPECT_EQ(any.lines, Decode(DecodePCAD45, bytes).lines) << bytes;
    }
}

TEST(IntergraphSignature, TakesALongPartListWithoutSeeingTheNets) {
    std::string bytes = "%PART\n";
    for (int k = 1; bytes.size() < 2 * kSignatureBytes; ++k) bytes += "MOLEX_Click-Mate 2 X" + std::to_string(k) + "\n";
    bytes += "%NET\nA  X1-1\n$\n";
    int form = FormNone;
    const Decoded any = DecodeAny(bytes, &form);
    EXPECT_EQ(form, FormByName("Intergraph"));
    EXPECT_EQ(any.lines, std::vector<std::string>{R"(#1 "A" = X1:1;)"});
}

// ---- The board of the shared corpus -------------------------------------------------------
namespace fs = std::filesystem;

const fs::path kForms = fs::path(TARVIK_CORPUS_DIR) / "forms";
const std::string kBoard = "umba-roboconf__main_board_master_MCU";

using Node = std::string;  // "REF:PIN"
using Group = std::set<Node>;

// The nodes of each chain line, in the lines' order.
std::vector<Group> Groups(const std::vector<std::string>& lines) {
    std::vector<Group> out;
    for (const auto& l : lines) {
        Group g;
        const auto eq = l.rfind("\" = ");
        if (eq != std::string::npos) {
            const std::string rest = l.substr(eq + 4, l.size() - eq - 5);
            for (std::size_t s = 0, c; s < rest.size(); s = c + 2) {
                c = rest.find(", ", s);
                if (c == std::string::npos) c = rest.size();
                g.insert(rest.substr(s, c - s));
            }
        }
        out.push_back(std::move(g));
    }
    return out;
}

// Groups of two nodes or more.
std::set<Group> Connections(const std::vector<Group>& groups) {
    std::set<Group> out;
    for (const auto& g : groups)
        if (g.size() >= 2) out.insert(g);
    return out;
}

struct Sample {
    const char* suffix;
    const char* form;
    std::size_t nets;  // chain lines the export gives
};

TEST(ReportFormsCorpus, EachExportGivesTheBoardsConnections) {
    const fs::path accelFile = kForms / (kBoard + ".NET");
    if (!fs::exists(accelFile)) GTEST_SKIP() << "no corpus at " << TARVIK_CORPUS_DIR;
    int form = FormNone;
    const auto accel = Connections(Groups(DecodeAny(ReadBytes(accelFile.string()), &form).lines));
    ASSERT_EQ(accel.size(), 199u);
    const Sample samples[] = {{"_Intergraph.NET", "Intergraph", 283}, {"_Cadnetix.NET", "Cadnetix", 283},
                              {"_SciCards.NET", "Cadnetix", 283},     {"_WireList.NET", "Wire List", 283},
                              {"_RINF.NET.FRP", "RINF", 199},         {"_MultiWire.NET", "MultiWire", 282}};
    for (const Sample& s : samples) {
        const Decoded d = DecodeAny(ReadBytes((kForms / (kBoard + s.suffix)).string()), &form);
        EXPECT_EQ(d.result, kDecoded) << s.suffix << ": " << FormErrorText();
        EXPECT_EQ(form, FormByName(s.form)) << s.suffix;
        EXPECT_EQ(d.lines.size(), s.nets) << s.suffix;
        EXPECT_EQ(Connections(Groups(d.lines)), accel) << s.suffix;
    }
}

// The EEsof export numbers nets sheet by sheet: each of its nets lies within
// one net of the board, and each net of the board is the union of its pieces.
TEST(ReportFormsCorpus, EEsofNetsAreTheBoardsNetsCutBySheets) {
    const fs::path accelFile = kForms / (kBoard + ".NET");
    if (!fs::exists(accelFile)) GTEST_SKIP() << "no corpus at " << TARVIK_CORPUS_DIR;
    int form = FormNone;
    const auto accel = Connections(Groups(DecodeAny(ReadBytes(accelFile.string()), &form).lines));
    const Decoded d = DecodeAny(ReadBytes((kForms / (kBoard + "_EEsof.NET.CKT")).string()), &form);
    ASSERT_EQ(d.result, kDecoded) << FormErrorText();
    EXPECT_EQ(form, FormByName("EEsof"));
    std::map<Node, const Group*> netOf;
    for (const auto& g : accel)
        for (const auto& n : g) netOf[n] = &g;
    std::map<const Group*, Group> joined;
    std::size_t whole = 0;
    for (const auto& piece : Groups(d.lines)) {
        const auto first = netOf.find(*piece.begin());
        if (first == netOf.end()) {
            EXPECT_EQ(piece.size(), 1u) << *piece.begin();  // a one-node net of the board
            continue;
        }
        for (const auto& n : piece) EXPECT_EQ(netOf[n], first->second) << n;
        joined[first->second].insert(piece.begin(), piece.end());
        whole += piece == *first->second;
    }
    for (const auto& g : accel) EXPECT_EQ(joined[&g], g) << *g.begin();
    EXPECT_EQ(whole, 158u);  // the nets that stay on one sheet
}

// No export of the board, nor any other file of the corpus, carries the
// signature of one of these forms other than its own.
TEST(ReportFormsCorpus, SignaturesTakeOnlyTheirOwnExports) {
    if (!fs::exists(kForms)) GTEST_SKIP() << "no corpus at " << TARVIK_CORPUS_DIR;
    const std::map<std::string, std::string> own = {
        {"_Intergraph.NET", "Intergraph"}, {"_Cadnetix.NET", "Cadnetix"}, {"_SciCards.NET", "Cadnetix"},
        {"_WireList.NET", "Wire List"},    {"_RINF.NET.FRP", "RINF"},     {"_EEsof.NET.CKT", "EEsof"},
        {"_MultiWire.NET", "MultiWire"}};
    const char* const mine[] = {"Intergraph", "Cadnetix", "Wire List", "RINF", "EEsof", "MultiWire"};
    std::size_t seen = 0;
    for (const auto& entry : fs::recursive_directory_iterator(TARVIK_CORPUS_DIR)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = entry.path().filename().string();
        std::string expected;
        for (const auto& [suffix, form] : own)
            if (name == kBoard + suffix) expected = form;
        std::string head = ReadBytes(entry.path().string()).substr(0, kSignatureBytes);
        for (const char* form : mine) {
            const bool signed_ = FormAt(FormByName(form)).Signature(head.data(), head.size());
            EXPECT_EQ(signed_, expected == form) << name << " as " << form;
        }
        ++seen;
    }
    EXPECT_GT(seen, 20u);
}

}  // namespace
}  // namespace tarvik::test
