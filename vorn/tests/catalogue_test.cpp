// Operators and functions: the catalogue's texts, codes and precedences, the
// table lookups, and the value of every operator and function.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <typeinfo>

#include "vorn_test_util.h"

using vorn_test::Calc;
using vorn_test::ValueCase;
using vorn_test::SameValue;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct OperatorRow {
    const char* className;
    const char* symbol;
    unsigned code;
    int precedence;
    const char* description;
};

constexpr OperatorRow kOperators[] = {
    {"AddOp", "+", 0x2B, 8, "val1 + val2"},      {"MinusOp", "-", 0x2D, 8, "val1 - val2"},
    {"MultOp", "*", 0x2A, 9, "val1 * val2"},     {"DivOp", "/", 0x2F, 9, "val1 / val2"},
    {"ExpOp", "^", 0x5E, 10, "val1 ^ val2"},     {"G_Op", ">", 0x3E, 6, "val1 > val2"},
    {"GE_Op", ">=", 0x3D3E, 6, "val1 >= val2"},  {"L_Op", "<", 0x3C, 6, "val1 < val2"},
    {"LE_Op", "<=", 0x3D3C, 6, "val1 <= val2"},  {"EQ_Op", "==", 0x3D3D, 5, "val1 == val2"},
    {"LShiftOp", "<<", 0x3C3C, 7, "val1 << val2"}, {"RShiftOp", ">>", 0x3E3E, 7, "val1 >> val2"},
    {"AND_Op", "&", 0x26, 4, "val1 & val2"},     {"OR_Op", "|", 0x7C, 2, "val1 | val2"},
    {"L_AND_Op", "&&", 0x2626, 1, "val1 && val2"}, {"L_OR_Op", "||", 0x7C7C, 0, "val1 || val2"},
};

struct FunctionRow {
    const char* className;
    const char* name;
    const char* usage;
};

constexpr FunctionRow kFunctions[] = {
    {"IntFct", "int", "IntegerPartOf(val)"}, {"RoundFct", "round", "RoundReal(val)"},
    {"SinFct", "sin", "sin(x)"},             {"CosFct", "cos", "cos(x)"},
    {"TanFct", "tan", "tan(x)"},             {"SqrtFct", "sqrt", "sqrt(x)"},
    {"MinFct", "min", "min(v1,v2)"},         {"MaxFct", "max", "max(v1,v2)"},
    {"AbsFct", "abs", "abs(val)"},
};

bool NameHas(const IMathExprEvaluator* e, const char* className) {
    return std::string(typeid(*e).name()).find(className) != std::string::npos;
}

TEST(Catalogue, OperatorTableHoldsTheSixteenOperatorsInOrder) {
    MathExpression e;
    ASSERT_EQ(e.Operators().size(), 16u);
    for (unsigned i = 0; i < 16; ++i) {
        const OperatorRow& row = kOperators[i];
        const auto* op = dynamic_cast<const IMathOperator*>(e.Operators()[i].evaluator);
        ASSERT_NE(op, nullptr);
        EXPECT_TRUE(e.Operators()[i].owned);
        EXPECT_TRUE(NameHas(op, row.className)) << typeid(*op).name();
        EXPECT_EQ(op->Symbol(), row.code) << row.className;
        EXPECT_EQ(op->Precedence(), row.precedence) << row.className;
        EXPECT_EQ(op->Description(), row.description) << row.className;
        // The symbol code is the symbol's bytes, first byte low.
        const unsigned fromText =
            static_cast<unsigned char>(row.symbol[0]) + 256u * static_cast<unsigned char>(row.symbol[1]);
        EXPECT_EQ(fromText, row.code) << row.className;
    }
}

TEST(Catalogue, FunctionTableHoldsTheNineFunctionsInOrder) {
    MathExpression e;
    ASSERT_EQ(e.Functions().size(), 9u);
    for (unsigned i = 0; i < 9; ++i) {
        const auto* fn = dynamic_cast<const IMathFunction*>(e.Functions()[i].evaluator);
        ASSERT_NE(fn, nullptr);
        EXPECT_TRUE(e.Functions()[i].owned);
        EXPECT_TRUE(NameHas(fn, kFunctions[i].className)) << typeid(*fn).name();
        EXPECT_EQ(fn->Name(), kFunctions[i].name);
        EXPECT_EQ(fn->Description(), kFunctions[i].usage);
    }
}

TEST(Lookup, OneCharacterLookupFindsOnlyOneCharacterSymbols) {
    MathExpression e;
    unsigned index = 99;
    ASSERT_TRUE(e.FindOperator('>', index));
    EXPECT_TRUE(NameHas(e.Operators()[index].evaluator, "G_Op"));
    index = 99;
    EXPECT_FALSE(e.FindOperator('=', index));
    EXPECT_EQ(index, 99u) << "a failed lookup leaves the index unchanged";
    EXPECT_FALSE(e.FindOperator('!', index));
    EXPECT_FALSE(e.FindOperator('%', index));
    for (int b = 0x80; b <= 0xFF; ++b)
        EXPECT_FALSE(e.FindOperator(static_cast<char>(b), index)) << b;
}

TEST(Lookup, CodeLookupFindsTwoCharacterSymbols) {
    MathExpression e;
    unsigned index = 0;
    ASSERT_TRUE(e.FindOperator(static_cast<std::uint16_t>(0x3D3E), index));
    EXPECT_TRUE(NameHas(e.Operators()[index].evaluator, "GE_Op"));
    ASSERT_TRUE(e.FindOperator(static_cast<std::uint16_t>(0x7C7C), index));
    EXPECT_TRUE(NameHas(e.Operators()[index].evaluator, "L_OR_Op"));
    EXPECT_FALSE(e.FindOperator(static_cast<std::uint16_t>(0x3D21), index));  // "!="
}

TEST(Lookup, FunctionNamesAreCaseSensitive) {
    MathExpression e;
    unsigned index = 42;
    EXPECT_FALSE(e.FindFunction("SIN", index));
    EXPECT_FALSE(e.FindFunction("Sin", index));
    EXPECT_FALSE(e.FindFunction("si", index));
    EXPECT_FALSE(e.FindFunction("sinh", index));
    EXPECT_EQ(index, 42u);
    ASSERT_TRUE(e.FindFunction("sin", index));
    EXPECT_EQ(index, 2u);
}

TEST(Exception, FullMessageAppendsMarkerToEachRecord) {
    const MATExceptions error(748, ".\\mathexpression", 0, "", "stack is empty");
    EXPECT_EQ(error.FullMessage(), "stack is empty> ");
    EXPECT_EQ(error.FullMessage().size(), 16u);
    ASSERT_EQ(error.Errors().size(), 1u);
    EXPECT_EQ(error.Errors()[0].line, 748);
    EXPECT_EQ(error.Errors()[0].file, ".\\mathexpression");
    const MATExceptions copy = error;
    EXPECT_EQ(copy.FullMessage(), error.FullMessage());
}

class OperatorValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(OperatorValues, ComputeAsTheCatalogueSays) {
    Calc calc;
    const ValueCase& c = GetParam();
    const double value = calc.Value(c.text);
    EXPECT_TRUE(SameValue(value, c.expected)) << c.text << " gave " << value;
}

INSTANTIATE_TEST_SUITE_P(Arithmetic, OperatorValues, ::testing::Values(
    ValueCase{"7 - 2", 5}, ValueCase{"-x", -3}, ValueCase{"1/0", kInf}, ValueCase{"0/0", kNaN},
    ValueCase{"-1/0", -kInf}, ValueCase{"2^0.5", std::sqrt(2.0)}, ValueCase{"(-8)^(1/3)", kNaN},
    ValueCase{"2^3^2", 64}, ValueCase{"8-2-1", 5}, ValueCase{"8/4/2", 1}, ValueCase{"0*(-1)", -0.0},
    ValueCase{"1e308*10", kInf}, ValueCase{"x*y+z", -0.5}, ValueCase{"(x+1)^2", 16},
    ValueCase{"z^2.0", 4}, ValueCase{"(0*(-1))^2", 0.0}, ValueCase{"1e200^2", kInf},
    ValueCase{"(0/0)^2", kNaN}, ValueCase{"x^2^2", 81}, ValueCase{"2^x", 8}, ValueCase{"x^(1+1)", 9}));

INSTANTIATE_TEST_SUITE_P(Comparisons, OperatorValues, ::testing::Values(
    ValueCase{"5 > 3", 1}, ValueCase{"3 > 5", 0}, ValueCase{"3 >= 3", 1}, ValueCase{"2 == 2.0", 1},
    ValueCase{"0.1 + 0.2 == 0.3", 0}, ValueCase{"3 < 3", 0}, ValueCase{"3 <= 3", 1},
    ValueCase{"0 == 0*(-1)", 1}, ValueCase{"0/0 == 0/0", 0}, ValueCase{"0/0 < 1", 0},
    ValueCase{"0/0 >= 1", 0}, ValueCase{"1 <= 0/0", 0}));

INSTANTIATE_TEST_SUITE_P(Bitwise, OperatorValues, ::testing::Values(
    ValueCase{"1 << 31", -2147483648.0}, ValueCase{"1 << 32", 1}, ValueCase{"-8 >> 1", -4},
    ValueCase{"3.9 << 1", 6}, ValueCase{"1 << (-1)", -2147483648.0}, ValueCase{"6 & 3", 2},
    ValueCase{"-1 & 255", 255}, ValueCase{"4 | 1", 5}, ValueCase{"0.9 | 0", 0},
    ValueCase{"3e9 | 0", -2147483648.0}, ValueCase{"(1/0) & (-1)", -2147483648.0},
    ValueCase{"(0/0) | 1", -2147483647.0}, ValueCase{"2147483647.9 | 0", 2147483647.0},
    ValueCase{"(-2147483648.9) | 0", -2147483648.0}, ValueCase{"2147483648 | 0", -2147483648.0},
    ValueCase{"-1 >> 40", -1}, ValueCase{"(-5) >> 1", -3}));

INSTANTIATE_TEST_SUITE_P(Logical, OperatorValues, ::testing::Values(
    ValueCase{"0.5 && 1", 0}, ValueCase{"2 && (-3)", 1}, ValueCase{"0 || 0.99", 0},
    ValueCase{"0 || 1", 1}, ValueCase{"(0/0) && 1", 1}, ValueCase{"1 && (1/0)", 1},
    ValueCase{"(-0.999) || 0", 0}, ValueCase{"3e9 || 0", 1}, ValueCase{"1 || 0 && 0", 1},
    ValueCase{"x>3 && y<2 || x==y", 0}, ValueCase{"x>=3 && y<2", 1}));

INSTANTIATE_TEST_SUITE_P(Functions, OperatorValues, ::testing::Values(
    ValueCase{"int(3.7)", 3}, ValueCase{"int(-3.7)", -3}, ValueCase{"int(3e9)", -2147483648.0},
    ValueCase{"int(0/0)", -2147483648.0}, ValueCase{"round(2.5)", 3}, ValueCase{"round(2.4)", 2},
    ValueCase{"round(-2.5)", -2}, ValueCase{"round(-2.7)", -2}, ValueCase{"sqrt(-4)", 0},
    ValueCase{"sqrt(16)", 4}, ValueCase{"sqrt(0*(-1))", -0.0}, ValueCase{"sqrt(0/0)", kNaN},
    ValueCase{"min(3,5)", 3}, ValueCase{"max(3,5)", 5}, ValueCase{"min(2,2)", 2},
    ValueCase{"max(2,2)", 2}, ValueCase{"min(0, 0*(-1))", 0.0}, ValueCase{"max(0*(-1), 0)", -0.0},
    ValueCase{"abs(0*(-1))", 0.0}, ValueCase{"abs(-7)", 7}, ValueCase{"sin(0)", 0},
    ValueCase{"cos(0)", 1}, ValueCase{"tan(y)", std::tan(0.5)}, ValueCase{"sin(y)", std::sin(0.5)},
    ValueCase{"min(1,2,3)", 2}, ValueCase{"max(1,2)", 2}, ValueCase{"min(1+2, 4)", 3},
    ValueCase{"min(3,(-5))", -5}));

TEST(FunctionValues, MinAndMaxGiveTheFirstArgumentWhenANaNIsInvolved) {
    Calc calc;
    calc.y = NAN;
    EXPECT_EQ(calc.Value("min(x,y)"), 3.0);
    EXPECT_EQ(calc.Value("max(x,y)"), 3.0);
    EXPECT_TRUE(std::isnan(calc.Value("min(y,x)")));
    EXPECT_TRUE(std::isnan(calc.Value("max(y,x)")));
}

}  // namespace
