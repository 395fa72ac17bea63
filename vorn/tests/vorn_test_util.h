// Helpers shared by the expression library's unit tests.
#ifndef VORN_TEST_UTIL_H
#define VORN_TEST_UTIL_H

#include <cmath>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "cp1251.h"
#include "mathexpression.h"

namespace vorn_test {

// Bitwise equality, except that any two NaNs are equal.
inline bool SameValue(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

inline bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Whether the current expression must run as machine code: every expression
// of more than one step, on x86-64, unless VORN_JIT=0.
inline bool MachineCodeExpected(const MathExpression& e) {
#if defined(__x86_64__)
    return vorn::MachineCode::Enabled() && !e.ByteCode().Empty() && !e.ByteCode().IsDirect();
#else
    (void)e;
    return false;
#endif
}

// Evaluates the current expression as it runs (machine code where it has
// any) and as byte-code: they must agree bit for bit, and the machine code
// must be there where it is expected. `value` receives the result.
inline ::testing::AssertionResult BothModesAgree(MathExpression& e, double* value) {
    const double machine = e.Evaluate();
    const double byteCode = e.EvaluateProgram();
    *value = machine;
    if (MachineCodeExpected(e) && e.Machine().Function() == nullptr)
        return ::testing::AssertionFailure() << "no machine code";
    if (!SameBits(machine, byteCode))
        return ::testing::AssertionFailure() << "machine code " << machine << ", byte-code " << byteCode;
    return ::testing::AssertionSuccess();
}

// An expression object with the variables x = 3, y = 0.5 and z = -2 bound.
struct Calc {
    double x = 3.0, y = 0.5, z = -2.0;
    MathExpression e;
    Calc() {
        e.AddVariable("x", &x);
        e.AddVariable("y", &y);
        e.AddVariable("z", &z);
    }
    // The error's full message, or nothing when the text parses.
    std::optional<std::string> Error(const char* text) {
        try {
            e.SetExpression(text);
        } catch (const MATExceptions& error) {
            return error.FullMessage();
        }
        return std::nullopt;
    }
    // Value of `text`; NaN with a recorded failure when it does not parse.
    double Value(const char* text) {
        if (auto error = Error(text)) {
            ADD_FAILURE() << "'" << text << "' failed: " << cp1251::to_utf8(*error);
            return NAN;
        }
        double fast = 0;
        EXPECT_TRUE(BothModesAgree(e, &fast)) << text;
        const double nodes = e.EvaluateByNodes();
        EXPECT_TRUE(SameValue(fast, nodes)) << text << ": " << fast << " vs " << nodes;
        return fast;
    }
};

// One expression and the value it must give, for table-driven tests.
struct ValueCase {
    const char* text;
    double expected;
};

inline void PrintTo(const ValueCase& c, std::ostream* os) { *os << '"' << cp1251::to_utf8(c.text) << '"'; }

}  // namespace vorn_test

#endif
