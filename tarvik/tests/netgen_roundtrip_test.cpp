// Round trips: generated boards written in every form by tarvik_netgen's
// writers (bench/netgen_forms.cpp) and read back by that form's decoder give
// exactly the board's chain lines: in the file's order of nets, or, for the
// forms that list pins part by part, in the order a net is first mentioned;
// EEsof carries no net names, so its nets are compared by their nodes only.
// tarvik-diff finds no difference between the file and the board's chain list.
// A form read by another form's decoder (Tango's by Protel's) is read by that;
// a form whose decoder is not in the table of forms is skipped.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "decoders.h"
#include "netgen_forms.h"
#include "support.h"

namespace tarvik::test {
namespace {

struct RoundTrip {
    const netgen::Form* form;
    bool crlf;  // CR LF line ends, and no line end after the last line
};

void PrintTo(const RoundTrip& r, std::ostream* os) { *os << r.form->name << (r.crlf ? ", CR LF" : ", LF"); }

std::string Name(const testing::TestParamInfo<RoundTrip>& info) {
    std::string name;
    for (const char* c = info.param.form->name; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
    return name + (info.param.crlf ? "_CrLf" : "_Lf");
}

std::vector<RoundTrip> AllRoundTrips() {
    std::vector<RoundTrip> all;
    for (const auto& f : netgen::Forms())
        for (bool crlf : {false, true}) all.push_back({&f, crlf});
    return all;
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    while (out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0) out.resize(out.size() - 2);
    return out;
}

// Chain lines without their names: "#k = nodes;".
std::vector<std::string> Unnamed(std::vector<std::string> lines) {
    for (auto& l : lines) {
        const auto a = l.find('"'), b = l.rfind('"');
        if (a != std::string::npos && b > a) l.erase(a, b - a + 1);
    }
    return lines;
}

class Netgen : public testing::TestWithParam<RoundTrip> {};

TEST_P(Netgen, BoardReadBackIsTheBoard) {
    const netgen::Form& form = *GetParam().form;
    int id = FormByName(form.name);
    if (id == FormNone && form.readBy) id = FormByName(form.readBy);
    if (id == FormNone) GTEST_SKIP() << form.name << " is not in the table of forms yet";
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const netgen::Board board = netgen::MakeBoard(form, seed, 0, 12, true);
        std::string bytes = netgen::Write(form, board);
        if (GetParam().crlf) bytes = WithCrLf(bytes);
        auto expected = netgen::ChainLines(netgen::AsRead(form, board));
        ASSERT_GT(expected.size(), 10u);

        const Decoded alone = DecodeAs(id, bytes);
        ASSERT_EQ(alone.result, kDecoded) << FormErrorText();
        int taken = FormNone;
        const Decoded any = DecodeAny(bytes, &taken);
        EXPECT_EQ(taken, id) << "taken as " << FormName(taken);
        if (form.order == netgen::Order::Numbers) {
            EXPECT_EQ(Unnamed(alone.lines), Unnamed(expected));
            EXPECT_EQ(Unnamed(any.lines), Unnamed(expected));
        } else {
            EXPECT_EQ(alone.lines, expected);
            EXPECT_EQ(any.lines, expected);
            // tarvik-diff recognises the form too: the board's chain list against the file.
            if (seed == 1 && !GetParam().crlf) {
                const RunResult r = RunProgram(TARVIK_DIFF_EXE, Quote(WriteTemp(ChaBytes(expected), "board.cha")) + " " +
                                                                    Quote(WriteTemp(bytes, "board.net")));
                EXPECT_EQ(r.status, 0) << r.out << r.err;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, Netgen, testing::ValuesIn(AllRoundTrips()), Name);

}  // namespace
}  // namespace tarvik::test
