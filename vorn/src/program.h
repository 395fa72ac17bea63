// Item shapes recorded while parsing, and the compiled form of a parsed
// sequence that evaluation runs without virtual calls or allocation.
#ifndef VORN_PROGRAM_H
#define VORN_PROGRAM_H

#include <cstdint>
#include <stdexcept>
#include <vector>

struct MathExprItem;

namespace vorn {

// A compiled program met an instruction that no compilation produces.
struct ProgramFault : std::logic_error {
    using std::logic_error::logic_error;
};

// Kinds of sequence items. Operators follow the operator table, functions the
// function table; Neg is a "-" with nothing to its left.
enum class Code : std::uint8_t {
    Literal, Variable,
    Add, Minus, Mult, Div, Exp, G, GE, L, LE, EQ, LShift, RShift, And, Or, LAnd, LOr,
    Int, Round, Sin, Cos, Tan, Sqrt, Min, Max, Abs,
    Neg
};

inline constexpr int kFirstOperator = static_cast<int>(Code::Add);
inline constexpr int kFirstFunction = static_cast<int>(Code::Int);

// Number of operands the item pops.
constexpr int Arity(Code code) {
    if (code == Code::Literal || code == Code::Variable) return 0;
    if (code == Code::Neg) return 1;
    if (code < Code::Int) return 2;
    return (code == Code::Min || code == Code::Max) ? 2 : 1;
}

// What is known of an item once it is appended: its kind, the variable it
// reads, and the index of the first item of its operand tree.
struct ItemShape {
    std::int32_t spanStart = 0;
    Code code = Code::Literal;
    const double* source = nullptr;
};

// A straight-line program over a value stack whose top is kept in a register.
// Operands that are literals or variables are read in place by the
// instruction that uses them instead of being pushed.
class Program {
public:
    // Compiles the tree ending at `last`. Allocates; call at parse time only.
    void Build(const std::vector<MathExprItem>& items, const std::vector<ItemShape>& shapes,
               unsigned last);
    void Clear();
    // Runs the program; allocates nothing. A program of one step (a literal,
    // a variable, or one operator or function applied to literals and
    // variables) is a direct call. Corrupted code raises ProgramFault.
    double Run() {
        if (singleSum) return *singleLeft + *singleRight;
        if (single != nullptr) return single(singleLeft, singleRight);
        return RunCode();
    }

private:
    struct Operand;
    struct Instruction {
        std::uint16_t op;
        const double* left;
        const double* right;
    };
    using Step = double (*)(const double* left, const double* right);

    bool TryFuse(Code outer, const Operand& left, const Operand& right);
    static Step SingleStep(int op);
    double RunCode();

    std::vector<Instruction> code;
    std::vector<double> stack;
    Step single = nullptr;
    bool singleSum = false;  // the one step is an addition, inlined
    const double* singleLeft = nullptr;
    const double* singleRight = nullptr;
};

}  // namespace vorn

#endif
