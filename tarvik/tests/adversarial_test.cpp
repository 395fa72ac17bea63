// Adversarial inputs: random bytes of every value (zero bytes included) behind
// each form's header, and huge names, nodes and lines. Decoders must not crash,
// must return 0 or -2, and every line they emit must be a whole chain line;
// huge fields must come through without losing a byte; the converter's stream
// must give exactly the bytes that saving the text box gives.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "chain.h"
#include "decoders.h"
#include "reader.h"
#include "shell.h"
#include "support.h"

namespace tarvik::test {
namespace {

struct Form {
    const char* name;
    Decoder decoder;
    std::string header;
    std::vector<std::string> pieces;  // bytes and words the form's grammar reacts to, drawn often
};

void PrintTo(const Form& f, std::ostream* os) { *os << f.name; }

using namespace std::string_literals;

const std::vector<Form> kForms = {
    {"ACCEL", DecodeACCEL, "ACCEL_ASCII \"r\"\n",
     {"(net \"N1\" ", "(NET \"", "(node \"U1\" \"2\")", "(Node \"R", "\" \"", "(nodes ", "(ne", "(", ")", ")", ")",
      "\"", "\"U1\"", " ", "\n", "\t", "\r", "\0"s}},
    {"ORCAD", DecodeORCAD, "X\nNETS\n", {"=", ";", "/", " ", " ", "\n", "\t", "AB", "12", "\r", "\0"s}},
    {"PCAD45", DecodePCAD45, "%\n", {"    ", "                ", "\n", "-", "%", "AB", "12", "\t", "\r", "\0"s}},
};

// Random input: mostly the form's pieces, some bytes of any value, never "#".
std::string RandomBody(std::mt19937& rng, const std::vector<std::string>& pieces, std::size_t size) {
    std::string s;
    std::uniform_int_distribution<int> pick(0, 99), any(0, 255);
    std::uniform_int_distribution<std::size_t> fromPieces(0, pieces.size() - 1);
    while (s.size() < size) {
        if (pick(rng) < 80) s += pieces[fromPieces(rng)];
        else s += static_cast<char>(any(rng));
    }
    s.resize(size);
    for (char& c : s)
        if (c == '#') c = '@';
    return s;
}

// The text box's text cut at each "#k \"" that begins a line: every piece is
// a chain line numbered k = 1, 2, ... and ends with ";". (Names may hold LF
// in the ORCAD and ACCEL forms, so a chain line may span text-box lines.)
void ExpectWholeChainLines(const std::string& text, std::int64_t emitted) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (int k = 1; start < text.size(); ++k) {
        const std::string head = "#" + std::to_string(k) + " \"";
        ASSERT_EQ(text.compare(start, head.size(), head), 0) << "line " << k << " at " << start;
        const std::string next = "\n#" + std::to_string(k + 1) + " \"";
        std::size_t end = text.find(next, start);
        if (end == std::string::npos) end = text.size();
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    EXPECT_EQ(static_cast<std::int64_t>(pieces.size()), emitted);
    for (const auto& p : pieces) {
        EXPECT_EQ(p.back(), ';') << p;
        EXPECT_EQ(p.find('\0'), std::string::npos);
    }
}

class RandomInput : public testing::TestWithParam<Form> {};

TEST_P(RandomInput, NeverBreaksTheChainLines) {
    const Form& form = GetParam();
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<std::size_t> size(0, 3000);
    for (int round = 0; round < 300; ++round) {
        const std::string input = form.header + RandomBody(rng, form.pieces, size(rng));
        const Decoded d = Decode(form.decoder, input);
        ASSERT_TRUE(d.result == 0 || d.result == -2) << round;
        ExpectWholeChainLines(BoxText(), B.N);
        if (HasFatalFailure()) FAIL() << "round " << round;
    }
}

TEST_P(RandomInput, AnyBytesWithoutHeaderDoNotCrash) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> any(0, 255);
    for (int round = 0; round < 50; ++round) {
        std::string input(static_cast<std::size_t>(any(rng)) * 16, '\0');
        for (char& c : input) c = static_cast<char>(any(rng));
        const Decoded d = Decode(GetParam().decoder, input);
        EXPECT_TRUE(d.result == 0 || d.result == -2);
    }
}

// Decodes input reading byte by byte, then taking runs at once: the two agree.
void ExpectRunsMatchByteByByte(const Form& form, const std::string& input) {
    R.ByteByByte = true;
    const Decoded slow = Decode(form.decoder, input);
    R.ByteByByte = false;
    const Decoded fast = Decode(form.decoder, input);
    ASSERT_EQ(fast.result, slow.result);
    ASSERT_EQ(fast.lines, slow.lines);
}

// Runs of bytes taken at once give exactly what reading byte by byte gives.
TEST_P(RandomInput, RunsGiveTheSameAsByteByByte) {
    const Form& form = GetParam();
    std::mt19937 rng(99);
    std::uniform_int_distribution<std::size_t> size(0, 4000);
    for (int round = 0; round < 200; ++round) {
        const std::string input = form.header + RandomBody(rng, form.pieces, size(rng));
        ExpectRunsMatchByteByByte(form, input);
        if (HasFatalFailure()) FAIL() << "round " << round;
    }
}

// The same with the random bytes straddling the end of the reader's first
// window, so that the decoders' in-window steps hand over to the byte-wise
// ones in the middle of every kind of token.
TEST_P(RandomInput, RunsGiveTheSameAsByteByByteAcrossTheWindowEnd) {
    const Form& form = GetParam();
    std::mt19937 rng(4242);
    std::uniform_int_distribution<std::size_t> before(1, 600);
    for (int round = 0; round < 12; ++round) {
        std::string input = form.header;
        input.resize(static_cast<std::size_t>(kWindowSize) - before(rng), form.name[0] == 'P' ? '%' : ' ');
        input += RandomBody(rng, form.pieces, 1200);
        ExpectRunsMatchByteByByte(form, input);
        if (HasFatalFailure()) FAIL() << "round " << round;
    }
}

bool Collect(void* ctx, const char* bytes, std::size_t count) {
    static_cast<std::string*>(ctx)->append(bytes, count);
    return true;
}

// The .cha bytes streamed by the decoders (as tarvik-convert writes them)
// equal the bytes that the save command writes from the text box, through
// the shell's order of attempts, lines of failed attempts included.
TEST_P(RandomInput, StreamedChainListEqualsTheSavedOne) {
    const Form& form = GetParam();
    std::mt19937 rng(31337);
    std::uniform_int_distribution<std::size_t> size(0, 3000);
    for (int round = 0; round < 200; ++round) {
        const std::string input = form.header + RandomBody(rng, form.pieces, size(rng));
        int formBox = FormNone, formStream = FormNone;
        const Decoded boxed = DecodeAny(input, &formBox);
        std::string saved;
        ASSERT_TRUE(WriteChainList(S.MainPanel, kChainBox, Collect, &saved));
        std::string streamed;
        ChaStream stream(Collect, &streamed);
        B.Out = &stream;
        const Decoded direct = DecodeAny(input, &formStream);
        B.Out = nullptr;
        stream.Flush();
        ASSERT_EQ(direct.result, boxed.result) << round;
        ASSERT_EQ(formStream, formBox) << round;
        EXPECT_TRUE(direct.lines.empty()) << "the text box stays empty while a stream takes the lines";
        ASSERT_TRUE(streamed == saved) << round;
        ASSERT_EQ(stream.Lines(), static_cast<std::int64_t>(boxed.lines.size())) << round;
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, RandomInput, testing::ValuesIn(kForms),
                         [](const testing::TestParamInfo<Form>& info) { return std::string(info.param.name); });

TEST(HugeFields, OrcadNameAndNodeOfAMegabyteStayWhole) {
    const std::string name(1 << 20, 'N'), node(1 << 20, 'U');
    const Decoded d = Decode(DecodeORCAD, "X\nNETS\n" + name + " = " + node + "/7 R1/2 ;\n");
    ASSERT_EQ(d.lines.size(), 1u);
    EXPECT_TRUE(d.lines[0] == "#1 \"" + name + "\" = " + node + ":7, R1:2;");
}

TEST(HugeFields, OrcadLineOfManyNodes) {
    std::string input = "X\nNETS\nBUS = ", expected = "#1 \"BUS\" = ";
    for (int k = 0; k < 20000; ++k) {
        input += "U" + std::to_string(k) + "/" + std::to_string(k % 64) + " ";
        expected += (k ? ", U" : "U") + std::to_string(k) + ":" + std::to_string(k % 64);
    }
    const Decoded d = Decode(DecodeORCAD, input + ";\n");
    ASSERT_EQ(d.lines.size(), 1u);
    EXPECT_GT(d.lines[0].size(), 10000u);
    EXPECT_TRUE(d.lines[0] == expected + ";");
}

TEST(HugeFields, AccelNameReferenceAndPinOfManyKilobytes) {
    const std::string name(200000, 'n'), ref(150000, 'r'), pin(100000, 'p');
    const Decoded d = Decode(DecodeACCEL, "ACCEL_ASCII\n(net \"" + name + "\" (node \"" + ref + "\" \"" + pin + "\"))");
    ASSERT_EQ(d.lines.size(), 1u);
    EXPECT_TRUE(d.lines[0] == "#1 \"" + name + "\" = " + ref + ":" + pin + ";");
}

TEST(HugeFields, PcadLineOfAHundredKilobytes) {
    std::string line = "  " + std::string(16, 'G') + std::string(100000, 'x') + "\n";
    const Decoded d = Decode(DecodePCAD45, "%\n" + line + "%\n");
    ASSERT_EQ(d.lines.size(), 1u);
    const std::string name = std::string(16, 'G') + std::string(100000, 'x');
    EXPECT_TRUE(d.lines[0] == "#1 \"" + name + "\" = " + std::string(100000, 'x') + ", " + std::string(99980, 'x') + ";");
}

TEST(HugeFields, ChainNumbersBeyondTenThousandNets) {
    std::string input = "X\nNETS\n";
    for (int k = 0; k < 12000; ++k) input += "N = A/1;";
    const Decoded d = Decode(DecodeORCAD, input + "\n");
    ASSERT_EQ(d.lines.size(), 12000u);
    EXPECT_EQ(d.lines.back(), "#12000 \"N\" = A:1;");
}

}  // namespace
}  // namespace tarvik::test
