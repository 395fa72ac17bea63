// Compiles a parsed postfix sequence into a flat program and runs it with a
// switch per instruction, computing exactly what the node classes compute.
#include "program.h"

#include <algorithm>

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

// A value during compilation: in place (a literal or a variable not yet
// pushed) or computed onto the run-time stack.
struct Operand {
    const double* inPlace;
};

}  // namespace

void Program::Clear() {
    code.clear();
}

void Program::Build(const std::vector<MathExprItem>& items, const std::vector<ItemShape>& shapes,
                    unsigned last) {
    code.clear();
    std::vector<Operand> operands;
    long slots = 0;
    long deepest = 1;
    const auto emit = [&](int op, const double* left, const double* right, int pushes) {
        code.push_back(Instruction{static_cast<std::uint16_t>(op), left, right});
        slots += pushes;
        deepest = std::max(deepest, slots + 1);
    };
    for (auto i = static_cast<unsigned>(shapes[last].spanStart); i <= last; ++i) {
        const ItemShape& shape = shapes[i];
        const int arity = Arity(shape.code);
        if (arity == 0) {
            operands.push_back(Operand{shape.code == Code::Literal ? &items[i].value : shape.source});
            continue;
        }
        const Operand right = operands.back();
        operands.pop_back();
        if (arity == 1) {
            if (right.inPlace != nullptr)
                emit(Op(shape.code, kRightInPlace), nullptr, right.inPlace, 1);
            else
                emit(Op(shape.code, 0), nullptr, nullptr, 0);
        } else {
            const Operand left = operands.back();
            operands.pop_back();
            const int mode = (left.inPlace ? kLeftInPlace : 0) | (right.inPlace ? kRightInPlace : 0);
            const int pushes = mode == 0 ? -1 : mode == (kLeftInPlace | kRightInPlace) ? 1 : 0;
            emit(Op(shape.code, mode), left.inPlace, right.inPlace, pushes);
        }
        operands.push_back(Operand{nullptr});
    }
    if (operands.back().inPlace != nullptr) emit(kPush, nullptr, operands.back().inPlace, 1);
    stack.assign(static_cast<std::size_t>(deepest) + 1, 0.0);
}

// The top of the stack lives in `top`; the array holds the values below it.
double Program::Run() {
    double top = 0.0;
    double* below = stack.data();
    for (const Instruction& in : code) {
        switch (in.op) {
#define VORN_BINARY(CODE, F)                                                         \
    case Op(CODE, 0): --below; top = F(*below, top); break;                          \
    case Op(CODE, kRightInPlace): top = F(top, *in.right); break;                    \
    case Op(CODE, kLeftInPlace): top = F(*in.left, top); break;                      \
    case Op(CODE, kLeftInPlace | kRightInPlace): *below++ = top; top = F(*in.left, *in.right); break;
#define VORN_UNARY(CODE, F)                                                          \
    case Op(CODE, 0): top = F(top); break;                                           \
    case Op(CODE, kRightInPlace): *below++ = top; top = F(*in.right); break;
            case kPush: *below++ = top; top = *in.right; break;
            VORN_BINARY(Code::Add, arith::Add)
            VORN_BINARY(Code::Minus, arith::Sub)
            VORN_BINARY(Code::Mult, arith::Mul)
            VORN_BINARY(Code::Div, arith::Div)
            VORN_BINARY(Code::Exp, arith::Pow)
            VORN_BINARY(Code::G, arith::Gt)
            VORN_BINARY(Code::GE, arith::Ge)
            VORN_BINARY(Code::L, arith::Lt)
            VORN_BINARY(Code::LE, arith::Le)
            VORN_BINARY(Code::EQ, arith::Eq)
            VORN_BINARY(Code::LShift, arith::ShiftLeft)
            VORN_BINARY(Code::RShift, arith::ShiftRight)
            VORN_BINARY(Code::And, arith::BitAnd)
            VORN_BINARY(Code::Or, arith::BitOr)
            VORN_BINARY(Code::LAnd, arith::LogicalAnd)
            VORN_BINARY(Code::LOr, arith::LogicalOr)
            VORN_BINARY(Code::Min, arith::Min)
            VORN_BINARY(Code::Max, arith::Max)
            VORN_UNARY(Code::Int, arith::IntPart)
            VORN_UNARY(Code::Round, arith::Round)
            VORN_UNARY(Code::Sin, arith::Sin)
            VORN_UNARY(Code::Cos, arith::Cos)
            VORN_UNARY(Code::Tan, arith::Tan)
            VORN_UNARY(Code::Sqrt, arith::Sqrt)
            VORN_UNARY(Code::Abs, arith::Abs)
            VORN_UNARY(Code::Neg, arith::Neg)
#undef VORN_BINARY
#undef VORN_UNARY
            default: break;
        }
    }
    return top;
}

}  // namespace vorn
