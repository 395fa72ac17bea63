// Table tests of the connectivity comparison and its text report: each kind
// of change, the warnings about either side, and the order of the report.
#include <gtest/gtest.h>

#include <string>

#include "chain_reader.h"
#include "cp1251.h"
#include "diff_report.h"
#include "net_diff.h"

namespace tarvik::test {
namespace {

using namespace cp1251::literals;

// A chain list written briefly: "GND=U1:1,C1:2; VCC=U1:8; EMPTY=".
std::string Chains(const std::string& brief) {
    std::string text;
    int number = 0;
    std::size_t from = 0;
    while (from < brief.size()) {
        std::size_t end = brief.find(';', from);
        if (end == std::string::npos) end = brief.size();
        std::string net = brief.substr(from, end - from);
        from = end + 1;
        while (!net.empty() && net[0] == ' ') net.erase(0, 1);
        if (net.empty()) continue;
        const std::size_t eq = net.find('=');
        std::string nodes = net.substr(eq + 1);
        for (std::size_t c = 0; (c = nodes.find(',', c)) != std::string::npos; c += 2) nodes.replace(c, 1, ", ");
        text += "#" + std::to_string(++number) + " \"" + net.substr(0, eq) + "\" = " + nodes + ";\r\n";
    }
    return text;
}

bool ToString(void* ctx, const char* bytes, std::size_t count) {
    static_cast<std::string*>(ctx)->append(bytes, count);
    return true;
}

struct Compared {
    bool same = false;
    std::string text;
};

Compared Compare(const std::string& oldBrief, const std::string& newBrief, bool connectionsOnly = false) {
    ChainList a, b;
    EXPECT_EQ(ParseChainList(Chains(oldBrief), a), 0u) << oldBrief;
    EXPECT_EQ(ParseChainList(Chains(newBrief), b), 0u) << newBrief;
    if (connectionsOnly) {
        KeepConnections(a);
        KeepConnections(b);
    }
    const NetDiff d = CompareNets(std::move(a), std::move(b));
    Compared c;
    c.same = d.Same();
    TextOut out(ToString, &c.text, TextOut::Encoding::Bytes);
    WriteTextReport(d, out);
    out.Flush();
    return c;
}

struct DiffCase {
    const char* name;
    std::string oldList, newList;
    std::string report;  // the text report
    bool same;
    bool connectionsOnly = false;  // nets of fewer than two distinct nodes left out first
};
void PrintTo(const DiffCase& c, std::ostream* os) { *os << c.name; }

class NetDiffReport : public testing::TestWithParam<DiffCase> {};

TEST_P(NetDiffReport, ListsTheChanges) {
    const DiffCase& c = GetParam();
    const Compared r = Compare(c.oldList, c.newList, c.connectionsOnly);
    EXPECT_EQ(r.text, c.report);
    EXPECT_EQ(r.same, c.same);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, NetDiffReport,
    testing::Values(
        DiffCase{"Identical", "GND=U1:4,C1:2; VCC=U1:8", "GND=U1:4,C1:2; VCC=U1:8", "", true},
        DiffCase{"OrderAndRepeatsDoNotMatter", "GND=U1:4,C1:2; VCC=U1:8", "VCC=U1:8,U1:8; GND=C1:2,U1:4,C1:2", "",
                 true},
        DiffCase{"BothEmpty", "", "", "", true},
        DiffCase{"NetRemoved", "GND=U1:4; N5=U1:5,R1:1", "GND=U1:4", "net removed \"N5\" = R1:1, U1:5;\n", false},
        DiffCase{"NetAdded", "GND=U1:4", "GND=U1:4; N5=U1:5,R1:1", "net added \"N5\" = R1:1, U1:5;\n", false},
        DiffCase{"EmptyNetAdded", "GND=U1:4", "GND=U1:4; NC=", "net added \"NC\" = ;\n", false},
        DiffCase{"NetRenamed", "IN=J1:3,C3:1; GND=U1:4", "GND=U1:4; AUDIO_IN=C3:1,J1:3",
                 "net renamed \"IN\" to \"AUDIO_IN\"\n", false},
        DiffCase{"EqualSetsRenamedInNameOrder", "B=X:1; A=X:1; C=Y:1", "Z=X:1; Y=X:1; C=Y:1",
                 "warning: old: node X:1 stands in 2 nets: \"A\", \"B\"\n"
                 "warning: new: node X:1 stands in 2 nets: \"Y\", \"Z\"\n"
                 "net renamed \"A\" to \"Y\"\n"
                 "net renamed \"B\" to \"Z\"\n",
                 false},
        DiffCase{"EmptyNetsAreNotRenames", "A=; G=U1:1", "B=; G=U1:1", "net removed \"A\" = ;\nnet added \"B\" = ;\n",
                 false},
        DiffCase{"RenamedAndChangedIsARemovalAndAnAddition", "VOUT=R4:2,J1:4", "VOUT2=R4:2,J1:4,C9:1",
                 "net removed \"VOUT\" = J1:4, R4:2;\n"
                 "net added \"VOUT2\" = C9:1, J1:4, R4:2;\n"
                 "node moved J1:4 from \"VOUT\" to \"VOUT2\"\n"
                 "node moved R4:2 from \"VOUT\" to \"VOUT2\"\n",
                 false},
        DiffCase{"NodeAdded", "VCC=U1:8", "VCC=U1:8,C4:1", "node added C4:1 to \"VCC\"\n", false},
        DiffCase{"NodeRemoved", "VCC=U1:8,C4:1", "VCC=U1:8", "node removed C4:1 from \"VCC\"\n", false},
        DiffCase{"LastNodeRemoved", "VCC=U1:8", "VCC=", "node removed U1:8 from \"VCC\"\n", false},
        DiffCase{"NodeMoved", "BIAS_MIDPOINT_A=R2:1,U1:3; GND=J1:1", "BIAS_MIDPOINT_A=R2:1; GND=J1:1,U1:3",
                 "node removed U1:3 from \"BIAS_MIDPOINT_A\"\n"
                 "node added U1:3 to \"GND\"\n"
                 "node moved U1:3 from \"BIAS_MIDPOINT_A\" to \"GND\"\n",
                 false},
        DiffCase{"NodeMovedFromARemovedNetToAnAddedOne", "OLD=U1:5", "NEW=U1:5,R7:1",
                 "net removed \"OLD\" = U1:5;\n"
                 "net added \"NEW\" = R7:1, U1:5;\n"
                 "node moved U1:5 from \"OLD\" to \"NEW\"\n",
                 false},
        DiffCase{"NodeMovedIntoAnAddedNet", "A=U1:1,U1:2", "A=U1:1; B=U1:2",
                 "net added \"B\" = U1:2;\n"
                 "node removed U1:2 from \"A\"\n"
                 "node moved U1:2 from \"A\" to \"B\"\n",
                 false},
        DiffCase{"SortedByNetThenNode", "Z=Q:1; B=X:2,X:1; A=Y:1,Y:3", "B=X:3; A=Y:2; Z=Q:1",
                 "node removed Y:1 from \"A\"\n"
                 "node added Y:2 to \"A\"\n"
                 "node removed Y:3 from \"A\"\n"
                 "node removed X:1 from \"B\"\n"
                 "node removed X:2 from \"B\"\n"
                 "node added X:3 to \"B\"\n",
                 false},
        DiffCase{"ByteOrderPutsCyrillicLast", std::string("A=X:1; ") + "ЭКРАН=X:2"_cp1251 + "; +5V=X:3",
                 "",
                 "net removed \"+5V\" = X:3;\n"
                 "net removed \"A\" = X:1;\n"
                 "net removed \"" + std::string("ЭКРАН"_cp1251) + "\" = X:2;\n",
                 false},
        DiffCase{"RepeatedNameIsOneNet", "GND=U1:4,C1:2", "GND=U1:4; GND=C1:2",
                 "warning: new: net \"GND\" stands 2 times, compared as one net\n", true},
        DiffCase{"RepeatedNameOnBothSides", "GND=U1:4; GND=C1:2; GND=C3:3", "GND=U1:4; GND=C1:2",
                 "warning: old: net \"GND\" stands 3 times, compared as one net\n"
                 "warning: new: net \"GND\" stands 2 times, compared as one net\n"
                 "node removed C3:3 from \"GND\"\n",
                 false},
        DiffCase{"NodeInTwoNets", "A=U1:1; B=U1:2", "A=U1:1; B=U1:2,U1:1; C=U1:1",
                 "warning: new: node U1:1 stands in 3 nets: \"A\", \"B\", \"C\"\n"
                 "net added \"C\" = U1:1;\n"
                 "node added U1:1 to \"B\"\n",
                 false},
        DiffCase{"WarningsAloneLeaveTheListsTheSame", "A=U1:1; B=U1:1", "B=U1:1; A=U1:1",
                 "warning: old: node U1:1 stands in 2 nets: \"A\", \"B\"\n"
                 "warning: new: node U1:1 stands in 2 nets: \"A\", \"B\"\n",
                 true},
        DiffCase{"SharedNodeRenameAndMove", "A=U1:1; B=U1:1; C=X:1", "C=X:1,U1:1; D=U1:1",
                 "warning: old: node U1:1 stands in 2 nets: \"A\", \"B\"\n"
                 "warning: new: node U1:1 stands in 2 nets: \"C\", \"D\"\n"
                 "net removed \"B\" = U1:1;\n"
                 "net renamed \"A\" to \"D\"\n"
                 "node added U1:1 to \"C\"\n"
                 "node moved U1:1 from \"B\" to \"C\"\n",
                 false},
        DiffCase{"MovesOfASharedNodePairInNameOrder", "A=U1:1,X:1; B=U1:1,X:2", "A=X:1; B=X:2; C=U1:1,Y:1; D=U1:1,Y:2",
                 "warning: old: node U1:1 stands in 2 nets: \"A\", \"B\"\n"
                 "warning: new: node U1:1 stands in 2 nets: \"C\", \"D\"\n"
                 "net added \"C\" = U1:1, Y:1;\n"
                 "net added \"D\" = U1:1, Y:2;\n"
                 "node removed U1:1 from \"A\"\n"
                 "node removed U1:1 from \"B\"\n"
                 "node moved U1:1 from \"A\" to \"C\"\n"
                 "node moved U1:1 from \"B\" to \"D\"\n",
                 false},
        DiffCase{"ConnectionsOnlyLeavesOutNetsOfOneNodeOrNone", "GND=U1:4,C1:2; NC1=U2:3; EMPTY=",
                 "GND=C1:2,U1:4; X=U1:1,U1:1; NC2=U2:4", "", true, true},
        DiffCase{"ConnectionsOnlyCountsLinesOfOneNameTogether", "A=U1:1; A=U2:1; B=U3:1", "A=U1:1,U2:1",
                 "warning: old: net \"A\" stands 2 times, compared as one net\n", true, true},
        DiffCase{"ConnectionsOnlyStillReportsChangedConnections", "A=U1:1,U2:1,U3:1; N=U4:1", "A=U1:1,U2:1; N=U4:1",
                 "node removed U3:1 from \"A\"\n", false, true},
        DiffCase{"OneNodeNetsCountWithoutConnectionsOnly", "GND=U1:4,C1:2; NC1=U2:3", "GND=C1:2,U1:4",
                 "net removed \"NC1\" = U2:3;\n", false},
        DiffCase{"ControlBytesAreEscaped", "GN\nD=U1:1\t2", "", "net removed \"GN\\nD\" = U1:1\\t2;\n", false}),
    [](const testing::TestParamInfo<DiffCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvik::test
