// The 16 operators and 9 functions of the expression language.
#include "operators.h"

#include "arith.h"

namespace {

using namespace vorn;

template <double (*F)(double, double)>
double Binary(IMathExprStack& stack) {
    const double right = stack.Pop();
    const double left = stack.Pop();
    return F(left, right);
}

template <double (*F)(double)>
double Unary(IMathExprStack& stack) {
    return F(stack.Pop());
}

// An operator class: its pattern, precedence, symbol code and arithmetic.
#define VORN_OPERATOR(CLASS, DESCRIPTION, PRECEDENCE, SYMBOL, FUNCTION)                    \
    class CLASS final : public IMathOperator {                                           \
    public:                                                                              \
        std::string Description() const override { return DESCRIPTION; }               \
        double Compute(IMathExprStack& s) const override { return Binary<FUNCTION>(s); } \
        std::int32_t Precedence() const override { return PRECEDENCE; }                 \
        std::uint16_t Symbol() const override { return SYMBOL; }                        \
    };

constexpr std::uint16_t Pair(char first, char second) {
    return static_cast<std::uint16_t>(first + 256 * second);
}

VORN_OPERATOR(AddOp, "val1 + val2", 8, '+', arith::Add)
VORN_OPERATOR(MultOp, "val1 * val2", 9, '*', arith::Mul)
VORN_OPERATOR(DivOp, "val1 / val2", 9, '/', arith::Div)
VORN_OPERATOR(ExpOp, "val1 ^ val2", 10, '^', arith::Pow)
VORN_OPERATOR(G_Op, "val1 > val2", 6, '>', arith::Gt)
VORN_OPERATOR(GE_Op, "val1 >= val2", 6, Pair('>', '='), arith::Ge)
VORN_OPERATOR(L_Op, "val1 < val2", 6, '<', arith::Lt)
VORN_OPERATOR(LE_Op, "val1 <= val2", 6, Pair('<', '='), arith::Le)
VORN_OPERATOR(EQ_Op, "val1 == val2", 5, Pair('=', '='), arith::Eq)
VORN_OPERATOR(LShiftOp, "val1 << val2", 7, Pair('<', '<'), arith::ShiftLeft)
VORN_OPERATOR(RShiftOp, "val1 >> val2", 7, Pair('>', '>'), arith::ShiftRight)
VORN_OPERATOR(AND_Op, "val1 & val2", 4, '&', arith::BitAnd)
VORN_OPERATOR(OR_Op, "val1 | val2", 2, '|', arith::BitOr)
VORN_OPERATOR(L_AND_Op, "val1 && val2", 1, Pair('&', '&'), arith::LogicalAnd)
VORN_OPERATOR(L_OR_Op, "val1 || val2", 0, Pair('|', '|'), arith::LogicalOr)
#undef VORN_OPERATOR

// "-" negates when nothing is left to pop after its right operand.
class MinusOp final : public IMathOperator {
public:
    std::string Description() const override { return "val1 - val2"; }
    double Compute(IMathExprStack& s) const override {
        const double right = s.Pop();
        if (s.IsEmpty()) return arith::Neg(right);
        return arith::Sub(s.Pop(), right);
    }
    std::int32_t Precedence() const override { return 8; }
    std::uint16_t Symbol() const override { return '-'; }
};

// A function class: its name, usage text and arithmetic (one or two arguments).
#define VORN_FUNCTION(CLASS, NAME, USAGE, COMPUTE)                          \
    class CLASS final : public IMathFunction {                             \
    public:                                                                \
        std::string Description() const override { return USAGE; }       \
        double Compute(IMathExprStack& s) const override { return COMPUTE(s); } \
        std::string Name() const override { return NAME; }                 \
    };

VORN_FUNCTION(IntFct, "int", "IntegerPartOf(val)", Unary<arith::IntPart>)
VORN_FUNCTION(RoundFct, "round", "RoundReal(val)", Unary<arith::Round>)
VORN_FUNCTION(SinFct, "sin", "sin(x)", Unary<arith::Sin>)
VORN_FUNCTION(CosFct, "cos", "cos(x)", Unary<arith::Cos>)
VORN_FUNCTION(TanFct, "tan", "tan(x)", Unary<arith::Tan>)
VORN_FUNCTION(SqrtFct, "sqrt", "sqrt(x)", Unary<arith::Sqrt>)
VORN_FUNCTION(MinFct, "min", "min(v1,v2)", Binary<arith::Min>)
VORN_FUNCTION(MaxFct, "max", "max(v1,v2)", Binary<arith::Max>)
VORN_FUNCTION(AbsFct, "abs", "abs(val)", Unary<arith::Abs>)
#undef VORN_FUNCTION

template <class T>
void Enter(std::vector<EvaluatorEntry>& table) {
    table.push_back(EvaluatorEntry{new T, true});
}

}  // namespace

void FillCatalogue(std::vector<EvaluatorEntry>& operators, std::vector<EvaluatorEntry>& functions) {
    operators.reserve(16);
    functions.reserve(9);
    Enter<AddOp>(operators);
    Enter<MinusOp>(operators);
    Enter<MultOp>(operators);
    Enter<DivOp>(operators);
    Enter<ExpOp>(operators);
    Enter<G_Op>(operators);
    Enter<GE_Op>(operators);
    Enter<L_Op>(operators);
    Enter<LE_Op>(operators);
    Enter<EQ_Op>(operators);
    Enter<LShiftOp>(operators);
    Enter<RShiftOp>(operators);
    Enter<AND_Op>(operators);
    Enter<OR_Op>(operators);
    Enter<L_AND_Op>(operators);
    Enter<L_OR_Op>(operators);
    Enter<IntFct>(functions);
    Enter<RoundFct>(functions);
    Enter<SinFct>(functions);
    Enter<CosFct>(functions);
    Enter<TanFct>(functions);
    Enter<SqrtFct>(functions);
    Enter<MinFct>(functions);
    Enter<MaxFct>(functions);
    Enter<AbsFct>(functions);
}
