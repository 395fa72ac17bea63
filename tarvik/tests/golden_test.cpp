// Whole-file tests: our own net lists decoded through the shell's order of
// attempts and compared byte for byte with their chain lists (.cha).
#include <gtest/gtest.h>

#include <string>

#include "decoders.h"
#include "support.h"

namespace tarvik::test {
namespace {

struct Golden {
    const char* input;
    const char* expected;
    bool example;  // in examples/tarvik rather than the test data
    int form;
};

void PrintTo(const Golden& g, std::ostream* os) { *os << g.input; }

class GoldenFile : public testing::TestWithParam<Golden> {};

TEST_P(GoldenFile, DecodesToItsChainList) {
    const Golden& g = GetParam();
    const auto path = [&](const char* name) { return g.example ? ExampleFile(name) : DataFile(name); };
    int form = FormNone;
    const Decoded d = DecodeAny(ReadBytes(path(g.input)), &form);
    EXPECT_EQ(form, g.form);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(ChaBytes(d.lines), ReadBytes(path(g.expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Files, GoldenFile,
    testing::Values(Golden{"preamp_accel.net", "preamp.cha", true, FormACCEL},
                    Golden{"preamp_orcad.net", "preamp.cha", true, FormORCAD},
                    Golden{"preamp_pcad45.net", "preamp.cha", true, FormPCAD45},
                    Golden{"controller_accel.net", "controller.cha", true, FormACCEL},
                    Golden{"orcad_edges.net", "orcad_edges.cha", false, FormORCAD},
                    Golden{"accel_edges.net", "accel_edges.cha", false, FormACCEL},
                    Golden{"pcad45_edges.net", "pcad45_edges.cha", false, FormPCAD45},
                    Golden{"fallthrough.net", "fallthrough.cha", false, FormPCAD45}),
    [](const testing::TestParamInfo<Golden>& info) {
        std::string name = info.param.input;
        for (char& c : name)
            if (!isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

}  // namespace
}  // namespace tarvik::test
