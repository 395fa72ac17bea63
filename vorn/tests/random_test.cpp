// Randomised tests: well-formed expressions against an independent evaluator,
// the compiled evaluation against the node-by-node one, and arbitrary token
// strings against a model of the check that re-evaluates the whole sequence.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "vorn_test_util.h"

using namespace cp1251::literals;
using vorn_test::BothModesAgree;
using vorn_test::Calc;
using vorn_test::SameBits;
using vorn_test::SameValue;

namespace {

// ---- An independent straightforward evaluator ---------------------------

std::int32_t TruncToInt(double v) {
    if (std::isnan(v) || std::isinf(v)) return INT_MIN;
    const double t = std::trunc(v);
    if (t < -2147483648.0 || t > 2147483647.0) return INT_MIN;
    return static_cast<std::int32_t>(t);
}

struct BinaryOp {
    const char* symbol;
    int precedence;
};
const BinaryOp kBinary[] = {{"+", 8},  {"-", 8},  {"*", 9},  {"/", 9},  {"^", 10}, {">", 6},
                            {">=", 6}, {"<", 6},  {"<=", 6}, {"==", 5}, {"<<", 7}, {">>", 7},
                            {"&", 4},  {"|", 2},  {"&&", 1}, {"||", 0}};
const char* const kUnary[] = {"int", "round", "sin", "cos", "tan", "sqrt", "abs"};

double ApplyBinary(int op, double l, double r) {
    const std::int32_t li = TruncToInt(l), ri = TruncToInt(r);
    switch (op) {
        case 0: return l + r;
        case 1: return l - r;
        case 2: return l * r;
        case 3: return l / r;
        case 4: return r == 2 ? l * l : std::pow(l, r);
        case 5: return l > r;
        case 6: return l >= r;
        case 7: return l < r;
        case 8: return l <= r;
        case 9: return l == r;
        case 10: return static_cast<std::int32_t>(static_cast<std::uint32_t>(li) << (ri & 31));
        case 11: return li >> (ri & 31);
        case 12: return li & ri;
        case 13: return li | ri;
        case 14: return (li != 0 && ri != 0) ? 1.0 : 0.0;
        default: return (li != 0 || ri != 0) ? 1.0 : 0.0;
    }
}

double ApplyUnary(int fn, double v) {
    switch (fn) {
        case 0: return TruncToInt(v);
        case 1: return TruncToInt(v + 0.5);
        case 2: return std::sin(v);
        case 3: return std::cos(v);
        case 4: return std::tan(v);
        case 5: return v < 0 ? 0.0 : std::sqrt(v);
        default: return std::signbit(v) ? -v : v;
    }
}

struct Node {
    enum Kind { Var, Literal, Binary, Unary, Min, Max } kind = Literal;
    int which = 0;  // variable, operator or function index
    std::string literal;
    double value = 0;
    std::unique_ptr<Node> left, right;
};

class Generator {
public:
    explicit Generator(unsigned seed) : rng(seed) {}

    std::unique_ptr<Node> Make(int depth) {
        auto n = std::make_unique<Node>();
        const int pick = depth <= 0 ? Below(2) : Below(10);
        if (pick == 0) {
            n->kind = Node::Var;
            n->which = Below(3);
        } else if (pick == 1) {
            MakeLiteral(*n);
        } else if (pick <= 6) {
            n->kind = Node::Binary;
            n->which = Below(16);
            n->left = Make(depth - 1);
            n->right = Make(depth - 1);
        } else if (pick <= 8) {
            n->kind = Node::Unary;
            n->which = Below(7);
            n->left = Make(depth - 1);
        } else {
            n->kind = Below(2) ? Node::Min : Node::Max;
            n->left = Make(depth - 1);
            n->right = Make(depth - 1);
        }
        return n;
    }

    // A tree whose right operands nest `length` deep: evaluated left to
    // right, it holds about `length` values at once, more than there are
    // registers, some of them across calls of the C library.
    std::unique_ptr<Node> MakeChain(int length) {
        if (length <= 0) return Make(0);
        auto n = std::make_unique<Node>();
        const int pick = Below(8);
        if (pick < 5) {
            n->kind = Node::Binary;
            n->which = Below(16);
            n->left = Make(Below(2));
            n->right = MakeChain(length - 1);
        } else if (pick < 7) {
            n->kind = Node::Unary;
            n->which = Below(7);
            n->left = MakeChain(length - 1);
        } else {
            n->kind = Below(2) ? Node::Min : Node::Max;
            n->left = Make(1);
            n->right = MakeChain(length - 1);
        }
        return n;
    }

    // The text of a node, bracketed only where precedence requires it.
    std::string Text(const Node& n) {
        switch (n.kind) {
            case Node::Var: return std::string(1, "xyz"[n.which]);
            case Node::Literal: return n.literal[0] == '-' ? "(" + Blank() + n.literal + ")" : n.literal;
            case Node::Unary: return std::string(kUnary[n.which]) + Blank() + "(" + Text(*n.left) + ")";
            case Node::Min:
            case Node::Max:
                return std::string(n.kind == Node::Min ? "min(" : "max(") + Text(*n.left) + Blank() +
                       "," + Blank() + Text(*n.right) + ")";
            case Node::Binary: break;
        }
        const int p = kBinary[n.which].precedence;
        std::string l = Text(*n.left), r = Text(*n.right);
        if (n.left->kind == Node::Binary && kBinary[n.left->which].precedence < p) l = "(" + l + ")";
        if (n.right->kind == Node::Binary && kBinary[n.right->which].precedence <= p) r = "(" + r + ")";
        return l + Blank() + kBinary[n.which].symbol + Blank() + r;
    }

    static double Value(const Node& n, const double* vars) {
        switch (n.kind) {
            case Node::Var: return vars[n.which];
            case Node::Literal: return n.value;
            case Node::Binary: return ApplyBinary(n.which, Value(*n.left, vars), Value(*n.right, vars));
            case Node::Unary: return ApplyUnary(n.which, Value(*n.left, vars));
            case Node::Min: {
                const double a = Value(*n.left, vars), b = Value(*n.right, vars);
                return b < a ? b : a;
            }
            case Node::Max: {
                const double a = Value(*n.left, vars), b = Value(*n.right, vars);
                return b > a ? b : a;
            }
        }
        return 0;
    }

    double SpecialValue() {
        static const double values[] = {3, 0.5, -2, 0, -0.0, 1e300, -1e-300, HUGE_VAL, -HUGE_VAL,
                                        NAN, 2147483648.0, -7.25, 1, 0.999};
        return values[Below(sizeof values / sizeof values[0])];
    }

    // NaNs of both signs, quiet and signalling, with payloads; infinities;
    // signed zeros; the largest, smallest and subnormal magnitudes; the
    // edges of the 32-bit integer range.
    double AwkwardValue() {
        static const std::uint64_t kBits[] = {0x7FF8000000000000u, 0xFFF8000000000000u, 0x7FF8000000000ABCu,
                                              0xFFF800000000DEADu, 0x7FF4000000000001u, 0xFFF0000000001234u};
        static const double kValues[] = {HUGE_VAL, -HUGE_VAL, 0.0, -0.0, DBL_MAX, -DBL_MAX, DBL_MIN, 5e-324,
                                         -1e-310, 0.5, -0.5, 2, 3, -7.25, 1e300, -1e-300, 2147483647.5,
                                         -2147483648.5, 2147483648.0, -2147483649.0, 1.5};
        constexpr int kNaNs = sizeof kBits / sizeof kBits[0];
        const int pick = Below(kNaNs + static_cast<int>(sizeof kValues / sizeof kValues[0]));
        if (pick >= kNaNs) return kValues[pick - kNaNs];
        double value;
        std::memcpy(&value, &kBits[pick], sizeof value);
        return value;
    }

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

private:
    void MakeLiteral(Node& n) {
        n.kind = Node::Literal;
        std::string text = std::to_string(Below(1000));
        if (Below(2)) text += "." + std::to_string(Below(100));
        if (Below(4) == 0) text += std::string("eE\xE5\xC5").substr(Below(4), 1) + (Below(2) ? "-" : "") +
                                   std::to_string(Below(20));
        if (Below(4) == 0) text = "-" + text;
        n.literal = text;
        std::string decimal = text;
        for (char& c : decimal)
            if (c == 'E' || c == '\xE5' || c == '\xC5') c = 'e';
        n.value = std::strtod(decimal.c_str(), nullptr);
    }
    std::string Blank() { return Below(4) == 0 ? " " : ""; }

    std::mt19937 rng;
};

// ---- A model of the evaluation that the parser's check re-runs ----------

struct StackUnderflow {};

// Evaluates a copy of the sequence from its last item, recursively, with the
// cursor as the top of the stack: the straightforward form of evaluation.
class ModelStack : public IMathExprStack {
public:
    double Run(const std::vector<MathExprItem>& items, std::size_t count) {
        work.assign(items.begin(), items.begin() + static_cast<long>(count));
        return Item(static_cast<int>(count) - 1);
    }
    double Pop() override {
        if (cursor < 0) throw StackUnderflow{};
        if (work[static_cast<std::size_t>(cursor)].known) return work[static_cast<std::size_t>(cursor--)].value;
        return Item(cursor);
    }
    bool IsEmpty() override { return cursor < 0; }

private:
    double Item(int i) {
        MathExprItem& item = work[static_cast<std::size_t>(i)];
        if (item.known) return item.value;
        cursor = i - 1;
        item.value = item.evaluator->Compute(*this);
        item.known = true;
        return item.value;
    }
    std::vector<MathExprItem> work;
    int cursor = -1;
};

TEST(Random, WellFormedExpressionsMatchAnIndependentEvaluator) {
    Generator gen(20261207);
    Calc calc;
    for (int trial = 0; trial < 20000; ++trial) {
        const auto tree = gen.Make(1 + gen.Below(6));
        const std::string text = gen.Text(*tree);
        calc.x = gen.SpecialValue();
        calc.y = gen.SpecialValue();
        calc.z = gen.SpecialValue();
        const double vars[] = {calc.x, calc.y, calc.z};
        const auto error = calc.Error(text.c_str());
        ASSERT_FALSE(error) << text << ": " << cp1251::to_utf8(*error);
        const double expected = Generator::Value(*tree, vars);
        double fast = 0;
        ASSERT_TRUE(BothModesAgree(calc.e, &fast)) << text;
        ASSERT_TRUE(SameValue(fast, expected)) << text << " gave " << fast << ", expected " << expected;
        ASSERT_TRUE(SameValue(calc.e.EvaluateByNodes(), expected)) << text;
    }
}

TEST(Random, CompiledAndNodeEvaluationAgreeBitForBit) {
    Generator gen(7);
    Calc calc;
    for (int trial = 0; trial < 5000; ++trial) {
        const std::string text = gen.Text(*gen.Make(2 + gen.Below(5)));
        ASSERT_FALSE(calc.Error(text.c_str())) << text;
        for (int round = 0; round < 4; ++round) {
            calc.x = gen.SpecialValue();
            calc.y = gen.SpecialValue();
            calc.z = gen.SpecialValue();
            double fast = 0;
            ASSERT_TRUE(BothModesAgree(calc.e, &fast)) << text;
            const double nodes = calc.e.EvaluateByNodes();
            ASSERT_EQ(std::memcmp(&fast, &nodes, sizeof fast), 0) << text;
        }
    }
}

// Machine code against byte-code on large random sets: trees of every shape
// and chains deeper than the registers, with variables taking awkward values.
TEST(Random, MachineCodeAndByteCodeAgreeBitForBitOnAwkwardValues) {
    Generator gen(20261208);
    Calc calc;
    for (int trial = 0; trial < 6000; ++trial) {
        const auto tree = trial % 3 == 0 ? gen.MakeChain(10 + gen.Below(40)) : gen.Make(2 + gen.Below(6));
        const std::string text = gen.Text(*tree);
        ASSERT_FALSE(calc.Error(text.c_str())) << text;
        for (int round = 0; round < 8; ++round) {
            calc.x = gen.AwkwardValue();
            calc.y = gen.AwkwardValue();
            calc.z = gen.AwkwardValue();
            double fast = 0;
            ASSERT_TRUE(BothModesAgree(calc.e, &fast))
                << text << " x=" << calc.x << " y=" << calc.y << " z=" << calc.z;
            ASSERT_TRUE(SameBits(fast, calc.e.EvaluateByNodes())) << text;
        }
    }
}

// Every operator and function applied once to variables and literals: the
// shortest programs, which run as one direct step.
TEST(Random, OneStepProgramsAgreeWithNodeEvaluation) {
    Generator gen(3);
    Calc calc;
    std::vector<std::string> texts = {"x", "7", "-x", "(-x)", "-2.5"};
    for (const BinaryOp& op : kBinary) {
        texts.push_back(std::string("x") + op.symbol + "y");
        texts.push_back(std::string("x") + op.symbol + "2");
        texts.push_back(std::string("2") + op.symbol + "y");
    }
    for (const char* fn : kUnary) texts.push_back(std::string(fn) + "(x)");
    texts.push_back("min(x,y)");
    texts.push_back("max(y,x)");
    for (const std::string& text : texts) {
        ASSERT_FALSE(calc.Error(text.c_str())) << text;
        for (int round = 0; round < 200; ++round) {
            calc.x = gen.SpecialValue();
            calc.y = gen.SpecialValue();
            double fast = 0;
            ASSERT_TRUE(BothModesAgree(calc.e, &fast)) << text;
            const double nodes = calc.e.EvaluateByNodes();
            ASSERT_EQ(std::memcmp(&fast, &nodes, sizeof fast), 0) << text << " x=" << calc.x << " y=" << calc.y;
        }
    }
}

// Arbitrary token strings: every text either fails with one of the five
// messages or parses; the check after each emitted item agrees with the
// model that evaluates the whole sequence again.
TEST(Random, TokenStringsAgreeWithTheReevaluatingModel) {
    static const char* const kTokens[] = {
        "x", "y", "1", "2.5", "-", "+", "*", "/", "^", "(", ")", ",", "sin(", "min(", "max(",
        "&&", "||", "<", "<=", "==", ">>", " ", "-1", "e", "abs(", "round(", "z", "0"};
    const std::string wrongUse = "Неверное использование, надо: "_cp1251;
    const std::string known[] = {"Нет открывающей скобки> "_cp1251, "Нет закрывающей скобки> "_cp1251,
                                 "Неизвестная переменная: "_cp1251, "Неизвестная функция: "_cp1251, wrongUse};
    std::mt19937 rng(99);
    Calc calc;
    ModelStack model;
    int parsed = 0, refused = 0;
    for (int trial = 0; trial < 40000; ++trial) {
        std::string text;
        const int count = 1 + static_cast<int>(rng() % 12);
        for (int i = 0; i < count; ++i) text += kTokens[rng() % (sizeof kTokens / sizeof kTokens[0])];
        const auto error = calc.Error(text.c_str());
        const auto& seq = calc.e.Items();
        if (!error) {
            ++parsed;
            for (std::size_t n = 1; n <= seq.size(); ++n) {
                if (seq[n - 1].known || seq[n - 1].evaluator == nullptr) continue;
                ASSERT_NO_THROW(model.Run(seq, n)) << text << " prefix " << n;
            }
            if (!seq.empty()) {
                const double expected = model.Run(seq, seq.size());
                double fast = 0;
                ASSERT_TRUE(BothModesAgree(calc.e, &fast)) << text;
                ASSERT_TRUE(SameValue(fast, expected)) << text;
                ASSERT_TRUE(SameValue(calc.e.EvaluateByNodes(), expected)) << text;
            }
            continue;
        }
        ++refused;
        bool recognised = false;
        for (const std::string& k : known) recognised = recognised || error->rfind(k, 0) == 0;
        ASSERT_TRUE(recognised) << text << ": " << cp1251::to_utf8(*error);
        if (error->rfind(wrongUse, 0) == 0) {
            ASSERT_THROW(model.Run(seq, seq.size()), StackUnderflow) << text;
            for (std::size_t n = 1; n < seq.size(); ++n) {
                if (!seq[n - 1].known && seq[n - 1].evaluator != nullptr) {
                    ASSERT_NO_THROW(model.Run(seq, n)) << text << " prefix " << n;
                }
            }
            const std::string description = seq.back().evaluator->Description();
            ASSERT_EQ(*error, wrongUse + description + "> ") << text;
        }
    }
    EXPECT_GT(parsed, 1000);
    EXPECT_GT(refused, 1000);
}

}  // namespace
