// Compiles a parsed postfix sequence into a flat program and runs it with a
// switch per instruction, computing exactly what the node classes compute.
#include "program.h"

#include <algorithm>
#include <cassert>

#include "arith.h"
#include "mathexpression.h"

namespace vorn {

namespace {

// Operand modes, added to 4 * code. A binary instruction reads its left
// operand from the stack (S) or in place (P), and likewise its right one.
constexpr int kLeftInPlace = 2;
constexpr int kRightInPlace = 1;
constexpr int kPush = static_cast<int>(Code::Literal) * 4 + kRightInPlace;

constexpr int Op(Code code, int mode) { return static_cast<int>(code) * 4 + mode; }

// Fused instructions: "top = top OUTER (*left INNER *right)", the shape of
// every term of a long sum or product, run as one step instead of two.
constexpr int kFusedBase = static_cast<int>(Code::Neg) * 4 + 4;
constexpr Code kFusable[] = {Code::Add, Code::Minus, Code::Mult, Code::Div};

int FusableIndex(Code code) {
    for (int i = 0; i < 4; ++i)
        if (kFusable[i] == code) return i;
    return -1;
}

constexpr int Fused(int outer, int inner) { return kFusedBase + outer * 4 + inner; }
constexpr int kEnd = kFusedBase + 16;


}  // namespace

// Merges "left OUTER right" into the last instruction when that one computed
// `right` as "*a INNER *b" with both operands in place and `left` is on the
// stack below it. An operand on the stack is null; the value on top of the
// stack is always the last instruction's.
bool Program::TryFuse(Code outerCode, const double* left, const double* right) {
    const int outer = FusableIndex(outerCode);
    if (outer < 0 || left != nullptr || right != nullptr || code.empty()) return false;
    std::uint8_t& last = code.back();
    if (last % 4 != (kLeftInPlace | kRightInPlace) || last >= kFusedBase) return false;
    const int inner = FusableIndex(static_cast<Code>(last / 4));
    if (inner < 0) return false;
    last = static_cast<std::uint8_t>(Fused(outer, inner));
    return true;
}

namespace {

template <double (*F)(double, double)>
double BinaryStep(const double* left, const double* right) {
    return F(*left, *right);
}

template <double (*F)(double)>
double UnaryStep(const double*, const double* right) {
    return F(*right);
}

double LoadStep(const double*, const double* right) {
    return *right;
}

}  // namespace

// The direct form of a one-instruction program whose operands are all in
// place, or null.
Program::Step Program::SingleStep(int op) {
    if (op == kPush) return LoadStep;
    if (op % 4 == (kLeftInPlace | kRightInPlace)) {
        switch (static_cast<Code>(op / 4)) {
            case Code::Add: return BinaryStep<arith::Add>;
            case Code::Minus: return BinaryStep<arith::Sub>;
            case Code::Mult: return BinaryStep<arith::Mul>;
            case Code::Div: return BinaryStep<arith::Div>;
            case Code::Exp: return BinaryStep<arith::Pow>;
            case Code::G: return BinaryStep<arith::Gt>;
            case Code::GE: return BinaryStep<arith::Ge>;
            case Code::L: return BinaryStep<arith::Lt>;
            case Code::LE: return BinaryStep<arith::Le>;
            case Code::EQ: return BinaryStep<arith::Eq>;
            case Code::LShift: return BinaryStep<arith::ShiftLeft>;
            case Code::RShift: return BinaryStep<arith::ShiftRight>;
            case Code::And: return BinaryStep<arith::BitAnd>;
            case Code::Or: return BinaryStep<arith::BitOr>;
            case Code::LAnd: return BinaryStep<arith::LogicalAnd>;
            case Code::LOr: return BinaryStep<arith::LogicalOr>;
            case Code::Min: return BinaryStep<arith::Min>;
            case Code::Max: return BinaryStep<arith::Max>;
            default: return nullptr;
        }
    }
    if (op % 4 == kRightInPlace && op < kFusedBase) {
        switch (static_cast<Code>(op / 4)) {
            case Code::Int: return UnaryStep<arith::IntPart>;
            case Code::Round: return UnaryStep<arith::Round>;
            case Code::Sin: return UnaryStep<arith::Sin>;
            case Code::Cos: return UnaryStep<arith::Cos>;
            case Code::Tan: return UnaryStep<arith::Tan>;
            case Code::Sqrt: return UnaryStep<arith::Sqrt>;
            case Code::Abs: return UnaryStep<arith::Abs>;
            case Code::Neg: return UnaryStep<arith::Neg>;
            default: return nullptr;
        }
    }
    return nullptr;
}

void Program::Clear() {
    code.clear();
    args.clear();
    single = nullptr;
    singleSum = false;
}

namespace {

const double* TargetOf(const IMathExprEvaluator* variable) {
    return static_cast<const MathExpression::VariableEvaluator*>(variable)->Target();
}

}  // namespace

void Program::Build(const Sequence& sequence, std::size_t last) {
    Clear();
    const Sequence::Span span = sequence.TreeOf(last);
    const std::vector<Leaf>& leaves = sequence.Leaves();
    std::size_t leaf = span.firstLeaf;
    // At most one instruction per item and one argument per leaf: reserved
    // once, so that no growth copies a huge program.
    code.reserve(last - span.first + 2);
    args.reserve(std::min(leaves.size() - leaf, last - span.first + 1));
    long slots = 0;
    long deepest = 1;
    {
        // Operands during compilation: in place (the value's address) or
        // on the run-time stack (null).
        std::vector<const double*> operands;
        const auto emit = [&](int op, const double* left, const double* right, int pushes) {
            code.push_back(static_cast<std::uint8_t>(op));
            if (left != nullptr) args.push_back(left);
            if (right != nullptr) args.push_back(right);
            slots += pushes;
            deepest = std::max(deepest, slots + 1);
        };
        for (std::size_t i = span.first; i <= last; ++i) {
            const Code itemCode = sequence.CodeAt(i);
            if (itemCode == Code::Literal) {
                operands.push_back(&leaves[leaf++].value);
                continue;
            }
            if (itemCode == Code::Variable) {
                operands.push_back(TargetOf(leaves[leaf++].variable));
                continue;
            }
            const double* right = operands.back();
            operands.pop_back();
            if (Arity(itemCode) == 1) {
                if (right != nullptr)
                    emit(Op(itemCode, kRightInPlace), nullptr, right, 1);
                else
                    emit(Op(itemCode, 0), nullptr, nullptr, 0);
            } else {
                const double* left = operands.back();
                operands.pop_back();
                const int mode = (left ? kLeftInPlace : 0) | (right ? kRightInPlace : 0);
                if (!TryFuse(itemCode, left, right)) {
                    const int pushes = mode == 0 ? -1 : mode == (kLeftInPlace | kRightInPlace) ? 1 : 0;
                    emit(Op(itemCode, mode), left, right, pushes);
                } else {
                    --slots;
                }
            }
            operands.push_back(nullptr);
        }
        if (operands.back() != nullptr) emit(kPush, nullptr, operands.back(), 1);
    }
    single = code.size() == 1 ? SingleStep(code[0]) : nullptr;
    singleSum = code.size() == 1 && code[0] == Op(Code::Add, kLeftInPlace | kRightInPlace);
    if (single != nullptr) {
        const bool binary = code[0] % 4 == (kLeftInPlace | kRightInPlace);
        singleLeft = binary ? args[0] : nullptr;
        singleRight = binary ? args[1] : args[0];
    }
    code.push_back(static_cast<std::uint8_t>(kEnd));
    stack.assign(static_cast<std::size_t>(deepest) + 1, 0.0);
}

// The top of the stack lives in `top`; the array holds the values below it.
// Each handler jumps straight to the next instruction's handler (threaded
// code, a GCC and Clang extension), so every kind of step has its own
// well-predicted indirect jump; the program ends with kEnd.
double Program::RunCode() {
    if (code.empty()) return 0.0;
#define VORN_B4(N) &&N##_SS, &&N##_SP, &&N##_PS, &&N##_PP
#define VORN_U4(N) &&N##_S, &&N##_P, &&bad, &&bad
#define VORN_F4(O) &&fused_##O##_0, &&fused_##O##_1, &&fused_##O##_2, &&fused_##O##_3
    static const void* const kHandlers[] = {
        &&bad, &&push, &&bad, &&bad,  // Literal
        &&bad, &&bad, &&bad, &&bad,   // Variable
        VORN_B4(add), VORN_B4(sub), VORN_B4(mul), VORN_B4(div), VORN_B4(pow), VORN_B4(gt),
        VORN_B4(ge), VORN_B4(lt), VORN_B4(le), VORN_B4(eq), VORN_B4(shl), VORN_B4(shr),
        VORN_B4(band), VORN_B4(bor), VORN_B4(land), VORN_B4(lor),
        VORN_U4(intpart), VORN_U4(round), VORN_U4(sin), VORN_U4(cos), VORN_U4(tan), VORN_U4(sqrt),
        VORN_B4(min), VORN_B4(max), VORN_U4(abs), VORN_U4(neg),
        VORN_F4(0), VORN_F4(1), VORN_F4(2), VORN_F4(3),
        &&end};
#undef VORN_B4
#undef VORN_U4
#undef VORN_F4
    static_assert(sizeof kHandlers / sizeof kHandlers[0] == kEnd + 1);

    double top = 0.0;
    double* below = stack.data();
    const std::uint8_t* in = code.data();
    const double* const* arg = args.data();
#define VORN_NEXT goto* kHandlers[*++in]
#define VORN_BINARY(N, F)                                                          \
    N##_SS : --below; top = F(*below, top); VORN_NEXT;                             \
    N##_SP : top = F(top, **arg++); VORN_NEXT;                                     \
    N##_PS : top = F(**arg++, top); VORN_NEXT;                                     \
    N##_PP : *below++ = top; top = F(*arg[0], *arg[1]); arg += 2; VORN_NEXT;
#define VORN_UNARY(N, F)                                                           \
    N##_S : top = F(top); VORN_NEXT;                                               \
    N##_P : *below++ = top; top = F(**arg++); VORN_NEXT;
#define VORN_FUSED(O, F, I, G) \
    fused_##O##_##I : top = F(top, G(*arg[0], *arg[1])); arg += 2; VORN_NEXT;
#define VORN_FUSED_ROW(O, F)                                                   \
    VORN_FUSED(O, F, 0, arith::Add) VORN_FUSED(O, F, 1, arith::Sub)            \
    VORN_FUSED(O, F, 2, arith::Mul) VORN_FUSED(O, F, 3, arith::Div)
    goto* kHandlers[*in];
push:
    *below++ = top;
    top = **arg++;
    VORN_NEXT;
    VORN_BINARY(add, arith::Add)
    VORN_BINARY(sub, arith::Sub)
    VORN_BINARY(mul, arith::Mul)
    VORN_BINARY(div, arith::Div)
    VORN_BINARY(pow, arith::Pow)
    VORN_BINARY(gt, arith::Gt)
    VORN_BINARY(ge, arith::Ge)
    VORN_BINARY(lt, arith::Lt)
    VORN_BINARY(le, arith::Le)
    VORN_BINARY(eq, arith::Eq)
    VORN_BINARY(shl, arith::ShiftLeft)
    VORN_BINARY(shr, arith::ShiftRight)
    VORN_BINARY(band, arith::BitAnd)
    VORN_BINARY(bor, arith::BitOr)
    VORN_BINARY(land, arith::LogicalAnd)
    VORN_BINARY(lor, arith::LogicalOr)
    VORN_BINARY(min, arith::Min)
    VORN_BINARY(max, arith::Max)
    VORN_UNARY(intpart, arith::IntPart)
    VORN_UNARY(round, arith::Round)
    VORN_UNARY(sin, arith::Sin)
    VORN_UNARY(cos, arith::Cos)
    VORN_UNARY(tan, arith::Tan)
    VORN_UNARY(sqrt, arith::Sqrt)
    VORN_UNARY(abs, arith::Abs)
    VORN_UNARY(neg, arith::Neg)
    VORN_FUSED_ROW(0, arith::Add)
    VORN_FUSED_ROW(1, arith::Sub)
    VORN_FUSED_ROW(2, arith::Mul)
    VORN_FUSED_ROW(3, arith::Div)
#undef VORN_FUSED_ROW
#undef VORN_FUSED
#undef VORN_UNARY
#undef VORN_BINARY
#undef VORN_NEXT
end:
    return top;
bad:
    // No built program holds such an instruction: its code was overwritten.
    // A debug build stops here; otherwise the evaluation fails (Vorn_Evaluate
    // then returns 0) rather than pass a made-up value.
    assert(!"Program::RunCode: impossible instruction");
    throw ProgramFault("impossible instruction");
}

}  // namespace vorn
