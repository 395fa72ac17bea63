// Tests of reading chain lists back into nets: every form of chain line the
// decoders write, line ends, split lines, and lines that are not chain lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chain_reader.h"
#include "cp1251.h"
#include "support.h"

namespace tarvik::test {
namespace {

using namespace cp1251::literals;

// The nets of a list as "name=node|node" strings.
std::vector<std::string> Nets(const ChainList& list) {
    std::vector<std::string> nets;
    for (const ChainNet& n : list.nets) {
        std::string s = std::string(n.name) + "=";
        for (std::size_t k = 0; k < n.nodeCount; ++k) s += (k ? "|" : "") + std::string(list.Node(n, k));
        nets.push_back(s);
    }
    return nets;
}

struct ReadCase {
    const char* name;
    std::string text;
    std::vector<std::string> nets;
};
void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ChainReader : public testing::TestWithParam<ReadCase> {};

TEST_P(ChainReader, ReadsNetsAndNodes) {
    ChainList list;
    EXPECT_EQ(ParseChainList(GetParam().text, list), 0u);
    EXPECT_EQ(Nets(list), GetParam().nets);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ChainReader,
    testing::Values(
        ReadCase{"Nodes", "#1 \"GND\" = J1:1, C1:2, U1:4;\r\n", {"GND=J1:1|C1:2|U1:4"}},
        ReadCase{"SeveralLines", "#1 \"A\" = X:1;\r\n#2 \"B\" = Y:2;\r\n", {"A=X:1", "B=Y:2"}},
        ReadCase{"TrimmedEmptyNet", "#1 \"GND\" = ;\r\n", {"GND="}},
        ReadCase{"OverwrittenEmptyNet", "#1 \"GND\" ;\r\n", {"GND="}},
        ReadCase{"OverwrittenOneByteNode", "#1 \"GND\" =;\r\n", {"GND="}},
        ReadCase{"LfLineEnds", "#1 \"A\" = X:1;\n#2 \"B\" = Y:2;\n", {"A=X:1", "B=Y:2"}},
        ReadCase{"NoLineEndAtTheEnd", "#1 \"A\" = X:1;\r\n#2 \"B\" = Y:2;", {"A=X:1", "B=Y:2"}},
        ReadCase{"EmptyLinesAtTheEnd", "#1 \"A\" = X:1;\r\n\r\n\n", {"A=X:1"}},
        ReadCase{"NoLines", "", {}},
        ReadCase{"NameWithBlanks", "#1 \"MY NET\" = X:1;\r\n", {"MY NET=X:1"}},
        ReadCase{"NameWithQuote", "#1 \"A\"B\" = X:1;\r\n", {"A\"B=X:1"}},
        ReadCase{"NameEndingInQuote", "#1 \"AB\"\" = X:1;\r\n", {"AB\"=X:1"}},
        ReadCase{"EmptyName", "#1 \"\" = X:1;\r\n", {"=X:1"}},
        ReadCase{"NameSplitAtAnLf", "#1 \"GN\r\nD\" = U1:1;\r\n#2 \"X\" ;\r\n", {"GN\nD=U1:1", "X="}},
        ReadCase{"NodeSplitAtAnLf", "#1 \"A\" = U1:1\r\n2, R1:1;\r\n", {"A=U1:1\n2|R1:1"}},
        ReadCase{"EmptyNodesAreDropped", "#1 \"N\" = , U1:2, , R1:1;\r\n", {"N=U1:2|R1:1"}},
        ReadCase{"RepeatedNodesAreKept", "#1 \"N\" = A:1, A:1;\r\n", {"N=A:1|A:1"}},
        ReadCase{"NodeWithoutPin", "#1 \"N\" = U5, R1:1;\r\n", {"N=U5|R1:1"}},
        ReadCase{"NumbersDoNotMatter", "#7 \"A\" = X:1;\r\n#7 \"B\" ;\r\n#100 \"C\" ;\r\n", {"A=X:1", "B=", "C="}},
        ReadCase{"Windows1251Bytes", std::string("#1 \"") + "+5В"_cp1251 + "\" = " + "Д1"_cp1251 + ":2;\r\n",
                 {std::string("+5В"_cp1251) + "=" + "Д1"_cp1251 + ":2"}}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

struct BadCase {
    const char* name;
    std::string text;
    std::size_t line;  // the first line that is not part of a chain line
};
void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class ChainReaderRefuses : public testing::TestWithParam<BadCase> {};

TEST_P(ChainReaderRefuses, NamesTheLine) {
    ChainList list;
    EXPECT_EQ(ParseChainList(GetParam().text, list), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ChainReaderRefuses,
    testing::Values(BadCase{"TextBeforeTheFirstLine", "hello\r\n#1 \"A\" = X:1;\r\n", 1},
                    BadCase{"NoSemicolon", "#1 \"A\" = X:1\r\n", 1},
                    BadCase{"NoSemicolonOnALaterLine", "#1 \"A\" = X:1;\r\n#2 \"B\" = Y:1\r\n#3 \"C\" ;\r\n", 2},
                    BadCase{"NoNumber", "# \"A\" = X:1;\r\n", 1},
                    BadCase{"NotANumber", "#x \"A\" = X:1;\r\n", 1},
                    BadCase{"NameNotQuoted", "#1 A = X:1;\r\n", 1},
                    BadCase{"NoBlankAfterTheName", "#1 \"A\"= X:1;\r\n", 1},
                    BadCase{"NoEqualsSign", "#1 \"A\" X:1;\r\n", 1},
                    BadCase{"NoBlankAfterTheEqualsSign", "#1 \"A\" =X:1;\r\n", 1},
                    BadCase{"AnEmptyLineInside", "#1 \"A\" = X:1;\r\n\r\n#2 \"B\" ;\r\n", 1}),
    [](const testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

// Every chain list of the examples and test data reads back as one net per line.
TEST(ChainReader, ReadsEveryGoldenChainList) {
    for (const std::string& path :
         {ExampleFile("preamp.cha"), ExampleFile("controller.cha"), DataFile("orcad_edges.cha"),
          DataFile("accel_edges.cha"), DataFile("pcad45_edges.cha"), DataFile("fallthrough.cha")}) {
        const std::string text = ReadBytes(path);
        std::size_t lines = 0;
        for (std::size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos; p += 2) ++lines;
        ChainList list;
        EXPECT_EQ(ParseChainList(text, list), 0u) << path;
        EXPECT_EQ(list.nets.size(), lines) << path;
    }
}

}  // namespace
}  // namespace tarvik::test
