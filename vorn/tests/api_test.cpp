// The exported C interface, used through libvorn as a caller would: results,
// exact message bytes, buffer behaviour and allocation-free evaluation.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cp1251.h"
#include "vorn.h"

using namespace cp1251::literals;

// Counts every allocation of the process, the library's included.
namespace {
std::atomic<long> gAllocations{0};
std::atomic<long> gFailAt{-1};  // the allocation number that fails, -1 for none
}
void* operator new(std::size_t size) {
    if (gAllocations++ == gFailAt) throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr char kFill = '#';

struct Handle {
    ExpressionHandle h = Vorn_Create();
    ~Handle() { Vorn_Close(h); }
};

// A message buffer pre-filled with a marker byte so that writes are visible.
struct Buffer {
    char bytes[256];
    Buffer() { std::memset(bytes, kFill, sizeof bytes); }
    bool Untouched() const {
        for (char b : bytes)
            if (b != kFill) return false;
        return true;
    }
    std::string Text() const { return std::string(bytes); }
};

TEST(Interface, NewHandleEvaluatesToZero) {
    Handle e;
    ASSERT_NE(e.h, nullptr);
    Buffer message;
    double result = 99;
    EXPECT_EQ(Vorn_Evaluate(e.h, &result, message.bytes), 1);
    EXPECT_EQ(result, 0.0);
    EXPECT_TRUE(message.Untouched());
}

TEST(Interface, VariablesAreReadAtEachEvaluation) {
    Handle e;
    double x = 3, result = 0;
    Buffer message;
    ASSERT_EQ(Vorn_AddVar(e.h, "x", &x), 1);
    ASSERT_EQ(Vorn_Setexpr(e.h, "x*2", message.bytes), 1);
    ASSERT_EQ(Vorn_Evaluate(e.h, &result, message.bytes), 1);
    EXPECT_EQ(result, 6);
    x = 4;
    ASSERT_EQ(Vorn_Evaluate(e.h, &result, message.bytes), 1);
    EXPECT_EQ(result, 8);
    EXPECT_TRUE(message.Untouched());
}

TEST(Interface, AddVarRefusesDuplicatesAndLeadingDigits) {
    Handle e;
    double a = 1, b = 2;
    EXPECT_EQ(Vorn_AddVar(e.h, "x", &a), 1);
    EXPECT_EQ(Vorn_AddVar(e.h, "x", &b), 0);
    EXPECT_EQ(Vorn_AddVar(e.h, "9x", &b), 0);
    EXPECT_EQ(Vorn_AddVar(e.h, "X", &b), 1);
    EXPECT_EQ(Vorn_AddVar(e.h, "переменная"_cp1251, &b), 1);
}

TEST(Interface, CloseIgnoresNull) {
    Vorn_Close(nullptr);
    SUCCEED() << "no crash";
}

struct MessageCase {
    const char* text;
    std::string message;  // the bytes before the terminating zero
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << '"' << cp1251::to_utf8(c.text) << '"'; }

class SetexprMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(SetexprMessages, AreWrittenExactlyWithTerminator) {
    Handle e;
    double x = 1;
    Vorn_AddVar(e.h, "x", &x);
    Buffer message;
    const MessageCase& c = GetParam();
    ASSERT_EQ(Vorn_Setexpr(e.h, c.text, message.bytes), 0) << c.text;
    EXPECT_EQ(message.Text(), c.message);
    EXPECT_EQ(message.bytes[c.message.size()], '\0');
    EXPECT_EQ(message.bytes[c.message.size() + 1], kFill) << "nothing written past the zero";
    // Within the documented buffer size.
    EXPECT_LT(c.message.size(), static_cast<std::size_t>(VORN_SETEXPR_MESSAGE_SIZE(std::strlen(c.text))));
    // The failed text leaves no expression behind.
    double result = 5;
    Buffer second;
    EXPECT_EQ(Vorn_Evaluate(e.h, &result, second.bytes), 1);
    EXPECT_EQ(result, 0.0);
    EXPECT_TRUE(second.Untouched());
}

INSTANTIATE_TEST_SUITE_P(Parser, SetexprMessages, ::testing::Values(
    MessageCase{"(1+2", "Нет закрывающей скобки> "_cp1251},
    MessageCase{"1+2)", "Нет открывающей скобки> "_cp1251},
    MessageCase{"zz", "Неизвестная переменная: zz> "_cp1251},
    MessageCase{"1+", "Неверное использование, надо: val1 + val2> "_cp1251},
    MessageCase{"int()", "Неверное использование, надо: IntegerPartOf(val)> "_cp1251},
    MessageCase{"SIN(x)", "Неизвестная функция: SIN> "_cp1251},
    MessageCase{"x+ёлка"_cp1251, "Неизвестная переменная: ёлка> "_cp1251}));

TEST(Interface, UnclosedBracketMessageIsTwentyFiveBytesWithTheZero) {
    Handle e;
    Buffer message;
    ASSERT_EQ(Vorn_Setexpr(e.h, "(1+2", message.bytes), 0);
    EXPECT_EQ(std::strlen(message.bytes), 24u);
    EXPECT_EQ(std::memcmp(message.bytes + 22, "> \0", 3), 0);
}

TEST(Interface, SuccessLeavesTheBufferUntouchedAndEmptyTextIsZero) {
    Handle e;
    for (const char* text : {"", "   ", "1+2", "-5"}) {
        Buffer message;
        double result = 7;
        ASSERT_EQ(Vorn_Setexpr(e.h, text, message.bytes), 1) << text;
        ASSERT_EQ(Vorn_Evaluate(e.h, &result, message.bytes), 1);
        EXPECT_TRUE(message.Untouched()) << text;
        EXPECT_EQ(result, text[0] == '1' ? 3.0 : text[0] == '-' ? -5.0 : 0.0) << text;
    }
}

TEST(Interface, SetexprReplacesThePreviousExpressionEvenWhenItFails) {
    Handle e;
    Buffer message;
    double result = 0;
    ASSERT_EQ(Vorn_Setexpr(e.h, "2+2", message.bytes), 1);
    ASSERT_EQ(Vorn_Setexpr(e.h, "2+", message.bytes), 0);
    ASSERT_EQ(Vorn_Evaluate(e.h, &result, message.bytes), 1);
    EXPECT_EQ(result, 0.0);
    ASSERT_EQ(Vorn_Setexpr(e.h, "2*5", message.bytes), 1);
    ASSERT_EQ(Vorn_Evaluate(e.h, &result, message.bytes), 1);
    EXPECT_EQ(result, 10.0);
}

TEST(Interface, HandlesAreIndependent) {
    Handle a, b;
    double x = 1, y = 2, result = 0;
    Buffer message;
    Vorn_AddVar(a.h, "v", &x);
    Vorn_AddVar(b.h, "v", &y);
    Vorn_Setexpr(a.h, "v*10", message.bytes);
    Vorn_Setexpr(b.h, "v*10", message.bytes);
    Vorn_Evaluate(a.h, &result, message.bytes);
    EXPECT_EQ(result, 10);
    Vorn_Evaluate(b.h, &result, message.bytes);
    EXPECT_EQ(result, 20);
}

TEST(Interface, EvaluationAllocatesNothing) {
    Handle e;
    double x = 1.5, y = 0.25, result = 0;
    Buffer message;
    Vorn_AddVar(e.h, "x", &x);
    Vorn_AddVar(e.h, "y", &y);
    std::string sum = "x*1";
    for (int i = 2; i <= 100; ++i) sum += (i % 2 ? "+x*" : "+y*") + std::to_string(i);
    for (const std::string& text : {std::string("2*(x+1)^2-sin(y)"), std::string("x>3 && y<2 || x==y"),
                                    std::string("min(x,y)+max(x,3)*abs(y-x)"), sum}) {
        ASSERT_EQ(Vorn_Setexpr(e.h, text.c_str(), message.bytes), 1);
        const long before = gAllocations.load();
        for (int i = 0; i < 1000; ++i) {
            x = i * 0.5;
            ASSERT_EQ(Vorn_Evaluate(e.h, &result, message.bytes), 1);
        }
        EXPECT_EQ(gAllocations.load(), before) << text;
    }
}

TEST(Interface, ParsingAllocates) {  // the counter above does see the library
    Handle e;
    Buffer message;
    const long before = gAllocations.load();
    ASSERT_EQ(Vorn_Setexpr(e.h, "1+2+3+4+5+6+7+8+9+10", message.bytes), 1);
    EXPECT_GT(gAllocations.load(), before);
}

#if defined(__x86_64__)
constexpr std::uint32_t kAuditArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr std::uint32_t kAuditArch = AUDIT_ARCH_AARCH64;
#else
constexpr std::uint32_t kAuditArch = 0;
#endif

// Makes the kernel refuse, from now on, every mapping and protection change
// that asks for executable memory (as a hardened system does): mmap,
// mprotect and pkey_mprotect with PROT_EXEC fail with EACCES.
bool RefuseExecutableMemory() {
    constexpr std::uint32_t kArgProt = offsetof(seccomp_data, args) + 2 * sizeof(std::uint64_t);
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kAuditArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_mmap, 3, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_mprotect, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_pkey_mprotect, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kArgProt),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, PROT_EXEC, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EACCES),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// The values of a few expressions at awkward values of x and y, in order.
std::vector<double> ValuesOf(const std::vector<std::string>& texts) {
    static const double kValues[] = {3, -0.5, 0.0, -0.0, HUGE_VAL, -NAN, 1e300, 2147483648.0};
    std::vector<double> values;
    double x = 0, y = 0, result = 0;
    Buffer message;
    Handle e;
    Vorn_AddVar(e.h, "x", &x);
    Vorn_AddVar(e.h, "y", &y);
    for (const std::string& text : texts) {
        if (Vorn_Setexpr(e.h, text.c_str(), message.bytes) != 1) return {};
        for (double vx : kValues) {
            for (double vy : kValues) {
                x = vx;
                y = vy;
                if (Vorn_Evaluate(e.h, &result, message.bytes) != 1) return {};
                values.push_back(result);
            }
        }
    }
    return values;
}

const std::vector<std::string> kFallbackTexts = {
    "2*(x+1)^2-sin(y)", "(x*3+y/2-1)*(x-y)+x*x*x", "min(x,y)+max(x,3)*abs(y-x)", "x>3 && y<2 || x==y",
    "sqrt(x)-round(y)+int(x*y)|(x<<2)", "x+1"};

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// A system that refuses executable memory: every call still works and gives
// the same bits (the check runs in a child process, which keeps the refusal).
TEST(Fallback, RefusedExecutableMemoryGivesTheSameResults) {
    if (kAuditArch == 0) GTEST_SKIP() << "no system call filter for this processor";
    const std::vector<double> expected = ValuesOf(kFallbackTexts);
    ASSERT_FALSE(expected.empty());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!RefuseExecutableMemory()) _exit(3);
        // The refusal is in force...
        void* probe = mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (probe != MAP_FAILED) _exit(4);
        // ...and changes nothing that a caller sees.
        _exit(SameBits(ValuesOf(kFallbackTexts), expected) ? 0 : 5);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child crashed";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3: no filter, 4: executable memory granted, 5: other values";
}

// VORN_JIT=0 set while the library runs: the same bits.
TEST(Fallback, TurnedOffByTheEnvironmentGivesTheSameResults) {
    const char* previous = std::getenv("VORN_JIT");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("VORN_JIT", "1", 1);
    const std::vector<double> on = ValuesOf(kFallbackTexts);
    setenv("VORN_JIT", "0", 1);
    const std::vector<double> off = ValuesOf(kFallbackTexts);
    if (previous != nullptr)
        setenv("VORN_JIT", saved.c_str(), 1);
    else
        unsetenv("VORN_JIT");
    ASSERT_FALSE(on.empty());
    EXPECT_TRUE(SameBits(on, off));
}

// Every allocation of a call fails in turn: the call reports failure (with a
// message where it has a buffer) and never lets an exception out.
TEST(Interface, OutOfMemoryIsAFailureResultNotAnException) {
    double x = 2;
    for (long failAt = 0; failAt < 200; ++failAt) {
        gFailAt = gAllocations.load() + failAt;
        ExpressionHandle h = Vorn_Create();
        gFailAt = -1;
        if (h == nullptr) continue;
        gFailAt = gAllocations.load() + failAt;
        const int added = Vorn_AddVar(h, "x", &x);
        gFailAt = -1;
        if (!added) {
            ASSERT_EQ(Vorn_AddVar(h, "x", &x), 1) << "a failed registration changes nothing";
        }
        Buffer message;
        gFailAt = gAllocations.load() + failAt;
        const int set = Vorn_Setexpr(h, "min(x,3)*(x+1)-sin(x)/2", message.bytes);
        gFailAt = -1;
        double result = 0;
        if (set) {
            ASSERT_EQ(Vorn_Evaluate(h, &result, message.bytes), 1);
            EXPECT_DOUBLE_EQ(result, 2 * 3 - std::sin(2.0) / 2);
        } else {
            EXPECT_EQ(message.Text(), "Нет памяти> "_cp1251) << failAt;
            ASSERT_EQ(Vorn_Evaluate(h, &result, message.bytes), 1);
            EXPECT_EQ(result, 0.0);
        }
        Vorn_Close(h);
    }
}

}  // namespace
