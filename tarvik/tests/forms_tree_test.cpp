// Table-driven tests of the decoders of the list-shaped forms (KiCad, OrCAD
// PCB II, EDIF, PDIF): one case per rule with the exact chain lines, or the
// line of the error, expected; each case is decoded as its form and again
// through recognition, which must pick the same form and give the same.
// A generated part-by-part file checked against a plain model of its nets,
// and short checks of the corpus exports of these forms close the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cp1251.h"
#include "decoders.h"
#include "support.h"

namespace tarvik::test {
namespace {

using namespace std::string_literals;
using namespace cp1251::literals;

struct Case {
    const char* name;
    std::string input;
    int result;                      // kDecoded or kFormBroken
    std::vector<std::string> lines;  // chain lines when decoded
    long long errorLine = 0;         // FormError.Line when broken
};

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t k = 0; k < lines.size(); ++k) text += (k ? "\n" : "") + lines[k];
    return text;
}

// ---- KiCad ----------------------------------------------------------------------
// A file of the form around the nets section's contents.
std::string Kicad(const std::string& nets) {
    return "(export (version \"E\")\n  (components\n    (comp (ref \"U9\") (value \")(\\\"\")))\n  (nets\n" + nets +
           "))\n";
}
const std::string kGnd = "(net (code \"1\") (name \"GND\") (node (ref \"U1\") (pin \"7\")) (node (ref \"C1\") (pin \"2\")))\n";

const std::vector<Case> kKicadCases = {
    {"QuotedNames", Kicad(kGnd), kDecoded, {R"(#1 "GND" = U1:7, C1:2;)"}},
    {"BareNamesOfVersionD",
     "(export (version D)\n (nets\n  (net (code 1) (name /RUSB_D+)\n   (node (ref R4) (pin 2)))))\n", kDecoded,
     {R"(#1 "/RUSB_D+" = R4:2;)"}},
    {"OneTokenPerLineWithTabs",
     Kicad("\t(net\n\t\t(code\n\t\t\t\"1\"\n\t\t)\n\t\t(name\n\t\t\t\"A\"\n\t\t)\n\t\t(node\n\t\t\t(ref\n\t\t\t\t\"U1\"\n\t\t\t)"
           "\n\t\t\t(pin\n\t\t\t\t\"1\"\n\t\t\t)\n\t\t)\n\t)\n"),
     kDecoded, {R"(#1 "A" = U1:1;)"}},
    {"EscapesInsideQuotes", Kicad(R"((net (name "a\"b\\c") (node (ref "R\"1") (pin "1"))))"), kDecoded,
     {R"(#1 "a"b\c" = R"1:1;)"}},
    {"UnknownEscapeKeepsBackslash", Kicad(R"((net (name "a\qb") (node (ref "U1") (pin "1"))))"), kDecoded,
     {R"(#1 "a\qb" = U1:1;)"}},
    {"QuotedNameOverTwoLines", Kicad("(net (name \"A\nB\") (node (ref \"U1\") (pin \"1\")))"), kDecoded,
     {"#1 \"A", "B\" = U1:1;"}},
    {"EmptyName", Kicad("(net (code \"2\") (name \"\") (node (ref \"U1\") (pin \"1\")))"), kDecoded, {R"(#1 "" = U1:1;)"}},
    {"NoNameList", Kicad("(net (code \"2\") (node (ref \"U1\") (pin \"1\")))"), kDecoded, {R"(#1 "" = U1:1;)"}},
    {"UnnamedNetsStayApart", Kicad("(net (name \"\") (node (ref \"U1\") (pin \"1\")))(net (name \"\") (node (ref \"U2\") (pin \"1\")))"),
     kDecoded, {R"(#1 "" = U1:1;)", R"(#2 "" = U2:1;)"}},
    {"RepeatedNodeKeptOnce",
     Kicad("(net (name \"A\") (node (ref \"U1\") (pin \"1\")) (node (ref \"U2\") (pin \"3\")) (node (ref \"U1\") (pin \"1\")))"),
     kDecoded, {R"(#1 "A" = U1:1, U2:3;)"}},
    {"NetWithoutNodes", Kicad("(net (code \"3\") (name \"N\"))"), kDecoded, {R"(#1 "N" = ;)"}},
    {"NetsInFileOrder", Kicad("(net (name \"Z\") (node (ref \"U1\") (pin \"1\")))" + kGnd), kDecoded,
     {R"(#1 "Z" = U1:1;)", R"(#2 "GND" = U1:7, C1:2;)"}},
    {"ExtraListsOfNodeIgnored",
     Kicad("(net (name \"A\") (node (ref \"U1\") (pin \"11\") (pinfunction \"~{Q2}\") (pintype \"output\")))"), kDecoded,
     {R"(#1 "A" = U1:11;)"}},
    {"OtherSectionsSkipped",
     "(export (version \"E\")\n (design (sheet (name \"/\") (title_block (comment (value \"(net (name X))\")))))\n"
     " (libparts (libpart (pins (pin (num \"1\") (name \"A\") (type \"input\")))))\n"
     " (components (net (name \"Q\") (node (ref \"U7\") (pin \"7\"))))\n (nets " + kGnd + "))",
     kDecoded, {R"(#1 "GND" = U1:7, C1:2;)"}},
    {"Utf8NamesInWindows1251", Kicad("(net (name \"Питание\") (node (ref \"Д1\") (pin \"1\")))"), kDecoded,
     {"#1 \""s + "Питание"_cp1251 + "\" = " + "Д1"_cp1251 + ":1;"}},
    {"CharactersWindows1251LacksSpelledOut", Kicad("(net (name \"名<U+0041>\") (node (ref \"U1\") (pin \"1\")))"), kDecoded,
     {R"(#1 "<U+540D><U+003C>U+0041>" = U1:1;)"}},
    {"CrLfLines", "(export (version \"E\")\r\n (nets\r\n  (net (name \"A\")\r\n   (node (ref \"U1\") (pin \"1\")))))\r\n",
     kDecoded, {R"(#1 "A" = U1:1;)"}},
    {"NoFinalLineFeed", "(export (version D) (nets (net (name A) (node (ref U1) (pin 1)))))", kDecoded, {R"(#1 "A" = U1:1;)"}},
    {"ByteOrderMark", "\xEF\xBB\xBF(export (version D) (nets (net (name A) (node (ref U1) (pin 1)))))", kDecoded,
     {R"(#1 "A" = U1:1;)"}},
    {"EmptyNetsSection", "(export (version D) (nets))", kDecoded, {}},
    {"EndInsideNetRefused", "(export (version D)\n (nets\n  (net (name A) (node (ref U1) (pin 1))", kFormBroken, {}, 3},
    {"ExtraCloseRefused", "(export (version D)\n (nets))\n)\n", kFormBroken, {}, 3},
    {"UnclosedQuoteRefused", "(export (version D)\n (nets\n  (net (name \"A) (node (ref U1) (pin 1)))))\n", kFormBroken, {}, 3},
    {"NoNetsSectionRefused", "(export (version D)\n (components))\n", kFormBroken, {}, 0},
    {"ListAfterExportRefused", "(export (version D) (nets))\n\n(export (version D))\n", kFormBroken, {}, 3},
    {"BinaryJunkRefused", "(export (version D) (nets (net (name A) \x01\x02\xFF\xFE(\x00\x00"s, kFormBroken, {}, 1},
};

// ---- OrCAD PCB II -----------------------------------------------------------------
const std::string kPcb2 = "( {OrCAD PCB II Netlist Format}\n";

const std::vector<Case> kOrcadPcb2Cases = {
    {"NetsInOrderOfFirstAppearance",
     kPcb2 + " ( 00000001 SO14 U1 74HC00\n  ( 7 GND )\n  ( 14 VCC )\n )\n ( 00000002 C0603 C1 100n\n  ( 1 VCC )\n  ( 2 GND )\n )\n)\n",
     kDecoded, {R"(#1 "GND" = U1:7, C1:2;)", R"(#2 "VCC" = U1:14, C1:1;)"}},
    {"QuestionMarkIsUnconnected", kPcb2 + " ( 1 SO14 U1 X\n  ( 3 ? )\n  ( 7 GND )\n )\n)\n", kDecoded, {R"(#1 "GND" = U1:7;)"}},
    {"PinWithoutNetIsUnconnected", kPcb2 + " ( 1 SO14 U1 X\n  ( 3 )\n  ( 7 GND )\n )\n)\n", kDecoded, {R"(#1 "GND" = U1:7;)"}},
    {"FootprintWithBlanks", kPcb2 + " ( 00000217 MOLEX_Click-Mate 2 X4 Clik-Mate 5025840270\n  ( 1 A )\n )\n)\n", kDecoded,
     {R"(#1 "A" = X4:1;)"}},
    {"FootprintWithBlanksAndDigits", kPcb2 + " ( 00000218 OMRON XF2W-2415-1A X5 OMRON XF2W-2415-1A\n  ( 1 A )\n )\n)\n",
     kDecoded, {R"(#1 "A" = X5:1;)"}},
    {"ValueWithBlanks", kPcb2 + " ( 00000216 Molex_MK_43045-1000 X3 Micro-Fit 43045-1000\n  ( 1 A )\n )\n)\n", kDecoded,
     {R"(#1 "A" = X3:1;)"}},
    {"EmptyValue", kPcb2 + " ( 00000077 Led_0603_RED HL7 \n  ( 1 A )\n )\n)\n", kDecoded, {R"(#1 "A" = HL7:1;)"}},
    {"NoWordLooksLikeReference", kPcb2 + " ( 1 FP J_PWR 10k\n  ( 1 A )\n )\n)\n", kDecoded, {R"(#1 "A" = J_PWR:1;)"}},
    {"NetNameWithBlanks", kPcb2 + " ( 1 FP U1 X\n  ( 1 NET  A )\n )\n)\n", kDecoded, {R"(#1 "NET  A" = U1:1;)"}},
    {"PinTwiceKeptOnce", kPcb2 + " ( 1 FP U1 X\n  ( 1 A )\n  ( 1 A )\n  ( 2 A )\n )\n)\n", kDecoded, {R"(#1 "A" = U1:1, U1:2;)"}},
    {"Windows1251Kept", kPcb2 + " ( 1 FP " + "Д1"_cp1251 + " X\n  ( 1 " + "+3,3В"_cp1251 + " )\n )\n)\n", kDecoded,
     {"#1 \""s + "+3,3В"_cp1251 + "\" = " + "Д1"_cp1251 + ":1;"}},
    {"KicadHeaderUtf8AndCommentAfterList",
     "( { EESchema Netlist Version 1.1 created  1/1/2010 }\n ( /4D8A2A2A $noname  R1 10k {Lib=R}\n  (    1 Питание )\n"
     "  (    2 ? )\n )\n)\n*\n{ Pin List by Nets\nNet 1 \"GND\"\n R1 1\n}\n#End\n",
     kDecoded, {"#1 \""s + "Питание"_cp1251 + "\" = R1:1;"}},
    {"KicadHashHeader", "# EESchema Netlist Version 1.0 generee le 5/9/2006\n(\n ( 44FDADE6 $noname R3 200 {Lib=R}\n ( 1 N-000001 )\n )\n)\n",
     kDecoded, {R"(#1 "N-000001" = R3:1;)"}},
    {"CrLfLines", "( {OrCAD PCB II Netlist Format}\r\n ( 1 FP U1 X\r\n  ( 1 A )\r\n )\r\n)\r\n", kDecoded, {R"(#1 "A" = U1:1;)"}},
    {"NoFinalLineFeed", kPcb2 + " ( 1 FP U1 X\n  ( 1 A )\n )\n)", kDecoded, {R"(#1 "A" = U1:1;)"}},
    {"NoParts", kPcb2 + ")\n", kDecoded, {}},
    {"EndInsidePartRefused", kPcb2 + " ( 1 FP U1 X\n  ( 1 A )\n", kFormBroken, {}, 3},
    {"EndInsideListRefused", kPcb2 + " ( 1 FP U1 X\n  ( 1 A )\n )\n", kFormBroken, {}, 4},
    {"JunkInsidePartRefused", kPcb2 + " ( 1 FP U1 X\n  ( 1 A )\n  \x01\xFF junk\n )\n)\n", kFormBroken, {}, 4},
    {"PartWithoutReferenceRefused", kPcb2 + " ( 1 FP\n  ( 1 A )\n )\n)\n", kFormBroken, {}, 2},
};

// ---- EDIF -------------------------------------------------------------------------
const std::string kEdifLib =
    "(edif board\n (edifVersion 2 0 0)\n (edifLevel 0)\n (keywordMap (keywordLevel 0))\n"
    " (library LIB (edifLevel 0) (technology (numberDefinition))\n"
    "  (cell C0603 (cellType GENERIC) (view netListView (viewType NETLIST)\n"
    "   (interface (port (rename &1 \"1\") (direction INOUT)) (port (rename &2 \"2\") (direction INOUT))))))\n";
// A file of the form around the contents of the design cell.
std::string Edif(const std::string& contents) {
    return kEdifLib + " (library SHEET (edifLevel 0) (technology (numberDefinition))\n  (cell TOP (cellType GENERIC)\n"
                      "   (view netListView (viewType NETLIST) (interface)\n    (contents\n"
                      "     (instance C1 (viewRef netListView (cellRef C0603 (libraryRef LIB)))\n"
                      "      (property Value (string \"(10n)\")))\n" +
           contents + "))))\n (design board (cellRef TOP (libraryRef SHEET))))\n";
}

const std::vector<Case> kEdifCases = {
    {"RenamedNetAndPorts",
     Edif("(net (rename VCC_ \"VCC+\") (joined (portRef &1 (instanceRef C1))))\n(net GND (joined (portRef &2 (instanceRef C1))))\n"),
     kDecoded, {R"(#1 "VCC+" = C1:1;)", R"(#2 "GND" = C1:2;)"}},
    {"KeywordsInAnyCase", Edif("(Net GND (Joined (PortRef &2 (InstanceRef C1))))\n"), kDecoded, {R"(#1 "GND" = C1:2;)"}},
    {"RenamedInstance",
     Edif("(instance (rename R_1 \"R-1\") (viewRef netListView (cellRef C0603 (libraryRef LIB))))\n"
          "(net A (joined (portRef &1 (instanceRef R_1)) (portRef &2 (instanceRef C1))))\n"),
     kDecoded, {R"(#1 "A" = R-1:1, C1:2;)"}},
    {"UndeclaredInstanceAndPortByIdentifier", Edif("(net A (joined (portRef P7 (instanceRef U9))))\n"), kDecoded,
     {R"(#1 "A" = U9:P7;)"}},
    {"PortOfTheDesignItself", Edif("(net A (joined (portRef IN) (portRef &1 (instanceRef C1))))\n"), kDecoded,
     {R"(#1 "A" = IN:, C1:1;)"}},
    {"NameWithStringDisplay", Edif("(net (rename N1 (stringDisplay \"N-1\" (display x))) (joined (portRef &1 (instanceRef C1))))\n"),
     kDecoded, {R"(#1 "N-1" = C1:1;)"}},
    {"PercentCodesInString", Edif("(net (rename A_B \"A%34%B%\") (joined (portRef &1 (instanceRef C1))))\n"), kDecoded,
     {R"(#1 "A"B%" = C1:1;)"}},
    {"NetWithoutJoined", Edif("(net A)\n"), kDecoded, {R"(#1 "A" = ;)"}},
    {"RepeatedNodeKeptOnce", Edif("(net A (joined (portRef &1 (instanceRef C1)) (portRef &1 (instanceRef C1))))\n"), kDecoded,
     {R"(#1 "A" = C1:1;)"}},
    {"PropertiesOfNetSkipped", Edif("(net A (joined (portRef &1 (instanceRef C1))) (property x (string \"(joined\")))\n"),
     kDecoded, {R"(#1 "A" = C1:1;)"}},
    {"Windows1251Kept", Edif("(net (rename N_ \""s + "Земля"_cp1251 + "\") (joined (portRef &1 (instanceRef C1))))\n"),
     kDecoded, {"#1 \""s + "Земля"_cp1251 + "\" = C1:1;"}},
    {"CrLfLines", "(edif b\r\n (edifVersion 2 0 0)\r\n (net A\r\n  (joined (portRef 1 (instanceRef U1)))))\r\n", kDecoded,
     {R"(#1 "A" = U1:1;)"}},
    {"NoFinalLineFeed", "(edif b (edifVersion 2 0 0) (net A (joined (portRef 1 (instanceRef U1)))))", kDecoded,
     {R"(#1 "A" = U1:1;)"}},
    {"EndInsideNetRefused", "(edif b\n (edifVersion 2 0 0)\n (net A (joined (portRef 1 (instanceRef U1))", kFormBroken, {}, 3},
    {"ExtraCloseRefused", "(edif b\n (edifVersion 2 0 0))\n)\n", kFormBroken, {}, 3},
    {"TextAfterEdifListRefused", "(edif b (edifVersion 2 0 0))\nx\n", kFormBroken, {}, 2},
    {"UnclosedQuoteRefused", "(edif b (edifVersion 2 0 0)\n (net (rename A \"A)))\n", kFormBroken, {}, 2},
};

// ---- PDIF -------------------------------------------------------------------------
// A file of the form around the parts.
std::string Pdif(const std::string& parts) {
    return "{COMPONENT PROTEL.PCB\n  {ENVIRONMENT PROTEL.SCH}\n  {PDIFvrev 1.30}\n  {DETAIL\n    {SUBCOMP\n" + parts + "    }\n  }\n}\n";
}

const std::vector<Case> kPdifCases = {
    {"NetsInOrderOfFirstAppearance",
     Pdif("{I SO14.PRT U1\n{CN\n7 GND\n14 VCC\n}\n}\n{I C0603.PRT C1\n{CN\n1 VCC\n2 GND\n}\n}\n"), kDecoded,
     {R"(#1 "GND" = U1:7, C1:2;)", R"(#2 "VCC" = U1:14, C1:1;)"}},
    {"QuestionMarkIsUnconnected", Pdif("{I SO14.PRT U1\n{CN\n3 ?\n7 GND\n}\n}\n"), kDecoded, {R"(#1 "GND" = U1:7;)"}},
    {"PinAloneOnItsLineIsUnconnected", Pdif("{I SO14.PRT U1\n{CN\n3\n7 GND\n}\n}\n"), kDecoded, {R"(#1 "GND" = U1:7;)"}},
    {"FootprintWithBlanks", Pdif("{I MOLEX_Click-Mate 2.PRT X4\n{CN\n1 A\n}\n}\n"), kDecoded, {R"(#1 "A" = X4:1;)"}},
    {"BlocksOnOneLine", Pdif("{I A.PRT U1 {CN 1 GND 2 VCC } }\n"), kDecoded, {R"(#1 "GND" = U1:1;)", R"(#2 "VCC" = U1:2;)"}},
    {"OtherBlocksSkipped", Pdif("{NOTE 1 GND}\n{I A.PRT U1\n{ATTR 5 VCC}\n{CN\n1 GND\n}\n}\n"), kDecoded, {R"(#1 "GND" = U1:1;)"}},
    {"PinTwiceKeptOnce", Pdif("{I A.PRT U1\n{CN\n1 GND\n1 GND\n}\n}\n"), kDecoded, {R"(#1 "GND" = U1:1;)"}},
    {"Windows1251Kept", Pdif("{I A.PRT "s + "Д1"_cp1251 + "\n{CN\n1 " + "+3,3В"_cp1251 + "\n}\n}\n"), kDecoded,
     {"#1 \""s + "+3,3В"_cp1251 + "\" = " + "Д1"_cp1251 + ":1;"}},
    {"CrLfLines", "{COMPONENT X\r\n{I A.PRT U1\r\n{CN\r\n1 GND\r\n}\r\n}\r\n}\r\n", kDecoded, {R"(#1 "GND" = U1:1;)"}},
    {"NoFinalLineFeed", "{COMPONENT X\n{I A.PRT U1\n{CN\n1 GND\n}\n}\n}", kDecoded, {R"(#1 "GND" = U1:1;)"}},
    {"EndInsideBlockRefused", "{COMPONENT X\n{I A.PRT U1\n{CN\n1 GND\n", kFormBroken, {}, 4},
    {"ExtraCloseRefused", "{COMPONENT X\n}\n}\n", kFormBroken, {}, 3},
    {"PartWithoutReferenceRefused", "{COMPONENT X\n{I\n{CN\n1 GND\n}\n}\n}\n", kFormBroken, {}, 2},
    {"BinaryJunkAfterRefused", "{COMPONENT X\n}\n\x01\xFF\x00junk"s, kFormBroken, {}, 3},
};

// ---- One suite over the four tables ------------------------------------------------

struct FormCase {
    const char* form;
    const Case* c;
};

void PrintTo(const FormCase& fc, std::ostream* os) {
    std::string form = fc.form;
    for (char& ch : form)
        if (ch == ' ') ch = '_';
    *os << form << "_" << fc.c->name;
}

std::vector<FormCase> AllCases() {
    std::vector<FormCase> all;
    const auto add = [&](const char* form, const std::vector<Case>& cases) {
        for (const Case& c : cases) all.push_back({form, &c});
    };
    add("KiCad", kKicadCases);
    add("OrCAD PCB II", kOrcadPcb2Cases);
    add("EDIF", kEdifCases);
    add("PDIF", kPdifCases);
    return all;
}

class TreeForms : public testing::TestWithParam<FormCase> {};

TEST_P(TreeForms, GiveTheChainLinesOrTheLineOfTheError) {
    const Case& c = *GetParam().c;
    const int form = FormByName(GetParam().form);
    ASSERT_NE(form, FormNone);
    const Decoded d = DecodeAs(form, c.input);
    ASSERT_EQ(d.result, c.result) << FormErrorText();
    if (c.result == kFormBroken) {
        EXPECT_EQ(FormError.Form, form);
        EXPECT_EQ(FormError.Line, c.errorLine) << FormErrorText();
        EXPECT_FALSE(FormError.What.empty());
        return;
    }
    EXPECT_EQ(Joined(d.lines), Joined(c.lines));
}

TEST_P(TreeForms, AreRecognisedByTheirOwnSignatureOnly) {
    const Case& c = *GetParam().c;
    const int form = FormByName(GetParam().form);
    const std::string head = c.input.substr(0, kSignatureBytes);
    for (int k = 0; k < FormCount(); ++k) {
        if (!FormAt(k).Signature) continue;
        EXPECT_EQ(FormAt(k).Signature(head.data(), head.size()), k == form) << FormName(k);
    }
    int taken = FormNone;
    const Decoded d = DecodeAny(c.input, &taken);
    EXPECT_EQ(taken, form);
    EXPECT_EQ(d.result, c.result);
    if (c.result == kDecoded) {
        EXPECT_EQ(Joined(d.lines), Joined(c.lines));
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, TreeForms, testing::ValuesIn(AllCases()),
                         [](const testing::TestParamInfo<FormCase>& info) { return testing::PrintToString(info.param); });

// Files that only look like one of these forms: no signature matches.
TEST(TreeFormSignatures, NeedTheirWholeHeader) {
    const std::vector<std::string> others = {
        "(export (nets (net (name A))))",               // no version
        "(exports (version D) (nets))",                 // another keyword
        "(edif b (edifVersion 3 0 0))",                 // another version
        "(edif_x b (edifVersion 2 0 0))",
        "( {OrCAD PCB Netlist}\n)\n",
        "(\n ( 1 FP U1 X\n  ( 1 A )\n )\n)\n",          // no header
        "{COMPONENTS X\n}\n",
        "ACCEL_ASCII \"b\"\n(netlist (net \"A\" (node \"U1\" \"1\")))\n",
        "%NET\n  GND             U1-7\n%END\n",
    };
    for (const std::string& text : others)
        for (const char* name : {"KiCad", "OrCAD PCB II", "EDIF", "PDIF"})
            EXPECT_FALSE(FormAt(FormByName(name)).Signature(text.data(), text.size())) << name << ": " << text;
}

// ---- Nets gathered part by part, against a plain model ------------------------------

// A generated OrCAD PCB II file of many parts whose pins fall on nets drawn
// at random (some unconnected, some listed twice) gives the nets of a plain
// model: nets in the order of their first mention, nodes in file order, a
// node repeated in a net kept once. Enough nets that many share the low bits
// of their hashes, one net (GND) large enough to be checked for repeated
// nodes through a table, and nets whose names are too long for a record's
// short header.
TEST(TreeFormsCollector, PartByPartNetsMatchAPlainModel) {
    std::mt19937 rng(15);
    std::string file = kPcb2;
    std::vector<std::string> order;
    std::map<std::string, std::vector<std::string>> nodes;
    std::set<std::string> seen;
    for (int part = 1; part <= 700; ++part) {
        const std::string ref = "U" + std::to_string(part);
        file += " ( " + std::to_string(part) + " FP " + ref + " V\n";
        const int pins = 1 + static_cast<int>(rng() % 8);
        for (int pin = 1; pin <= pins; ++pin) {
            const int repeat = rng() % 10 == 0 ? 2 : 1;
            const unsigned draw = rng() % 24;
            const std::string net = draw < 2    ? "?"
                                    : draw == 2 ? "GND"
                                    : draw == 3 ? "L" + std::string(300, 'x') + std::to_string(rng() % 3)
                                                : "N" + std::to_string(rng() % 1500);
            for (int r = 0; r < repeat; ++r) file += "  ( " + std::to_string(pin) + " " + net + " )\n";
            if (net == "?") continue;
            if (!nodes.count(net)) order.push_back(net);
            const std::string node = ref + ":" + std::to_string(pin);
            if (seen.insert(net + " " + node).second) nodes[net].push_back(node);
        }
        file += " )\n";
    }
    file += ")\n";
    std::vector<std::string> expected;
    for (const std::string& net : order) {
        std::string line = "#" + std::to_string(expected.size() + 1) + " \"" + net + "\" = ";
        for (std::size_t k = 0; k < nodes[net].size(); ++k) line += (k ? ", " : "") + nodes[net][k];
        expected.push_back(line + ";");
    }
    ASSERT_GT(expected.size(), 1000u);
    ASSERT_GT(nodes["GND"].size(), 100u);
    const Decoded d = DecodeAs(FormByName("OrCAD PCB II"), file);
    ASSERT_EQ(d.result, kDecoded);
    EXPECT_EQ(d.lines, expected);
}

// ---- The corpus: the board's exports in these forms, and KiCad's own files ---------

namespace fs = std::filesystem;

using Group = std::set<std::string>;

// The nodes of each chain line, and the groups of two or more nodes.
std::vector<Group> Nodes(const std::vector<std::string>& lines) {
    std::vector<Group> out;
    for (const auto& l : lines) {
        Group g;
        const auto eq = l.find("\" = ");
        if (eq != std::string::npos) {
            const std::string rest = l.substr(eq + 4, l.size() - eq - 5);
            for (std::size_t s = 0, c; s <= rest.size(); s = c + 2) {
                c = rest.find(", ", s);
                if (c == std::string::npos) c = rest.size();
                g.insert(rest.substr(s, c - s));
            }
        }
        out.push_back(g);
    }
    return out;
}
std::set<Group> Connections(const std::vector<Group>& nets) {
    std::set<Group> out;
    for (const Group& g : nets)
        if (g.size() >= 2) out.insert(g);
    return out;
}

std::string Board(const std::string& suffix) {
    return std::string(TARVIK_CORPUS_DIR) + "/forms/umba-roboconf__main_board_master_MCU" + suffix;
}

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::istringstream in(bytes);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(l);
    }
    return lines;
}

// The nets a file names, counted independently of the decoders: the distinct
// nets of the pin lines "( PIN NET )" or "PIN NET" (not "?"), or the "(net"
// lists in any case.
std::size_t PinLineNets(const std::string& bytes, const std::regex& pinLine) {
    std::set<std::string> nets;
    std::smatch m;
    for (const std::string& l : Lines(bytes))
        if (std::regex_match(l, m, pinLine) && m[1] != "?") nets.insert(m[1]);
    return nets.size();
}
std::size_t OrcadPcb2Nets(const std::string& bytes) { return PinLineNets(bytes, std::regex(R"(\s*\( \S+ (.+) \))")); }
std::size_t PdifNets(const std::string& bytes) { return PinLineNets(bytes, std::regex(R"(\s*[^\s{}]+ ([^\s{}]+)\s*)")); }
std::size_t EdifNets(const std::string& bytes) {
    std::size_t count = 0;
    for (std::size_t k = 0; k + 5 <= bytes.size(); ++k)
        count += (bytes[k] == '(' && (bytes[k + 1] | 0x20) == 'n' && (bytes[k + 2] | 0x20) == 'e' &&
                  (bytes[k + 3] | 0x20) == 't' && bytes[k + 4] == ' ');
    return count;
}

// The part-by-part exports (OrCAD PCB II, PDIF) also name a net for each pin
// that the other exports leave out, so they hold more one-pin nets; the
// connections are the same in every export.
TEST(TreeFormsCorpus, BoardExportsJoinTheNodesOfTheAccelExport) {
    const std::string accel = Board(".NET");
    if (!Exists(accel)) GTEST_SKIP() << "no corpus at " << TARVIK_CORPUS_DIR;
    int form = FormNone;
    const std::set<Group> expected = Connections(Nodes(DecodeAny(ReadBytes(accel), &form).lines));
    ASSERT_EQ(form, FormACCEL);
    ASSERT_EQ(expected.size(), 199u);
    const struct {
        const char* suffix;
        const char* form;
        std::size_t (*nets)(const std::string&);
    } exports[] = {{"_OrCAD-PCB2.NET", "OrCAD PCB II", OrcadPcb2Nets},
                   {"_Calay.NET.EDF", "EDIF", EdifNets},
                   {"_PCAD_Netlist.NET", "PDIF", PdifNets}};
    for (const auto& e : exports) {
        const std::string bytes = ReadBytes(Board(e.suffix));
        const Decoded d = DecodeAny(bytes, &form);
        EXPECT_EQ(d.result, kDecoded) << e.suffix << ": " << FormErrorText();
        EXPECT_EQ(form, FormByName(e.form)) << e.suffix;
        EXPECT_EQ(d.lines.size(), e.nets(bytes)) << e.suffix;
        EXPECT_GE(d.lines.size(), 282u) << e.suffix;
        EXPECT_EQ(Connections(Nodes(d.lines)), expected) << e.suffix;
    }
}

// KiCad's files: as many chain lines as "(net" lists and as many nodes as
// "(node" lists (neither file repeats a node).
TEST(TreeFormsCorpus, KicadFilesGiveEveryNetAndNode) {
    const fs::path dir = fs::path(TARVIK_CORPUS_DIR) / "kicad";
    std::error_code ec;
    int seen = 0;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.path().extension() != ".net") continue;
        ++seen;
        const std::string bytes = ReadBytes(entry.path().string());
        std::size_t nets = 0, nodes = 0;
        for (std::size_t at = bytes.find("(net (code"); at != std::string::npos; at = bytes.find("(net (code", at + 1)) ++nets;
        for (std::size_t at = bytes.find("(node (ref"); at != std::string::npos; at = bytes.find("(node (ref", at + 1)) ++nodes;
        int form = FormNone;
        const Decoded d = DecodeAny(bytes, &form);
        EXPECT_EQ(form, FormByName("KiCad")) << entry.path();
        EXPECT_EQ(d.lines.size(), nets) << entry.path();
        std::size_t written = 0;
        for (const Group& g : Nodes(d.lines)) written += g.size();
        EXPECT_EQ(written, nodes) << entry.path();
        EXPECT_GT(nets, 10u) << entry.path();
    }
    if (seen == 0) GTEST_SKIP() << "no corpus at " << TARVIK_CORPUS_DIR;
}

}  // namespace
}  // namespace tarvik::test
