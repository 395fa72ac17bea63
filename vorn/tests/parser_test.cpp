// The parser: literals, names, error messages, the order of evaluation, the
// shape of the postfix sequence, and very long or deeply nested expressions.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <string>

#include "vorn_test_util.h"

using namespace cp1251::literals;
using vorn_test::Calc;
using vorn_test::ValueCase;
using vorn_test::SameValue;

namespace {

class ParsedValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ParsedValues, Evaluate) {
    Calc calc;
    const ValueCase& c = GetParam();
    const double value = calc.Value(c.text);
    EXPECT_TRUE(SameValue(value, c.expected)) << c.text << " gave " << value;
}

INSTANTIATE_TEST_SUITE_P(Literals, ParsedValues, ::testing::Values(
    ValueCase{"5", 5}, ValueCase{"1e3", 1000}, ValueCase{"1E3", 1000},
    ValueCase{"1\xE5" "3", 1000}, ValueCase{"1\xC5" "3", 1000}, ValueCase{"2e", 2},
    ValueCase{"2e+", 2}, ValueCase{"2\xE5", 2}, ValueCase{"1.e3", 1000}, ValueCase{"1.", 1},
    ValueCase{"2.5e-1", 0.25}, ValueCase{"1e400", HUGE_VAL}, ValueCase{"-1e400", -HUGE_VAL},
    ValueCase{"1e-400", 0.0}, ValueCase{"-1e-400", -0.0}, ValueCase{"0.000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000001", 0.0},
    ValueCase{"1e-310", 1e-310}, ValueCase{"0.1", 0.1}, ValueCase{"-0", -0.0},
    ValueCase{"123456789012345678901234567890", 123456789012345678901234567890.0},
    ValueCase{"(1,2)", 2}, ValueCase{"1 2", 2}, ValueCase{"2()", 2}));

INSTANTIATE_TEST_SUITE_P(Signs, ParsedValues, ::testing::Values(
    ValueCase{"-5+2", -3}, ValueCase{"-2^2", 4}, ValueCase{"  -5", -5}, ValueCase{"(-5)*2", -10},
    ValueCase{"( -5)*2", -10}, ValueCase{"(- 5)", -5}, ValueCase{"-x^2", -9}, ValueCase{"1-", -1},
    ValueCase{"-x", -3}, ValueCase{"-x*2", -6}, ValueCase{"-x+1", -2}, ValueCase{"(-x)*2", -6},
    ValueCase{"2*(-1)", -2}, ValueCase{"-(2+3)*2", -10}, ValueCase{"2 && (-3)", 1}));

INSTANTIATE_TEST_SUITE_P(Precedence, ParsedValues, ::testing::Values(
    ValueCase{"1+2*3", 7}, ValueCase{"1<<2+1", 8}, ValueCase{"1+2 == 3", 1}, ValueCase{"8-2-1", 5},
    ValueCase{"2^3^2", 64}, ValueCase{"2*(x+1)^2-sin(y)", 32 - std::sin(0.5)},
    ValueCase{"6 & 3 | 8", 10}, ValueCase{"1 | 2 && 0", 0}, ValueCase{"2 < 3 == 1", 1},
    ValueCase{"sin(0)+1", 1}, ValueCase{"2*sin(0)^2", 0}, ValueCase{"max(1,2)^2", 4}));

INSTANTIATE_TEST_SUITE_P(Names, ParsedValues, ::testing::Values(
    ValueCase{"x<=y", 0}, ValueCase{"sin (0)", 0},
    ValueCase{"2x", 3}, ValueCase{"sin(x)2", std::sin(2.0)}, ValueCase{"", 0},
    ValueCase{"   ", 0}));

TEST(Names, VariableMayBearAFunctionName) {
    Calc calc;
    double sinValue = 5;
    ASSERT_TRUE(calc.e.AddVariable("sin", &sinValue));
    EXPECT_EQ(calc.Value("sin"), 5);
    EXPECT_EQ(calc.Value("sin(0)"), 0);
}

TEST(Names, BlanksInsideANameAreDroppedAndDigitsBelongToIt) {
    Calc calc;
    double x1 = 7;
    ASSERT_TRUE(calc.e.AddVariable("x1", &x1));
    EXPECT_EQ(calc.Value("x1"), 7);
    EXPECT_EQ(calc.Value("x 1"), 7);
    EXPECT_EQ(calc.Value("0x1"), 7) << "no hexadecimal: the literal 0, then the name x1";
    EXPECT_EQ(calc.e.Items().size(), 2u);
    EXPECT_EQ(calc.e.Items()[0].value, 0.0);
}

TEST(Names, CyrillicAndUnusualNames) {
    Calc calc;
    double a = 2, b = 10, c = 4;
    ASSERT_TRUE(calc.e.AddVariable("икс"_cp1251, &a));
    ASSERT_TRUE(calc.e.AddVariable(".5", &b));
    ASSERT_TRUE(calc.e.AddVariable("_1", &c));
    EXPECT_EQ(calc.Value("икс*икс+_1"_cp1251), 8);
    EXPECT_EQ(calc.Value(".5"), 10);
}

TEST(Names, RegistrationRules) {
    MathExpression e;
    double one = 1, two = 2;
    EXPECT_TRUE(e.AddVariable("x", &one));
    EXPECT_FALSE(e.AddVariable("x", &two));
    EXPECT_TRUE(e.AddVariable("X", &two));
    EXPECT_FALSE(e.AddVariable("1x", &two));
    EXPECT_TRUE(e.AddVariable("x1", &two));
    EXPECT_TRUE(e.AddVariable("a b", &two));
    EXPECT_TRUE(e.AddVariable("x+y", &two));
    EXPECT_TRUE(e.AddVariable("", &two));
    EXPECT_FALSE(e.AddVariable("", &one));
    EXPECT_EQ(e.FindVariable("x"), 0);
    EXPECT_EQ(e.FindVariable("X"), 1);
    EXPECT_EQ(e.FindVariable("y"), -1);
    e.SetExpression("x");
    EXPECT_EQ(e.Evaluate(), 1.0) << "the first binding stays";
    e.SetExpression("X");
    EXPECT_EQ(e.Evaluate(), 2.0);
}

// 100,000 registrations of names drawn so that many repeat, some differ only
// in case, blanks or a trailing byte, some start with a digit and one is
// empty, against an ordered map of the first binding of each name.
TEST(Names, HundredThousandRegistrationsFollowTheRulesOfAModel) {
    constexpr int kCount = 100000;
    std::mt19937 rng(4242);
    const auto below = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
    static const char* const kStems[] = {"x", "X", "var", "Var", "икс"_cp1251, "a b", "", "9", "_", ".5", "x+y"};
    const auto makeName = [&] {
        std::string name = kStems[below(sizeof kStems / sizeof kStems[0])];
        const unsigned extra = below(4);
        for (unsigned i = 0; i < extra; ++i) name += std::to_string(below(40));
        if (below(8) == 0) name += static_cast<char>(0x80 + below(128));
        return name;
    };
    MathExpression e;
    std::vector<double> values(kCount);
    std::map<std::string, std::int32_t> model;  // name -> position of its record
    std::int32_t records = 0;
    for (int i = 0; i < kCount; ++i) {
        const std::string name = makeName();
        values[static_cast<std::size_t>(i)] = i;
        const bool expected = model.count(name) == 0 && !(name[0] >= '0' && name[0] <= '9');
        ASSERT_EQ(e.AddVariable(name.c_str(), &values[static_cast<std::size_t>(i)]), expected)
            << cp1251::to_utf8(name) << " at registration " << i;
        if (expected) model.emplace(name, records++);
    }
    ASSERT_GT(records, kCount / 10);
    ASSERT_LT(records, kCount) << "the draw must repeat names";
    ASSERT_EQ(e.Variables().size(), static_cast<std::size_t>(records));
    for (const auto& [name, position] : model) {
        ASSERT_EQ(e.FindVariable(name.c_str()), position) << cp1251::to_utf8(name);
        ASSERT_EQ(e.Variables()[static_cast<std::size_t>(position)].name, name);
        ASSERT_EQ(e.FindVariable((name + "#").c_str()), model.count(name + "#") ? model.at(name + "#") : -1);
    }
    // A text reads each name's first binding: the value is its registration number.
    for (const char* name : {"x", "X", "var1", "_", "икс"_cp1251, ".5"}) {
        const auto found = model.find(name);
        if (found == model.end()) continue;
        ASSERT_TRUE(e.SetExpression(found->first.c_str()));
        const auto* record = e.Variables()[static_cast<std::size_t>(found->second)].evaluator;
        EXPECT_EQ(e.Evaluate(), *record->Target()) << cp1251::to_utf8(name);
        EXPECT_EQ(e.Items()[0].evaluator, record) << cp1251::to_utf8(name);
    }
}

TEST(Names, VariablesAreReadAtEachEvaluation) {
    Calc calc;
    ASSERT_FALSE(calc.Error("x*2"));
    EXPECT_EQ(calc.e.Evaluate(), 6);
    calc.x = 4;
    EXPECT_EQ(calc.e.Evaluate(), 8);
    EXPECT_EQ(calc.e.EvaluateByNodes(), 8);
}

TEST(Names, LaterRegistrationNeedsTheTextSetAgain) {
    Calc calc;
    double w = 9;
    ASSERT_TRUE(calc.Error("w"));
    ASSERT_TRUE(calc.e.AddVariable("w", &w));
    for (int i = 0; i < 100; ++i) {  // moves the records; set expressions keep working
        static double extra[100];
        calc.e.AddVariable(("v" + std::to_string(i)).c_str(), &extra[i]);
    }
    ASSERT_FALSE(calc.Error("w+x"));
    EXPECT_EQ(calc.e.Evaluate(), 12);
}

struct ErrorCase {
    const char* text;
    std::string message;  // without the final "> "
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << '"' << cp1251::to_utf8(c.text) << '"'; }

std::string WrongUse(const char* description) {
    return "Неверное использование, надо: "_cp1251 + std::string(description);
}
std::string UnknownVariable(const std::string& name) { return "Неизвестная переменная: "_cp1251 + name; }
std::string UnknownFunction(const std::string& name) { return "Неизвестная функция: "_cp1251 + name; }
const std::string kNoOpening = "Нет открывающей скобки"_cp1251;
const std::string kNoClosing = "Нет закрывающей скобки"_cp1251;

class ParseErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ParseErrors, ReportTheExactMessage) {
    Calc calc;
    const ErrorCase& c = GetParam();
    const auto error = calc.Error(c.text);
    ASSERT_TRUE(error.has_value()) << c.text << " parsed";
    EXPECT_EQ(cp1251::to_utf8(*error), cp1251::to_utf8(c.message + "> ")) << c.text;
    EXPECT_FALSE(calc.e.Valid());
    EXPECT_EQ(calc.e.Evaluate(), 0.0);
    EXPECT_EQ(calc.e.Text(), c.text);
}

INSTANTIATE_TEST_SUITE_P(WrongUse, ParseErrors, ::testing::Values(
    ErrorCase{"1+", WrongUse("val1 + val2")}, ErrorCase{"--5", WrongUse("val1 - val2")},
    ErrorCase{"1+(-x)", WrongUse("val1 + val2")}, ErrorCase{"2*-1", WrongUse("val1 * val2")},
    ErrorCase{"2*(-x)", WrongUse("val1 * val2")}, ErrorCase{"2 && -3", WrongUse("val1 && val2")},
    ErrorCase{"min(3,-5)", WrongUse("min(v1,v2)")}, ErrorCase{"sin()", WrongUse("sin(x)")},
    ErrorCase{"min(1)", WrongUse("min(v1,v2)")}, ErrorCase{"int()", WrongUse("IntegerPartOf(val)")},
    ErrorCase{"round()+1", WrongUse("RoundReal(val)")}, ErrorCase{"*2", WrongUse("val1 * val2")},
    ErrorCase{"x^", WrongUse("val1 ^ val2")}, ErrorCase{"1||", WrongUse("val1 || val2")},
    ErrorCase{"1 >= ", WrongUse("val1 >= val2")}, ErrorCase{"abs()", WrongUse("abs(val)")}));

INSTANTIATE_TEST_SUITE_P(UnknownNames, ParseErrors, ::testing::Values(
    ErrorCase{"zz", UnknownVariable("zz")}, ErrorCase{"X", UnknownVariable("X")},
    ErrorCase{"x< =y", UnknownVariable("=y")}, ErrorCase{"a=1", UnknownVariable("a=1")},
    ErrorCase{"x != 0", UnknownVariable("x!=0")}, ErrorCase{".5", UnknownVariable(".5")},
    ErrorCase{"1.5.2", UnknownVariable(".2")}, ErrorCase{"sin 0", UnknownVariable("sin0")},
    ErrorCase{"sin", UnknownVariable("sin")}, ErrorCase{"my var", UnknownVariable("myvar")},
    ErrorCase{"0x1", UnknownVariable("x1")}, ErrorCase{"1%2", UnknownVariable("%2")},
    ErrorCase{"x\ty", UnknownVariable("x\ty")}, ErrorCase{"ёж"_cp1251, UnknownVariable("ёж"_cp1251)},
    ErrorCase{"SIN(0)", UnknownFunction("SIN")}, ErrorCase{"foo (1)", UnknownFunction("foo")},
    ErrorCase{"x(1)", UnknownFunction("x")}));

INSTANTIATE_TEST_SUITE_P(Brackets, ParseErrors, ::testing::Values(
    ErrorCase{"(1+2", kNoClosing}, ErrorCase{"((1)", kNoClosing}, ErrorCase{"sin(", kNoClosing},
    ErrorCase{"1+2)", kNoOpening}, ErrorCase{"1,2", kNoOpening}, ErrorCase{")", kNoOpening},
    ErrorCase{"(1))", kNoOpening}, ErrorCase{",", kNoOpening}));

TEST(ParseErrors, FirstErrorWins) {
    Calc calc;
    EXPECT_EQ(*calc.Error("zz+(1"), UnknownVariable("zz") + "> ");
    EXPECT_EQ(*calc.Error("1+)"), WrongUse("val1 + val2") + "> ");
}

TEST(EvaluationOrder, PostfixSequenceOfTheWorkedExample) {
    Calc calc;
    ASSERT_FALSE(calc.Error("2*(x+1)^2-sin(y)"));
    const auto& s = calc.e.Items();
    ASSERT_EQ(s.size(), 10u);
    const auto& ops = calc.e.Operators();
    const auto& fns = calc.e.Functions();
    EXPECT_EQ(s[0].evaluator, nullptr);
    EXPECT_TRUE(s[0].known);
    EXPECT_EQ(s[0].value, 2);
    EXPECT_EQ(s[1].evaluator, calc.e.Variables()[0].evaluator);
    EXPECT_FALSE(s[1].known);
    EXPECT_EQ(s[2].value, 1);
    EXPECT_EQ(s[3].evaluator, ops[0].evaluator);  // AddOp
    EXPECT_EQ(s[4].value, 2);
    EXPECT_EQ(s[5].evaluator, ops[4].evaluator);  // ExpOp
    EXPECT_EQ(s[6].evaluator, ops[2].evaluator);  // MultOp
    EXPECT_EQ(s[7].evaluator, calc.e.Variables()[1].evaluator);
    EXPECT_EQ(s[8].evaluator, fns[2].evaluator);  // SinFct
    EXPECT_EQ(s[9].evaluator, ops[1].evaluator);  // MinusOp
}

TEST(EvaluationOrder, OnlyTheLastItemsTreeIsEvaluated) {
    Calc calc;
    EXPECT_EQ(calc.Value("(1/0, 2)"), 2);
    EXPECT_EQ(calc.Value("4 x"), 3);
    EXPECT_EQ(calc.e.EvaluateItem(0), 4) << "an item's own tree";
}

TEST(EvaluationOrder, FailedOrAbsentExpressionEvaluatesToZero) {
    Calc calc;
    EXPECT_EQ(calc.e.Evaluate(), 0.0);
    EXPECT_EQ(calc.e.EvaluateByNodes(), 0.0);
    ASSERT_TRUE(calc.Error("1+"));
    EXPECT_EQ(calc.e.Evaluate(), 0.0);
    EXPECT_EQ(calc.e.Items().size(), 2u) << "the failed item stays in the sequence";
    ASSERT_FALSE(calc.Error("x"));
    EXPECT_EQ(calc.e.Evaluate(), 3.0);
}

TEST(EvaluationOrder, RepeatedEvaluationGivesTheSameValue) {
    Calc calc;
    ASSERT_FALSE(calc.Error("-x*2+min(y,z)/(x-y)"));
    const double first = calc.e.Evaluate();
    EXPECT_EQ(calc.e.Evaluate(), first);
    EXPECT_EQ(calc.e.EvaluateByNodes(), first);
    EXPECT_EQ(calc.e.EvaluateByNodes(), first);
}

TEST(ReadNumber, CountsExactlyTheLiteralsBytes) {
    struct Case { const char* text; std::size_t count; double value; };
    const Case cases[] = {
        {"12.5e3x", 6, 12500}, {"0x1", 1, 0}, {"-7+1", 2, -7}, {"+3", 2, 3}, {"2\xE5+5", 4, 2e5},
        {"2\xC5" "2", 3, 200}, {"2E-", 3, 2}, {"1.5.2", 3, 1.5}, {"1\xE5" "999", 5, HUGE_VAL},
        {"-1E999", 6, -HUGE_VAL}, {".5", 0, -1}, {"-x", 0, -1}, {"e5", 0, -1},
    };
    for (const Case& c : cases) {
        double value = -1;
        EXPECT_EQ(MathExpression::ReadNumber(c.text, &value), c.count) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(MathExpression::ReadNumber(c.text, nullptr), c.count) << c.text;
    }
}

TEST(LongExpressions, MillionTermSumParsesAndEvaluates) {
    Calc calc;
    std::string text = "x";
    for (int i = 1; i < 1000000; ++i) text += "+x";
    ASSERT_FALSE(calc.Error(text.c_str()));
    EXPECT_EQ(calc.e.Evaluate(), 3e6);
    EXPECT_EQ(calc.e.EvaluateByNodes(), 3e6);
    std::string minus = "-x";
    for (int i = 1; i < 1000000; ++i) minus += "-1";
    ASSERT_FALSE(calc.Error(minus.c_str()));
    EXPECT_EQ(calc.e.Evaluate(), -3 - 999999.0);
}

TEST(LongExpressions, HundredThousandNestedBrackets) {
    Calc calc;
    const int depth = 100000;
    const std::string nested = std::string(depth, '(') + "x" + std::string(depth, ')');
    ASSERT_FALSE(calc.Error(nested.c_str()));
    EXPECT_EQ(calc.e.Evaluate(), 3);
    std::string right;  // 1+(1+(1+(...)))): a tree as deep as it is long
    for (int i = 0; i < depth; ++i) right += "1+(";
    right += "x" + std::string(depth, ')');
    ASSERT_FALSE(calc.Error(right.c_str()));
    EXPECT_EQ(calc.e.Evaluate(), depth + 3.0);
    EXPECT_EQ(calc.e.EvaluateByNodes(), depth + 3.0);
    std::string calls;
    for (int i = 0; i < depth; ++i) calls += "abs(";
    calls += "-1" + std::string(depth, ')');
    ASSERT_FALSE(calc.Error(calls.c_str())) << "-1 right after a bracket is a literal";
    EXPECT_EQ(calc.e.Evaluate(), 1);
    calls.clear();
    for (int i = 0; i < depth; ++i) calls += "abs(";
    calls += "z" + std::string(depth, ')');
    ASSERT_FALSE(calc.Error(calls.c_str()));
    EXPECT_EQ(calc.e.Evaluate(), 2);
}

}  // namespace
