// Table-driven tests of the line-based forms that name a node as one word
// (PADS-PCB, Protel, Protel 2, Telesis, Mentor, Calay): one case per rule, with
// the exact chain lines, or the line a broken file is refused at. Each case is
// decoded with its form given and again through recognition, which must take
// the same form. Then the files no signature may take, and each form's
// export of the corpus board checked against its ACCEL ASCII export.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cp1251.h"
#include "decoders.h"
#include "support.h"

namespace tarvik::test {
namespace {

using namespace std::string_literals;
using namespace cp1251::literals;

// A file of the form and what it gives: the chain lines, or, when brokenAt
// is 0 or more, the refusal at that line. recognised: the file carries the form's
// signature (cases without it test the decoder given the form by name).
struct Case {
    const char* name;
    std::string input;
    std::vector<std::string> lines;
    long long brokenAt = -1;
    bool recognised = true;
};

// ---- PADS-PCB -------------------------------------------------------------------
const std::string kPads = "*PADS-PCB*\n*NET*\n";

const std::vector<Case> kPadsCases = {
    {"NodesOverLines", kPads + "*SIGNAL* GND\n U1.7 C1.2\n C2.2\n*SIGNAL* VCC\n U1.14\n*END*\n",
     {R"(#1 "GND" = U1:7, C1:2, C2:2;)", R"(#2 "VCC" = U1:14;)"}},
    {"PartsBeforeNets", "*PADS-PCB*\n*PART*\nU1     SO14\n*NET*\n*SIGNAL* A\nU1.1\n*END*\n", {R"(#1 "A" = U1:1;)"}},
    {"NetOfUnlistedPartRead", "*PADS-PCB*\n*PART*\nU1 SO14\n*NET*\n*SIGNAL* A\nU9.1\n*END*\n", {R"(#1 "A" = U9:1;)"}},
    {"EmptyAndOnePinNets", kPads + "*SIGNAL* E\n*SIGNAL* ONE\nR1.2\n*END*\n", {R"(#1 "E" = ;)", R"(#2 "ONE" = R1:2;)"}},
    {"EmptyPinAfterLastDotRefused", kPads + "*SIGNAL* A\nU1.B.3 X.1.\n*END*\n", {}, 4},
    {"DottedReference", kPads + "*SIGNAL* A\nU1.B.3\n*END*\n", {R"(#1 "A" = U1.B:3;)"}},
    {"WordsAfterSignalNameNotRead", kPads + "*SIGNAL* A 12 0\nU1.1\n*END*\n", {R"(#1 "A" = U1:1;)"}},
    {"KeywordsInAnyCase", "*pads-pcb*\n*Net*\n*signal* A\nU1.1\n*end*\n", {R"(#1 "A" = U1:1;)"}},
    {"RemarkInsideNet", kPads + "*SIGNAL* A\nU1.1\n*REMARK* checked\nU2.2\n*END*\n", {R"(#1 "A" = U1:1, U2:2;)"}},
    {"TabsAndBlankLines", "\n*PADS-PCB*\n\n*NET*\n*SIGNAL*\tA\n\tU1.1\t\tU2.2\n\n*END*\n", {R"(#1 "A" = U1:1, U2:2;)"}},
    {"CrLf", "*PADS-PCB*\r\n*NET*\r\n*SIGNAL* A\r\nU1.1 U2.2\r\n*END*\r\n", {R"(#1 "A" = U1:1, U2:2;)"}},
    {"NoFinalLineFeed", kPads + "*SIGNAL* A\nU1.1\n*END*", {R"(#1 "A" = U1:1;)"}},
    {"AfterEndNotRead", kPads + "*SIGNAL* A\nU1.1\n*END*\njunk\n*SIGNAL* B\n", {R"(#1 "A" = U1:1;)"}},
    {"RepeatedNodeKept", kPads + "*SIGNAL* A\nU1.1 U1.1\n*END*\n", {R"(#1 "A" = U1:1, U1:1;)"}},
    {"Cyrillic1251", kPads + "*SIGNAL* Пит\nДД1.1\n*END*\n"_cp1251, {"#1 \"Пит\" = ДД1:1;"_cp1251}},
    {"PartsOnlyRefused", "*PADS-PCB*\n*PART*\nU1 SO14\n*END*\n", {}, 4},
    {"NoEndRefused", kPads + "*SIGNAL* A\nU1.1\n", {}, 4},
    {"CutInsideNodeRefused", kPads + "*SIGNAL* A\nU1.1 U2", {}, 4},
    {"NodeWithoutPinRefused", kPads + "*SIGNAL* A\nU1.\n*END*\n", {}, 4},
    {"NodeWithoutReferenceRefused", kPads + "*SIGNAL* A\n.1\n*END*\n", {}, 4},
    {"NodeBeforeSignalRefused", kPads + "U1.1\n*END*\n", {}, 3},
    {"SignalBeforeNetRefused", "*PADS-PCB*\n*SIGNAL* A\nU1.1\n*END*\n", {}, 2},
    {"PartAfterNetRefused", kPads + "*SIGNAL* A\nU1.1\n*PART*\nU1 SO14\n*END*\n", {}, 5},
    {"UnknownKeywordRefused", kPads + "*SIGNAL* A\nU1.1\n*WIRE*\n*END*\n", {}, 5},
    {"LineOutsideSectionsRefused", "*PADS-PCB*\nU1.1\n*NET*\n*END*\n", {}, 2},
    {"BinaryJunkRefused", kPads + "*SIGNAL* A\n\x01\x02\xFF\x7F\n*END*\n"s, {}, 4},
    {"HeaderMissingRefused", "*NET*\n*SIGNAL* A\nU1.1\n*END*\n", {}, 1, false},
    {"EmptyFileRefused", "", {}, 0, false},
};

// ---- Protel and Tango -------------------------------------------------------------
const std::string kPart = "[\nU1\nSO14\n74HC00\n\n\n\n]\n";

const std::vector<Case> kProtelCases = {
    {"PartThenNets", kPart + "(\nGND\nU1-7\nC1-2\n)\n(\nVCC\nU1-14\n)\n", {R"(#1 "GND" = U1:7, C1:2;)", R"(#2 "VCC" = U1:14;)"}},
    {"TangoCommaNodes", kPart + "(\nGND\nU1,7\nC1,2\n)\n", {R"(#1 "GND" = U1:7, C1:2;)"}},
    {"TangoReferenceWithDash", kPart + "(\nA\nU1-A,3\n)\n", {R"(#1 "A" = U1-A:3;)"}},
    {"SplitAtLastDash", kPart + "(\nA\nCH1-U1-3\n)\n", {R"(#1 "A" = CH1-U1:3;)"}},
    {"NetsWithoutParts", "(\nA\nU1-1\n)\n", {R"(#1 "A" = U1:1;)"}},
    {"NetOfUnlistedPartRead", kPart + "(\nA\nR9-1\n)\n", {R"(#1 "A" = R9:1;)"}},
    {"EmptyNameAndEmptyNet", kPart + "(\n\nU1-1\n)\n(\nE\n)\n", {R"(#1 "" = U1:1;)", R"(#2 "E" = ;)"}},
    {"BlanksInNameKeptAroundTrimmed", kPart + "(\n  MY NET \t\n U1-1 \n)\n", {R"(#1 "MY NET" = U1:1;)"}},
    {"BlankLinesInsideNetSkipped", kPart + "(\nA\n\nU1-1\n\nU2-2\n)\n", {R"(#1 "A" = U1:1, U2:2;)"}},
    {"CrLf", "[\r\nU1\r\n]\r\n(\r\nA\r\nU1-1\r\n)\r\n", {R"(#1 "A" = U1:1;)"}},
    {"NoFinalLineFeed", kPart + "(\nA\nU1-1\n)", {R"(#1 "A" = U1:1;)"}},
    {"Cyrillic1251", "[\nU1\n0,1мк\n]\n(\nПит\nДД1-1\n)\n"_cp1251, {"#1 \"Пит\" = ДД1:1;"_cp1251}},
    {"PartsOnlyRefused", kPart + kPart, {}, 16},
    {"PartAfterNetsRefused", "(\nA\nU1-1\n)\n" + kPart, {}, 5},
    {"PartNotClosedRefused", "[\nU1\n[\nU2\n]\n(\nA\nU1-1\n)\n", {}, 3},
    {"NetNotClosedRefused", kPart + "(\nA\nU1-1\n(\nB\nU2-1\n)\n", {}, 12},
    {"CutInsideNetRefused", kPart + "(\nA\nU1-1\n", {}, 11},
    {"CutInsidePartRefused", "[\nU1\nSO14", {}, 3},
    {"NodeWithoutPinRefused", kPart + "(\nA\nU1\n)\n", {}, 11},
    {"LineOutsideBlocksRefused", kPart + "junk\n(\nA\nU1-1\n)\n", {}, 9},
    {"BinaryJunkRefused", kPart + "\x01\x02\xFF\n"s, {}, 9},
    {"EmptyFileRefused", "", {}, 0, false},
};

const std::string kProtel2 = "PROTEL NETLIST 2.0\n[\nDESIGNATOR\nU1\nFOOTPRINT\nSO14\n]\n";

const std::vector<Case> kProtel2Cases = {
    {"NodeFollowedByPartPinAndType", kProtel2 + "(\nVIDEO2\nC38-2 4,7uF-2 Passive      \nX15-3 Clik-Mate 5025840370-3 Passive\n)\n",
     {R"(#1 "VIDEO2" = C38:2, X15:3;)"}},
    {"NodeAlone", kProtel2 + "(\nA\nU1-1\n)\n", {R"(#1 "A" = U1:1;)"}},
    {"PartFieldsWithBlankAndStarLines", "PROTEL NETLIST 2.0\n[\nDESIGNATOR\nU1\nPCB3D\n\n*\n\n*\n]\n(\nA\nU1-1 X-1 Passive\n)\n",
     {R"(#1 "A" = U1:1;)"}},
    {"OnePinAndEmptyNets", kProtel2 + "(\nONE\nU1-1 X-1 Passive\n)\n(\n112\n)\n", {R"(#1 "ONE" = U1:1;)", R"(#2 "112" = ;)"}},
    {"HeaderInAnyCase", "Protel Netlist 2.0\n(\nA\nU1-1\n)\n", {R"(#1 "A" = U1:1;)"}},
    {"CrLfNoFinalLineFeed", "PROTEL NETLIST 2.0\r\n(\r\nA\r\nU1-1 T-1 Passive\r\n)", {R"(#1 "A" = U1:1;)"}},
    {"Cyrillic1251", kProtel2 + "(\nПит\nL1-1 180 Ом-1 Passive\n)\n"_cp1251, {"#1 \"Пит\" = L1:1;"_cp1251}},
    {"HeaderMissingRefused", "(\nA\nU1-1\n)\n", {}, 1, false},
    {"PartsOnlyRefused", kProtel2, {}, 7},
    {"CutInsideNetRefused", kProtel2 + "(\nA\nU1-1 X-1 Pass", {}, 10},
};

// ---- Telesis ----------------------------------------------------------------------
const std::string kTelesis = "$PACKAGES\nSO14! 74HC00; U1\n$NETS\n";

const std::vector<Case> kTelesisCases = {
    {"NetsOnOneLine", kTelesis + "GND;  U1.7 C1.2 \nVCC;  U1.14 \n$END\n", {R"(#1 "GND" = U1:7, C1:2;)", R"(#2 "VCC" = U1:14;)"}},
    {"CommaContinues", kTelesis + "GND;  U1.7 C1.2 ,\n     C2.2 ,\n     C3.2\nB; U2.1\n$END\n",
     {R"(#1 "GND" = U1:7, C1:2, C2:2, C3:2;)", R"(#2 "B" = U2:1;)"}},
    {"CommaRightAfterNode", kTelesis + "A; U1.1,\nU2.2\n$END\n", {R"(#1 "A" = U1:1, U2:2;)"}},
    {"PackageLineContinues", "$PACKAGES\nSO14! 74HC00; U1 ,\n U2 U3\n$NETS\nA; U1.1\n$END\n", {R"(#1 "A" = U1:1;)"}},
    {"QuotedName", kTelesis + "'A;B C';  U1.1\n$END\n", {R"(#1 "A;B C" = U1:1;)"}},
    {"BlanksInNameKept", kTelesis + "  MY NET ;  U1.1\n$END\n", {R"(#1 "MY NET" = U1:1;)"}},
    {"EmptyAndOnePinNets", kTelesis + "112;  \n111;  X18.11 \n$END\n", {R"(#1 "112" = ;)", R"(#2 "111" = X18:11;)"}},
    {"NetsWithoutPackages", "$NETS\nA; U1.1\n$END\n", {R"(#1 "A" = U1:1;)"}},
    {"OtherSectionsNotRead", "$PACKAGES\nX! Y; U1\n$FUNCTIONS\nG1 U1\n$NETS\nA; U1.1\n$End\n", {R"(#1 "A" = U1:1;)"}},
    {"NetOfUnlistedPartRead", kTelesis + "A; R9.1\n$END\n", {R"(#1 "A" = R9:1;)"}},
    {"SplitAtLastDot", kTelesis + "A; U1.B.3\n$END\n", {R"(#1 "A" = U1.B:3;)"}},
    {"AfterEndNotRead", kTelesis + "A; U1.1\n$END\njunk\n", {R"(#1 "A" = U1:1;)"}},
    {"CrLfNoFinalLineFeed", "$NETS\r\nA; U1.1 ,\r\n U2.2\r\n$END", {R"(#1 "A" = U1:1, U2:2;)"}},
    {"Cyrillic1251", kTelesis + "Пит; ДД1.1\n$END\n"_cp1251, {"#1 \"Пит\" = ДД1:1;"_cp1251}},
    {"DollarNameQuoted", kTelesis + "'$GND'; U1.1\n$END\n", {R"(#1 "$GND" = U1:1;)"}},
    {"DollarNameUnquotedRefused", kTelesis + "$GND; U1.1\nA; U2.2\n$END\n", {}, 4},
    {"NoNetsRefused", "$PACKAGES\nSO14! 74HC00; U1\n$END\n", {}, 3},
    {"NoEndRefused", kTelesis + "A; U1.1\n", {}, 4},
    {"CommaThenEndRefused", kTelesis + "A; U1.1 ,\n$END\n", {}, 5},
    {"PackagesAfterNetsRefused", kTelesis + "A; U1.1\n$PACKAGES\n$END\n", {}, 5},
    {"NameWithoutSemicolonRefused", kTelesis + "A U1.1\n$END\n", {}, 4},
    {"QuoteNotClosedRefused", kTelesis + "'A; U1.1\n$END\n", {}, 4},
    {"NodeWithoutPinRefused", kTelesis + "A; U1\n$END\n", {}, 4},
    {"LineBeforeSectionsRefused", "\xFF\x01junk\n$NETS\nA; U1.1\n$END\n"s, {}, 1, false},
};

// ---- Mentor -----------------------------------------------------------------------
const std::vector<Case> kMentorCases = {
    {"OneNetALine", "NET 'GND' U1-7 C1-2 C2-2\nNET 'VCC' U1-14\n", {R"(#1 "GND" = U1:7, C1:2, C2:2;)", R"(#2 "VCC" = U1:14;)"}},
    {"QuotedNameWithBlanks", "NET 'MY NET' U1-1\n", {R"(#1 "MY NET" = U1:1;)"}},
    {"DoubleQuotes", "NET \"A'B\" U1-1\n", {R"(#1 "A'B" = U1:1;)"}},
    {"NameWithoutQuotes", "NET 'A' U1-1\nNET B U2-2\n", {R"(#1 "A" = U1:1;)", R"(#2 "B" = U2:2;)"}},
    {"EmptyNet", "NET '112'\nNET '111' X18-11\n", {R"(#1 "112" = ;)", R"(#2 "111" = X18:11;)"}},
    {"SplitAtLastDash", "NET 'A' CH1-U1-3\n", {R"(#1 "A" = CH1-U1:3;)"}},
    {"CommentsAndPartsBeforeNets", "# parts\nU1  PART 74HC00  SO14\n\nNET 'A' U1-1\n", {R"(#1 "A" = U1:1;)"}},
    {"TabsCrLfNoFinalLineFeed", "NET\t'A'\tU1-1\t U2-2\r\nNET 'B' U3-3", {R"(#1 "A" = U1:1, U2:2;)", R"(#2 "B" = U3:3;)"}},
    {"Cyrillic1251", "NET 'Пит' ДД1-1\n"_cp1251, {"#1 \"Пит\" = ДД1:1;"_cp1251}},
    {"PartsOnlyRefused", "# Protel Formatted Netlist for MENTOR Board Station V6\nA1   PART LMR16006   LMR16006\n", {}, 2},
    {"PartAfterNetsRefused", "NET 'A' U1-1\n# parts\nU1  PART 74HC00  SO14\n", {}, 3},
    {"QuoteNotClosedRefused", "NET 'A' U1-1\nNET 'B U2-2\n", {}, 2},
    {"CutInsideNodeRefused", "NET 'A' U1-1\nNET 'B' U2-", {}, 2},
    {"OtherLineRefused", "NET 'A' U1-1\nNETS B U2-2\n", {}, 2},
    {"BinaryJunkRefused", "NET 'A' U1-1\n\x01\x02\xFF\x7F\n"s, {}, 2},
    {"UnquotedFirstNameNotRecognised", "NET A U1-1\n", {R"(#1 "A" = U1:1;)"}, -1, false},
};

// ---- Calay ------------------------------------------------------------------------
const std::vector<Case> kCalayCases = {
    {"OneNetALine", "/GND    U1(7) C1(2) C2(2);\n/VCC    U1(14);\n", {R"(#1 "GND" = U1:7, C1:2, C2:2;)", R"(#2 "VCC" = U1:14;)"}},
    {"NetOverLines", "/GND U1(7)\n   C1(2)\n   C2(2)\n;\n", {R"(#1 "GND" = U1:7, C1:2, C2:2;)"}},
    {"TwoNetsOnALine", "/A U1(1); /B U2(2);\n", {R"(#1 "A" = U1:1;)", R"(#2 "B" = U2:2;)"}},
    {"EmptyNet", "/A U1(1);\n/112      ;\n", {R"(#1 "A" = U1:1;)", R"(#2 "112" = ;)"}},
    {"NameRightBeforeSemicolon", "/A U1(1);\n/E;\n", {R"(#1 "A" = U1:1;)", R"(#2 "E" = ;)"}},
    {"DashesInName", "/NetVT4-5  VT4(5) X15(1);\n", {R"(#1 "NetVT4-5" = VT4:5, X15:1;)"}},
    {"PinWithParentheses", "/A U1(A(1));\n", {R"(#1 "A" = U1:A(1);)"}},
    {"TabsCrLfNoFinalLineFeed", "/A\tU1(1)\r\n\tU2(2);\r\n/B U3(3);", {R"(#1 "A" = U1:1, U2:2;)", R"(#2 "B" = U3:3;)"}},
    {"Cyrillic1251", "/Пит ДД1(1);\n"_cp1251, {"#1 \"Пит\" = ДД1:1;"_cp1251}},
    {"CutInsideNetRefused", "/A U1(1);\n/B U2(2)\n", {}, 2},
    {"NodeWithoutParenthesesRefused", "/A U1(1);\n/B U2-2;\n", {}, 2},
    {"NodeWithEmptyPinRefused", "/A U1(1);\n/B U2();\n", {}, 2},
    {"WordOutsideNetRefused", "/A U1(1);\nB U2(2);\n", {}, 2},
    {"BinaryJunkRefused", "/A U1(1);\n\x01\x02\xFF\x7F\n"s, {}, 2},
    {"PathNotRecognised", "/usr/bin/env;\n", {R"(#1 "usr/bin/env" = ;)"}, -1, false},
};

// ---- One suite over the tables ------------------------------------------------------

struct FormCase {
    const char* form;
    const Case* c;
};

void PrintTo(const FormCase& fc, std::ostream* os) {
    std::string form = fc.form;
    form.erase(std::remove_if(form.begin(), form.end(), [](char ch) { return !std::isalnum(static_cast<unsigned char>(ch)); }),
               form.end());
    *os << form << "_" << fc.c->name;
}

std::vector<FormCase> AllCases() {
    std::vector<FormCase> all;
    const auto add = [&](const char* form, const std::vector<Case>& cases) {
        for (const Case& c : cases) all.push_back({form, &c});
    };
    add("PADS-PCB", kPadsCases);
    add("Protel", kProtelCases);
    add("Protel 2", kProtel2Cases);
    add("Telesis", kTelesisCases);
    add("Mentor", kMentorCases);
    add("Calay", kCalayCases);
    return all;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t k = 0; k < lines.size(); ++k) text += (k ? "\n" : "") + lines[k];
    return text;
}

void ExpectOutcome(const Case& c, const Decoded& d) {
    if (c.brokenAt >= 0) {
        ASSERT_EQ(d.result, kFormBroken);
        EXPECT_EQ(FormError.Line, c.brokenAt) << FormErrorText();
        EXPECT_FALSE(FormError.What.empty());
    } else {
        ASSERT_EQ(d.result, kDecoded) << FormErrorText();
        EXPECT_EQ(Joined(d.lines), Joined(c.lines));
    }
}

class LineForms : public testing::TestWithParam<FormCase> {};
TEST_P(LineForms, GiveTheChainLinesOrTheBrokenLine) {
    const int form = FormByName(GetParam().form);
    ASSERT_NE(form, FormNone);
    const Case& c = *GetParam().c;
    ExpectOutcome(c, DecodeAs(form, c.input));
    if (!c.recognised) return;
    int taken = FormNone;
    const Decoded any = DecodeAny(c.input, &taken);
    EXPECT_EQ(FormName(taken), std::string(GetParam().form));
    ExpectOutcome(c, any);
}
INSTANTIATE_TEST_SUITE_P(Rules, LineForms, testing::ValuesIn(AllCases()),
                         [](const testing::TestParamInfo<FormCase>& info) { return testing::PrintToString(info.param); });

// ---- Signatures -----------------------------------------------------------------

const char* const kLineForms[] = {"PADS-PCB", "Protel", "Protel 2", "Telesis", "Mentor", "Calay"};

// Whether the form's signature takes the file.
bool Takes(const char* name, const std::string& bytes) {
    const NetListForm& f = FormAt(FormByName(name));
    return f.Signature(bytes.data(), std::min(bytes.size(), kSignatureBytes));
}

// A file of one of these forms carries no other one's signature; a file
// marked as not recognised does not carry its own form's.
TEST_P(LineForms, FileCarriesNoOtherSignature) {
    const Case& c = *GetParam().c;
    if (!c.recognised) {
        EXPECT_FALSE(Takes(GetParam().form, c.input));
        return;
    }
    for (const char* other : kLineForms)
        EXPECT_EQ(Takes(other, c.input), other == std::string(GetParam().form)) << other;
}

// Files of the other forms, and files that only look alike at their start.
const std::vector<std::pair<const char*, std::string>> kOtherFiles = {
    {"AccelAscii", "ACCEL_ASCII \"b\"\n(netlist \"N\"\n (net \"GND\"\n  (node \"U1\" \"7\")))\n"},
    {"Orcad", "BOARD = PROTEL.PCB;\n\nPARTS\nLMR16006 = A1;\nNETS\nGND = U1/7 C1/2 ;\n"},
    {"Pcad45", "%NET\n  GND             U1-7                C1-2\n%END\n"},
    {"Intergraph", "%PART\nLMR16006 A1\n%NET\n%SIGNAL GND\nU1-7 C1-2\n"},
    {"KiCad", "(export (version D)\n  (design\n"},
    {"OrcadPcb2", "( {OrCAD PCB II Netlist Format}\n ( 00000001 LMR16006 A1 LMR16006\n  ( 1 GND )\n )\n)\n"},
    {"Edif", "(edif board\n  (edifVersion 2 0 0)\n"},
    {"Pdif", "{COMPONENT PROTEL.PCB\n  {ENVIRONMENT PROTEL.SCH}\n"},
    {"Cadnetix", "PARTS LIST\n\nLMR16006          LMR16006        A1\n"},
    {"MultiWire", "NET               C38                            2\nNET               R67                            2\n"},
    {"WireList", "Wire List\n\n<<< Component List >>>\n"},
    {"Rinf", ".HEA\n.APP \"x\"\n"},
    {"Eesof", "! EEsof For Windows File\nDIM\n"},
    {"CalayPartsList", "LMR16006            A1                  LMR16006            000     000     0\n"},
    {"CComment", "/* nets */\nint a;\n"},
    {"Path", "/usr/bin/env sh\n"},
    {"IniFile", "[section]\nkey=value\n"},
    {"OpenParenthesisAlone", "(\nfoo bar\nbaz\n)\n"},
    {"ShellComment", "# settings\nname = value\n"},
    {"Empty", ""},
};

TEST(LineFormSignatures, DoNotTakeOtherFiles) {
    for (const auto& [what, bytes] : kOtherFiles)
        for (const char* form : kLineForms) EXPECT_FALSE(Takes(form, bytes)) << form << " takes " << what;
}

// ---- The corpus board -------------------------------------------------------------

namespace fs = std::filesystem;

using Group = std::set<std::string>;

// The groups of two or more distinct nodes of a chain list; nets counted.
std::set<Group> NodeGroups(const std::vector<std::string>& lines) {
    std::set<Group> groups;
    for (const std::string& line : lines) {
        const std::size_t eq = line.rfind("\" = ");
        if (eq == std::string::npos) continue;
        Group g;
        std::string nodes = line.substr(eq + 4);
        nodes.pop_back();  // ";"
        for (std::size_t at = 0; at <= nodes.size();) {
            const std::size_t comma = std::min(nodes.find(", ", at), nodes.size());
            g.insert(nodes.substr(at, comma - at));
            at = comma + 2;
        }
        if (g.size() > 1) groups.insert(g);
    }
    return groups;
}

TEST(LineFormsCorpus, ExportsGiveTheBoardsNodeGroups) {
    const fs::path dir = fs::path(TARVIK_CORPUS_DIR) / "forms";
    const std::string board = "umba-roboconf__main_board_master_MCU";
    if (!fs::exists(dir / (board + ".NET"))) GTEST_SKIP() << "no corpus at " << TARVIK_CORPUS_DIR;
    int form = FormNone;
    const Decoded accel = DecodeAny(ReadBytes((dir / (board + ".NET")).string()), &form);
    ASSERT_EQ(form, FormACCEL);
    const std::set<Group> expected = NodeGroups(accel.lines);
    ASSERT_EQ(expected.size(), 199u);
    const std::map<std::string, std::pair<const char*, std::size_t>> exports = {
        {"_PADS.NET", {"PADS-PCB", 283}}, {"_Protel.NET", {"Protel", 199}},  {"_Tango.NET", {"Protel", 283}},
        {"_Protel2.NET", {"Protel 2", 283}}, {"_Telesis.NET", {"Telesis", 283}}, {"_Mentor.NET", {"Mentor", 283}},
        {"_Calay.NET", {"Calay", 283}},
    };
    for (const auto& [suffix, want] : exports) {
        const Decoded d = DecodeAny(ReadBytes((dir / (board + suffix)).string()), &form);
        EXPECT_EQ(FormName(form), std::string(want.first)) << suffix;
        ASSERT_EQ(d.result, kDecoded) << suffix << ": " << FormErrorText();
        EXPECT_EQ(d.lines.size(), want.second) << suffix;
        EXPECT_TRUE(NodeGroups(d.lines) == expected) << suffix;
    }
    // The parts lists carry no connections: refused, the two with a signature by their form.
    const std::map<std::string, const char*> partsOnly = {
        {"_PADS.NET.PRT", "PADS-PCB"}, {"_Mentor.NET.PRT", "Mentor"}, {"_Calay.NET.PRT", ""}};
    for (const auto& [suffix, name] : partsOnly) {
        const Decoded d = DecodeAny(ReadBytes((dir / (board + suffix)).string()), &form);
        EXPECT_EQ(FormName(form), std::string(name)) << suffix;
        EXPECT_EQ(d.result, *name ? kFormBroken : kNotThisForm) << suffix;
    }
}

}  // namespace
}  // namespace tarvik::test
