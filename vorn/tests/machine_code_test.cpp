// The machine code's own guarantees: its memory is never writable and
// executable at once and is freed with the expression; VORN_JIT=0 and
// expressions beyond the code generator's limits run as byte-code with the
// same results.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "vorn_test_util.h"

using vorn_test::BothModesAgree;
using vorn_test::Calc;
using vorn_test::SameBits;

namespace {

struct Mapping {
    std::uintptr_t begin, end;
    std::string permissions;  // "r-xp" and the like
    bool anonymous;
};

std::vector<Mapping> Mappings() {
    std::vector<Mapping> mappings;
    std::FILE* maps = std::fopen("/proc/self/maps", "r");
    if (maps == nullptr) return mappings;
    char line[4096];
    while (std::fgets(line, sizeof line, maps) != nullptr) {
        unsigned long begin = 0, end = 0, offset = 0, inode = 0;
        char permissions[8] = {}, device[16] = {};
        int consumed = 0;
        if (std::sscanf(line, "%lx-%lx %7s %lx %15s %lu %n", &begin, &end, permissions, &offset, device, &inode,
                        &consumed) < 6)
            continue;
        const bool anonymous = inode == 0 && (line[consumed] == '\n' || line[consumed] == '\0');
        mappings.push_back(Mapping{begin, end, permissions, anonymous});
    }
    std::fclose(maps);
    return mappings;
}

// Fails for any mapping of the process that is both writable and executable,
// and unless the machine code's block lies in read+execute mappings.
::testing::AssertionResult ProtectionHolds(const vorn::MachineCode& code) {
    const auto begin = reinterpret_cast<std::uintptr_t>(code.Memory());
    const std::uintptr_t end = begin + code.MemorySize();
    std::uintptr_t covered = 0;
    for (const Mapping& m : Mappings()) {
        if (m.permissions[1] == 'w' && m.permissions[2] == 'x')
            return ::testing::AssertionFailure() << "writable and executable: " << std::hex << m.begin;
        if (m.begin < end && m.end > begin) {
            if (m.permissions.compare(0, 3, "r-x") != 0)
                return ::testing::AssertionFailure() << "machine code mapped " << m.permissions;
            covered += std::min(m.end, end) - std::max(m.begin, begin);
        }
    }
    if (covered != code.MemorySize()) return ::testing::AssertionFailure() << "machine code not mapped";
    return ::testing::AssertionSuccess();
}

// Bytes of anonymous executable memory in the process.
std::uintptr_t ExecutableAnonymousBytes() {
    std::uintptr_t bytes = 0;
    for (const Mapping& m : Mappings())
        if (m.anonymous && m.permissions[2] == 'x') bytes += m.end - m.begin;
    return bytes;
}

// Sets VORN_JIT for the life of the object.
class JitSetting {
public:
    explicit JitSetting(const char* value) {
        if (const char* old = std::getenv("VORN_JIT")) previous = old;
        setenv("VORN_JIT", value, 1);
    }
    ~JitSetting() {
        if (previous.empty())
            unsetenv("VORN_JIT");
        else
            setenv("VORN_JIT", previous.c_str(), 1);
    }
    JitSetting(const JitSetting&) = delete;
    JitSetting& operator=(const JitSetting&) = delete;

private:
    std::string previous;
};

#if defined(__x86_64__)
constexpr bool kHasCodeGenerator = true;
#else
constexpr bool kHasCodeGenerator = false;
#endif

const char* const kExpressions[] = {
    "2*(x+1)^2-sin(y)", "(x*3+y/2-1)*(x-y)+x*x*x", "min(x,y)+max(x,3)*abs(y-x)", "x>3 && y<2 || x==y",
    "sqrt(x-y)+round(z*y)-int(x/z)", "(x<<3)|(y>>1)&z", "tan(x)^y/cos(z)", "-(x-y)*z"};
const double kValues[] = {3, 0.5, -2, 0.0, -0.0, HUGE_VAL, -HUGE_VAL, NAN, -NAN, 1e300, 5e-324, 2147483648.0};

TEST(MachineCode, PagesAreNeverWritableWhileTheCodeRuns) {
    if (!kHasCodeGenerator || !vorn::MachineCode::Enabled()) GTEST_SKIP() << "no machine code here";
    Calc calc;
    for (const char* text : kExpressions) {
        ASSERT_FALSE(calc.Error(text)) << text << ": " << cp1251::to_utf8(*calc.Error(text));
        ASSERT_NE(calc.e.Machine().Function(), nullptr) << text;
        ASSERT_TRUE(ProtectionHolds(calc.e.Machine())) << text;
        double value = 0;
        ASSERT_TRUE(BothModesAgree(calc.e, &value)) << text;
        ASSERT_TRUE(ProtectionHolds(calc.e.Machine())) << text;
    }
}

TEST(MachineCode, MemoryIsFreedByTheNextExpressionAndByClosing) {
    if (!kHasCodeGenerator || !vorn::MachineCode::Enabled()) GTEST_SKIP() << "no machine code here";
    const std::uintptr_t before = ExecutableAnonymousBytes();
    auto calc = std::make_unique<Calc>();
    for (int i = 0; i < 300; ++i) ASSERT_FALSE(calc->Error(kExpressions[i % 8]));
    EXPECT_LE(ExecutableAnonymousBytes(), before + calc->e.Machine().MemorySize())
        << "only the last expression's code is kept";
    EXPECT_GT(ExecutableAnonymousBytes(), before);
    ASSERT_TRUE(calc->Error("1+"));
    EXPECT_EQ(ExecutableAnonymousBytes(), before) << "a failed text keeps no code";
    ASSERT_FALSE(calc->Error(kExpressions[0]));
    calc.reset();
    EXPECT_EQ(ExecutableAnonymousBytes(), before);
}

// The same expressions with VORN_JIT=0: no machine code, the same bits.
TEST(MachineCode, TurnedOffByTheEnvironmentGivesTheSameResults) {
    Calc jit, off;
    for (const char* text : kExpressions) {
        ASSERT_FALSE(jit.Error(text)) << text;
        {
            JitSetting setting("0");
            ASSERT_FALSE(off.Error(text)) << text;
        }
        EXPECT_EQ(off.e.Machine().Function(), nullptr) << text;
        EXPECT_EQ(jit.e.Machine().Function() != nullptr, kHasCodeGenerator && vorn::MachineCode::Enabled())
            << text;
        for (double x : kValues) {
            for (double y : kValues) {
                jit.x = off.x = x;
                jit.y = off.y = y;
                ASSERT_TRUE(SameBits(jit.e.Evaluate(), off.e.Evaluate())) << text << " x=" << x << " y=" << y;
            }
        }
    }
}

// Past the limits the byte-code runs, with the same values; just inside
// them the machine code does.
TEST(MachineCode, ExpressionsBeyondTheLimitsRunAsByteCode) {
    struct Case {
        std::string text;
        bool translated;
    };
    const auto nested = [](std::size_t depth) {  // x-(y*(x-(y*...))): `depth` values held at once
        std::string text;
        for (std::size_t i = 0; i < depth; ++i) text += i % 2 ? "y*(" : "x-(";
        return text + "z" + std::string(depth, ')');
    };
    const auto sum = [](std::size_t items) {  // x+y+x+...: `items` items
        std::string text = "x";
        for (std::size_t i = 3; i <= items; i += 2) text += i % 4 == 1 ? "+x" : "+y";
        return text;
    };
    const Case cases[] = {
        {nested(vorn::MachineCode::kMaxDepth - 1), true},
        {nested(vorn::MachineCode::kMaxDepth + 5), false},
        {sum(vorn::MachineCode::kMaxItems - 1), true},
        {sum(vorn::MachineCode::kMaxItems + 2), false},
    };
    Calc calc;
    calc.y = 1.0000001;
    for (const Case& c : cases) {
        ASSERT_FALSE(calc.Error(c.text.c_str()));
        const bool expected = c.translated && kHasCodeGenerator && vorn::MachineCode::Enabled();
        EXPECT_EQ(calc.e.Machine().Function() != nullptr, expected) << c.text.size() << " bytes";
        for (double x : kValues) {
            calc.x = x;
            const double value = calc.e.Evaluate();
            ASSERT_TRUE(SameBits(value, calc.e.EvaluateProgram())) << c.text.size() << " bytes";
            ASSERT_TRUE(SameBits(value, calc.e.EvaluateByNodes())) << c.text.size() << " bytes";
        }
    }
}

}  // namespace
